// wandrel_drive: what the end-to-end tests do to a client besides typing and moving the
// pointer, done the way the shell, another program or the user would. One action a run:
//
//   account login=NICK password=PW key=KEY6 [distance=CM] [keys=N]
//                      writes an account with the program's own writers, as the installer
//                      leaves it, with counts waiting to be sent
//   tray MESSAGE       posts a tray icon notification (0x203 double-click, 0x205 right-up)
//   menu open|closed   waits until a popup menu is shown, or until none is
//   taskbar-created    broadcasts what the shell sends when it re-creates the taskbar
//   remove-tray-icon   takes the client's icon out of the notification area
//   answer-box TITLE [BUTTON]
//                      waits for a box of that title, prints its text ("text=...", line
//                      breaks as "|") and presses BUTTON (IDOK by default)
//   memory-find VALUE FILE
//                      searches the client's memory for the 32-bit VALUE (the first time), or
//                      keeps the addresses of FILE that hold VALUE now; prints "candidates=N"
//   memory-write VALUE FILE
//                      writes VALUE at every address of FILE in the client's memory
//   window TITLE [BUTTON [click]]
//                      waits (a minute at most) for a visible window whose title starts with
//                      TITLE and, with BUTTON, for an enabled visible button of that text in
//                      it ("&" ignored); paints what is due, prints the texts of its
//                      controls ("text=a|b|...") and with "click" presses the button
//   settings ID [click|select N|text]
//                      in the configuration dialog: prints the control's state ("text=",
//                      "checked=", "visible=", "enabled="); "click" posts BM_CLICK, "select"
//                      chooses entry N of a list as the user would
//   display            prints the distance display's state: "open=0" when none is shown,
//                      else "open=1", its label's text ("text=...", lines as "|") and its
//                      place on the screen ("rect=left,top,right,bottom")
//
// Exit code 0 when the action was done, 1 when it could not be (the reason on stderr), 2 for
// a command line it does not know.
#include "net/query_protocol.h"
#include "tests/driver/memory_search_win32.h"
#include "storage/cryptage.h"
#include "storage/data_files.h"
#include "storage/data_folder_win32.h"
#include "storage/file_store_win32.h"
#include "storage/registry_settings_store_win32.h"
#include "ui/configuration_window_win32.h"
#include "ui/display_window_win32.h"

#include <windows.h>

#include <shellapi.h>

#include <cstdio>
#include <cwchar>
#include <functional>
#include <map>
#include <string>

namespace {

constexpr DWORD kWaitMs = 20000;

int Fail(const char* what) {
    std::fprintf(stderr, "wandrel_drive: %s (error %lu)\n", what, ::GetLastError());
    return 1;
}

std::string Utf8(const std::wstring& wide) {
    std::string out(wide.size() * 3 + 1, '\0');
    const int n = ::WideCharToMultiByte(CP_UTF8, 0, wide.c_str(), static_cast<int>(wide.size()),
                                        out.data(), static_cast<int>(out.size()), nullptr, nullptr);
    out.resize(static_cast<size_t>(n > 0 ? n : 0));
    return out;
}

// Polls `find` until it gives a window or the deadline passes.
HWND WaitForWindow(const std::function<HWND()>& find, DWORD wait_ms = kWaitMs) {
    const ULONGLONG deadline = ::GetTickCount64() + wait_ms;
    HWND found = nullptr;
    while (!(found = find()) && ::GetTickCount64() < deadline)
        ::Sleep(20);
    return found;
}

HWND Client() {
    return WaitForWindow([] { return ::FindWindowW(query::kClientWindowClass, nullptr); });
}

// A window's text on one line: each line break as `line_break`.
std::wstring TextOf(HWND window, wchar_t line_break = L'\n') {
    wchar_t text[512] = L"";
    ::GetWindowTextW(window, text, 512);
    std::wstring out;
    for (const wchar_t* c = text; *c; ++c)
        if (*c != L'\r')
            out += *c == L'\n' ? line_break : *c;
    return out;
}

BOOL CALLBACK AppendStaticText(HWND child, LPARAM out) {
    wchar_t cls[32] = {};
    ::GetClassNameW(child, cls, 32);
    if (::lstrcmpiW(cls, L"Static") == 0)
        *reinterpret_cast<std::wstring*>(out) += TextOf(child, L'|');
    return TRUE;
}

int WriteAccount(int argc, wchar_t** argv) {
    std::map<std::string, std::string> args{{"login", "walker"},
                                            {"password", "secret"},
                                            {"key", "ABC123"},
                                            {"distance", "0"},
                                            {"keys", "0"}};
    for (int i = 0; i < argc; ++i) {
        const std::string arg = Utf8(argv[i]);
        const size_t eq = arg.find('=');
        if (eq == std::string::npos || !args.count(arg.substr(0, eq)))
            return 2;
        args[arg.substr(0, eq)] = arg.substr(eq + 1);
    }
    const std::optional<std::wstring> folder = DataFolder();
    if (!folder)
        return Fail("no data folder");
    Win32FileStore files(*folder);
    RegistrySettingsStore settings;
    const std::optional<std::string> clef = CodePaires(args["key"]);
    if (!clef)
        return Fail("the key cannot be pair-coded");
    CounterSet counters;
    GiveBack(counters, SentCounts{std::stoi(args["distance"]), std::stoi(args["keys"])});
    if (EnregistreCle(files, *clef) != SaveResult::Saved ||
        EnregistrePwd(files, args["password"]) != SaveResult::Saved ||
        EnregistreDonnees(files, counters, *clef) != SaveResult::Saved)
        return Fail("a data file could not be written");
    if (!settings.Write(kSettingsKey + "Login", args["login"]))
        return Fail("the nickname could not be written");
    return 0;
}

int AnswerBox(const wchar_t* title, int button) {
    HWND box = WaitForWindow([&] { return ::FindWindowW(nullptr, title); });
    if (!box)
        return Fail("no box of that title");
    std::wstring text;
    ::EnumChildWindows(box, AppendStaticText, reinterpret_cast<LPARAM>(&text));
    std::printf("text=%s\n", Utf8(text).c_str());
    return ::PostMessageW(box, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0) ? 0
                                                                              : Fail("PostMessage");
}

HWND ShownMenu() {
    HWND menu = ::FindWindowW(L"#32768", nullptr);
    return menu && ::IsWindowVisible(menu) ? menu : nullptr;
}

int RemoveTrayIcon() {
    NOTIFYICONDATAW record{};
    record.cbSize = sizeof record;
    record.hWnd = Client();
    record.uID = 1;
    if (!record.hWnd)
        return Fail("no client window");
    return ::Shell_NotifyIconW(NIM_DELETE, &record) ? 0 : Fail("Shell_NotifyIcon");
}

struct ButtonSearch {
    std::wstring title;
    std::wstring button;
    HWND window = nullptr;
    HWND found = nullptr;
};

std::wstring WithoutAmpersands(std::wstring text) {
    std::wstring out;
    for (wchar_t c : text)
        if (c != L'&')
            out += c;
    return out;
}

BOOL CALLBACK FindButtonChild(HWND child, LPARAM data) {
    auto* search = reinterpret_cast<ButtonSearch*>(data);
    wchar_t cls[32] = {};
    ::GetClassNameW(child, cls, 32);
    if (::lstrcmpiW(cls, L"Button") == 0 && ::IsWindowVisible(child) && ::IsWindowEnabled(child) &&
        WithoutAmpersands(TextOf(child)) == search->button) {
        search->found = child;
        return FALSE;
    }
    return TRUE;
}

BOOL CALLBACK FindTitledWindow(HWND window, LPARAM data) {
    auto* search = reinterpret_cast<ButtonSearch*>(data);
    if (!::IsWindowVisible(window) || TextOf(window).rfind(search->title, 0) != 0)
        return TRUE;
    if (!search->button.empty())
        ::EnumChildWindows(window, FindButtonChild, data);
    if (search->button.empty() || search->found) {
        search->window = window;
        return FALSE;
    }
    return TRUE;
}

// Every control's text followed by "|", its line breaks as blanks.
BOOL CALLBACK AppendAnyText(HWND child, LPARAM out) {
    const std::wstring text = TextOf(child, L' ');
    if (!text.empty())
        *reinterpret_cast<std::wstring*>(out) += text + L"|";
    return TRUE;
}

int WindowButton(const wchar_t* title, const wchar_t* button, bool click) {
    ButtonSearch search{title, button ? button : L""};
    const auto find = [&] {
        search.window = search.found = nullptr;
        ::EnumWindows(FindTitledWindow, reinterpret_cast<LPARAM>(&search));
        return search.window;
    };
    if (!WaitForWindow(find, 3 * kWaitMs))
        return Fail("no such window or button");
    // Whatever is due to be painted is painted before this returns (a screenshot follows).
    ::RedrawWindow(search.window, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    std::wstring text;
    ::EnumChildWindows(search.window, AppendAnyText, reinterpret_cast<LPARAM>(&text));
    std::printf("text=%s\n", Utf8(text).c_str());
    if (click && !::PostMessageW(search.found, BM_CLICK, 0, 0))
        return Fail("PostMessage");
    return 0;
}

int SettingsControl(int id, const std::wstring& action, int entry) {
    const HWND dialog = WaitForWindow([] { return ::FindWindowW(L"#32770", win32::ConfigurationWindow::kTitle); });
    const HWND control = dialog ? ::GetDlgItem(dialog, id) : nullptr;
    if (!control)
        return Fail("no configuration dialog or no such control");
    if (action == L"click" && !::PostMessageW(control, BM_CLICK, 0, 0))
        return Fail("PostMessage");
    if (action == L"select") {
        ::SendMessageW(control, CB_SETCURSEL, static_cast<WPARAM>(entry), 0);
        ::PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE),
                       reinterpret_cast<LPARAM>(control));
    }
    const std::wstring text = TextOf(control, L' ');
    std::printf("text=%s\nchecked=%d\nvisible=%d\nenabled=%d\n", Utf8(text).c_str(),
                ::SendMessageW(control, BM_GETCHECK, 0, 0) == BST_CHECKED ? 1 : 0,
                ::IsWindowVisible(control) ? 1 : 0, ::IsWindowEnabled(control) ? 1 : 0);
    return 0;
}

int DisplayState() {
    const HWND display = ::FindWindowW(win32::DisplayWindow::kClassName, nullptr);
    if (!display || !::IsWindowVisible(display)) {
        std::printf("open=0\n");
        return 0;
    }
    const std::wstring line = TextOf(::GetWindow(display, GW_CHILD), L'|');
    RECT r{};
    ::GetWindowRect(display, &r);
    std::printf("open=1\ntext=%s\nrect=%ld,%ld,%ld,%ld\n", Utf8(line).c_str(), r.left, r.top,
                r.right, r.bottom);
    return 0;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    const std::wstring action = argc > 1 ? argv[1] : L"";
    if (action == L"account")
        return WriteAccount(argc - 2, argv + 2);
    if (action == L"tray" && argc == 3) {
        HWND client = Client();
        if (!client)
            return Fail("no client window");
        return ::PostMessageW(client, 0x0200, 1, std::wcstol(argv[2], nullptr, 0))
                   ? 0
                   : Fail("PostMessage");
    }
    if (action == L"menu" && argc == 3) {
        const bool open = std::wstring(argv[2]) == L"open";
        const HWND done = WaitForWindow([open] {
            const HWND menu = ShownMenu();
            return open ? menu : menu ? nullptr : ::GetDesktopWindow();
        });
        return done ? 0 : Fail(open ? "no menu came" : "the menu stayed");
    }
    if (action == L"taskbar-created") {
        DWORD_PTR result = 0;
        ::SendMessageTimeoutW(HWND_BROADCAST, ::RegisterWindowMessageW(L"TaskbarCreated"), 0, 0,
                              SMTO_ABORTIFHUNG, 5000, &result);
        return 0;
    }
    if (action == L"remove-tray-icon")
        return RemoveTrayIcon();
    if (action == L"answer-box" && (argc == 3 || argc == 4))
        return AnswerBox(argv[2], argc == 4 ? _wtoi(argv[3]) : IDOK);
    if ((action == L"memory-find" || action == L"memory-write") && argc == 4) {
        DWORD process_id = 0;
        if (HWND client = Client())
            ::GetWindowThreadProcessId(client, &process_id);
        if (!process_id)
            return Fail("no client window");
        const auto value = static_cast<int32_t>(std::wcstol(argv[2], nullptr, 10));
        return action == L"memory-find" ? MemoryFind(process_id, value, argv[3])
                                        : MemoryWrite(process_id, value, argv[3]);
    }
    if (action == L"window" && argc >= 3 && argc <= 5)
        return WindowButton(argv[2], argc >= 4 ? argv[3] : nullptr,
                            argc == 5 && std::wstring(argv[4]) == L"click");
    if (action == L"display")
        return DisplayState();
    if (action == L"settings" && argc >= 3 && argc <= 5)
        return SettingsControl(_wtoi(argv[2]), argc >= 4 ? argv[3] : L"",
                               argc == 5 ? _wtoi(argv[4]) : 0);
    std::fprintf(stderr, "wandrel_drive: unknown action\n");
    return 2;
}
