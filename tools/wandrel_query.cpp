// wandrel_query: asks a running TheWandrel client for its counts and prints them.
//
//   wandrel_query [mode] [--window HWND] [--wait-ms N] [--timeout-ms N] [--raw]
//
// mode 0 (the default) asks for the totals, any other value 1-255 for the counts not yet
// sent. The client is found by its window class unless --window gives the handle in
// decimal; --wait-ms waits that long for it to appear. The reply's ten fields are printed
// as name=value lines (or the reply text as it came with --raw).
// Exit code: 0 a reply came, 1 no reply in time, 2 no client found, 3 bad command line.
#include "net/query_protocol.h"

#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <cwchar>
#include <optional>
#include <string>
#include <vector>

namespace {

struct Options {
    uint8_t mode = 0;
    HWND window = nullptr;
    DWORD wait_ms = 0;
    DWORD timeout_ms = 5000;
    bool raw = false;
};

std::optional<int64_t> Number(const wchar_t* text) {
    std::string narrow;
    for (const wchar_t* p = text; *p; ++p) {
        if (*p > 0x7f)
            return std::nullopt;
        narrow += static_cast<char>(*p);
    }
    return query::ParseDecimal(narrow);
}

std::optional<Options> ParseArguments(int argc, wchar_t** argv) {
    Options o;
    for (int i = 1; i < argc; ++i) {
        const std::wstring arg = argv[i];
        const bool has_value = i + 1 < argc;
        if (arg == L"--raw") {
            o.raw = true;
        } else if ((arg == L"--window" || arg == L"--wait-ms" || arg == L"--timeout-ms") &&
                   has_value) {
            const auto n = Number(argv[++i]);
            if (!n)
                return std::nullopt;
            if (arg == L"--window") {
                if (*n < INT32_MIN || *n > INT32_MAX)
                    return std::nullopt;
                o.window = reinterpret_cast<HWND>(static_cast<intptr_t>(*n));
            } else {
                if (*n < 0 || *n > 600000) // at most ten minutes
                    return std::nullopt;
                (arg == L"--wait-ms" ? o.wait_ms : o.timeout_ms) = static_cast<DWORD>(*n);
            }
        } else {
            const auto n = Number(argv[i]);
            if (!n || *n < 0 || *n > 255)
                return std::nullopt;
            o.mode = static_cast<uint8_t>(*n);
        }
    }
    return o;
}

HWND FindClient() {
    HWND w = ::FindWindowW(query::kClientWindowClass, nullptr);
    if (!w)
        w = ::FindWindowExW(HWND_MESSAGE, nullptr, query::kClientWindowClass, nullptr);
    return w;
}

// Pumps messages (replies arrive as sent messages) until `done` or the deadline.
template <typename Done> void PumpUntil(ULONGLONG deadline, Done done) {
    while (!done()) {
        const ULONGLONG now = ::GetTickCount64();
        if (now >= deadline)
            return;
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(deadline - now),
                                    QS_ALLINPUT);
        MSG msg;
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
            ::DispatchMessageW(&msg);
    }
}

struct ReplyState {
    HWND client = nullptr;
    std::optional<std::string> text;
    std::optional<std::vector<std::string>> fields;
};
ReplyState g_reply;

LRESULT CALLBACK ReplyWindowProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_COPYDATA && lparam != 0 && !g_reply.fields) {
        const auto& data = *reinterpret_cast<const COPYDATASTRUCT*>(lparam);
        if (data.dwData == query::kCopyDataTag) {
            g_reply.fields = query::ParseReply(data.lpData, data.cbData);
            if (g_reply.fields) {
                const char* bytes = static_cast<const char*>(data.lpData);
                g_reply.text = std::string(bytes, strnlen(bytes, data.cbData));
            }
            return TRUE;
        }
    }
    return ::DefWindowProcW(hwnd, message, wparam, lparam);
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    // Plain "\n" line ends, whatever reads the output.
    _setmode(_fileno(stdout), _O_BINARY);
    const auto options = ParseArguments(argc, argv);
    if (!options) {
        std::fputs("usage: wandrel_query [mode 0-255] [--window HWND] [--wait-ms N] "
                   "[--timeout-ms N] [--raw]\n",
                   stderr);
        return 3;
    }
    const ULONGLONG wait_deadline = ::GetTickCount64() + options->wait_ms;
    HWND client = options->window;
    if (!client) {
        client = FindClient();
        PumpUntil(wait_deadline, [&] { return (client = FindClient()) != nullptr; });
    }
    if (!client || !::IsWindow(client)) {
        std::fputs("wandrel_query: no running client found\n", stderr);
        return 2;
    }
    g_reply.client = client;

    WNDCLASSW wc{};
    wc.lpfnWndProc = ReplyWindowProc;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.lpszClassName = L"TheWandrelQueryReply";
    ::RegisterClassW(&wc);
    HWND own = ::CreateWindowExW(0, wc.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                 wc.hInstance, nullptr);
    if (!own) {
        std::fputs("wandrel_query: cannot create the reply window\n", stderr);
        return 1;
    }

    const std::string request =
        query::BuildRequest(static_cast<int32_t>(reinterpret_cast<intptr_t>(own)), options->mode);
    COPYDATASTRUCT data{};
    data.dwData = query::kCopyDataTag;
    data.cbData = static_cast<DWORD>(request.size() + 1);
    data.lpData = const_cast<char*>(request.c_str());
    // The client answers while this call waits; a hung client is given up at the timeout.
    const ULONGLONG deadline = ::GetTickCount64() + options->timeout_ms;
    DWORD_PTR result = 0;
    ::SendMessageTimeoutW(client, WM_COPYDATA, reinterpret_cast<WPARAM>(own),
                          reinterpret_cast<LPARAM>(&data), SMTO_NORMAL | SMTO_ABORTIFHUNG,
                          options->timeout_ms, &result);
    PumpUntil(deadline, [] { return g_reply.fields.has_value(); });
    ::DestroyWindow(own);

    if (!g_reply.fields) {
        std::fputs("wandrel_query: no reply\n", stderr);
        return 1;
    }
    if (options->raw) {
        std::printf("%s\n", g_reply.text->c_str());
    } else {
        static const char* const kNames[query::kReplyFields] = {
            "tag",          "nickname",       "distance_cm", "keys",       "left_clicks",
            "right_clicks", "special_clicks", "scrolls",     "uptime_min", "usetime_min"};
        for (size_t i = 0; i < query::kReplyFields; ++i)
            std::printf("%s=%s\n", kNames[i], (*g_reply.fields)[i].c_str());
    }
    std::fflush(stdout);
    return 0;
}
