// Not tests of their own: the end-to-end tests run these (disabled tests, skipped by the
// normal run) to act on a running client as the shell or another program would.
//   DISABLED_TrayNotify      WANDREL_TRAY_MOUSE=0x203|0x205: a tray icon notification
//   DISABLED_MenuItem        WANDREL_MENU_ITEM=n: clicks entry n (0-based, separators
//                            counted) of the open popup menu with the mouse
//   DISABLED_SetCursor       WANDREL_CURSOR=x,y: moves the pointer by software (no device
//                            movement), as another program would
//   DISABLED_TaskbarCreated  the broadcast the shell sends when the taskbar is re-created
//   DISABLED_RemoveTrayIcon  takes the client's icon out of the notification area, as a
//                            restarting shell loses it
//   DISABLED_AnswerBox       WANDREL_BOX_TITLE: waits for a message box of that title, prints
//                            its text ("text=...") and presses its button
//                            WANDREL_BOX_BUTTON (IDOK by default)
//   DISABLED_Focus           prints the state of the first-run installer window: the control
//                            that has the keyboard focus ("focus=Pwd class=Edit"), the length
//                            and enabled state of the account boxes and the Install button's
//                            centre on the screen
//   DISABLED_Display         prints the distance display's state: "open=0" when there is
//                            none, else "open=1", its label text ("text=", lines joined by
//                            "|") and its place on the screen ("rect=left,top,right,bottom")
//   DISABLED_HostileQueries  malformed count queries: none may be answered, and the client
//                            must still answer a good one afterwards
#include "net/query_protocol.h"
#include "ui/installer_window_win32.h"
#include "ui/display_window_win32.h"
#include "win_test_support.h"

#include <gtest/gtest.h>

#include <shellapi.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>

namespace {

HWND FindClient() {
    HWND client = nullptr;
    wintest::PumpUntil(
        [&] { return (client = ::FindWindowW(query::kClientWindowClass, nullptr)) != nullptr; },
        10000);
    return client;
}

int g_replies = 0;

std::string Utf8(const std::wstring& wide) {
    std::string out(wide.size() * 3 + 1, '\0');
    const int n = ::WideCharToMultiByte(CP_UTF8, 0, wide.c_str(), static_cast<int>(wide.size()),
                                        out.data(), static_cast<int>(out.size()), nullptr, nullptr);
    out.resize(static_cast<size_t>(std::max(n, 0)));
    return out;
}

std::wstring TextOf(HWND window) {
    std::wstring text(512, L'\0');
    text.resize(static_cast<size_t>(::GetWindowTextW(window, text.data(), 512)));
    return text;
}

// The message box's text: its static controls, line breaks written as "|".
BOOL CALLBACK AppendStaticText(HWND child, LPARAM out) {
    wchar_t cls[32] = {};
    ::GetClassNameW(child, cls, 32);
    if (::lstrcmpiW(cls, L"Static") == 0) {
        for (wchar_t c : TextOf(child))
            if (c != L'\r')
                *reinterpret_cast<std::wstring*>(out) += c == L'\n' ? L'|' : c;
    }
    return TRUE;
}

LRESULT CALLBACK ReplyProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_COPYDATA) {
        ++g_replies;
        return TRUE;
    }
    return ::DefWindowProcW(hwnd, message, wparam, lparam);
}

void SendQuery(HWND client, HWND from, ULONG_PTR tag, const std::string& text, DWORD size) {
    COPYDATASTRUCT data{tag, size, const_cast<char*>(text.data())};
    DWORD_PTR result = 0;
    ::SendMessageTimeoutW(client, WM_COPYDATA, reinterpret_cast<WPARAM>(from),
                          reinterpret_cast<LPARAM>(&data), SMTO_ABORTIFHUNG, 5000, &result);
}

} // namespace

TEST(E2EDrive, DISABLED_TrayNotify) {
    HWND client = FindClient();
    ASSERT_TRUE(client);
    const char* mouse = std::getenv("WANDREL_TRAY_MOUSE");
    ASSERT_TRUE(mouse);
    ASSERT_TRUE(::PostMessageW(client, 0x0200, 1, std::strtol(mouse, nullptr, 0)));
}

TEST(E2EDrive, DISABLED_MenuItem) {
    const char* item = std::getenv("WANDREL_MENU_ITEM");
    ASSERT_TRUE(item);
    HWND menu_window = nullptr;
    ASSERT_TRUE(wintest::PumpUntil(
        [&] {
            menu_window = ::FindWindowW(L"#32768", nullptr);
            return menu_window && ::IsWindowVisible(menu_window);
        },
        10000));
    const auto menu = reinterpret_cast<HMENU>(::SendMessageW(menu_window, MN_GETHMENU, 0, 0));
    ASSERT_TRUE(menu);
    RECT rect{};
    ASSERT_TRUE(::GetMenuItemRect(nullptr, menu, static_cast<UINT>(std::atoi(item)), &rect));
    ::SetCursorPos((rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2);
    ::Sleep(60);
    INPUT click[2]{};
    click[0].type = click[1].type = INPUT_MOUSE;
    click[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    click[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
    ::SendInput(1, &click[0], sizeof(INPUT));
    ::Sleep(60);
    ::SendInput(1, &click[1], sizeof(INPUT));
}

TEST(E2EDrive, DISABLED_SetCursor) {
    const char* at = std::getenv("WANDREL_CURSOR");
    ASSERT_TRUE(at);
    int x = 0, y = 0;
    ASSERT_EQ(std::sscanf(at, "%d,%d", &x, &y), 2);
    ASSERT_TRUE(::SetCursorPos(x, y));
}

TEST(E2EDrive, DISABLED_TaskbarCreated) {
    const UINT taskbar_created = ::RegisterWindowMessageW(L"TaskbarCreated");
    DWORD_PTR result = 0;
    ::SendMessageTimeoutW(HWND_BROADCAST, taskbar_created, 0, 0, SMTO_ABORTIFHUNG, 5000, &result);
}

TEST(E2EDrive, DISABLED_RemoveTrayIcon) {
    HWND client = FindClient();
    ASSERT_TRUE(client);
    NOTIFYICONDATAW record{};
    record.cbSize = sizeof record;
    record.hWnd = client;
    record.uID = 1;
    EXPECT_TRUE(::Shell_NotifyIconW(NIM_DELETE, &record));
}

TEST(E2EDrive, DISABLED_AnswerBox) {
    const char* title = std::getenv("WANDREL_BOX_TITLE");
    ASSERT_TRUE(title);
    const std::wstring wide(title, title + std::strlen(title));
    HWND box = nullptr;
    ASSERT_TRUE(wintest::PumpUntil([&] { return (box = ::FindWindowW(nullptr, wide.c_str())); },
                                   20000));
    std::wstring text;
    ::EnumChildWindows(box, AppendStaticText, reinterpret_cast<LPARAM>(&text));
    std::printf("text=%s\n", Utf8(text).c_str());
    const char* button = std::getenv("WANDREL_BOX_BUTTON");
    const int id = button ? std::atoi(button) : IDOK;
    ASSERT_TRUE(::PostMessageW(box, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0));
}

TEST(E2EDrive, DISABLED_Focus) {
    using Installer = win32::InstallerWindow;
    HWND installer = nullptr;
    ASSERT_TRUE(wintest::PumpUntil(
        [&] { return (installer = ::FindWindowW(L"TheWandrelInstaller", nullptr)) != nullptr; },
        10000));
    GUITHREADINFO gui{};
    gui.cbSize = sizeof gui;
    ASSERT_TRUE(::GetGUIThreadInfo(::GetWindowThreadProcessId(installer, nullptr), &gui));
    const std::pair<int, const char*> names[] = {
        {Installer::kPseudo, "Pseudo"},     {Installer::kPwd, "Pwd"},
        {Installer::kUseProxy, "UseProxy"}, {Installer::kDefineProxy, "DefineProxy"},
        {Installer::kInstall, "Install"}};
    std::string focus = gui.hwndFocus == installer ? "window" : "none";
    if (gui.hwndFocus && ::GetParent(gui.hwndFocus) == installer) {
        focus = std::to_string(::GetDlgCtrlID(gui.hwndFocus));
        for (auto [id, name] : names)
            if (::GetDlgCtrlID(gui.hwndFocus) == id)
                focus = name;
    }
    wchar_t cls[64] = {};
    if (gui.hwndFocus)
        ::GetClassNameW(gui.hwndFocus, cls, 64);
    std::printf("focus=%s class=%s\n", focus.c_str(), Utf8(cls).c_str());
    for (auto [id, name] : names) {
        HWND control = ::GetDlgItem(installer, id);
        DWORD_PTR length = 0;
        ::SendMessageTimeoutW(control, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 5000, &length);
        std::printf("%s_length=%u %s_enabled=%d\n", name, static_cast<unsigned>(length), name,
                    ::IsWindowEnabled(control) ? 1 : 0);
    }
    RECT install{};
    ::GetWindowRect(::GetDlgItem(installer, Installer::kInstall), &install);
    std::printf("install_at=%ld,%ld\n", (install.left + install.right) / 2,
                (install.top + install.bottom) / 2);
}

TEST(E2EDrive, DISABLED_HostileQueries) {
    HWND client = FindClient();
    ASSERT_TRUE(client);
    HWND me = wintest::CreateHiddenWindow(L"E2EReplyWindow", ReplyProc);
    ASSERT_TRUE(me);
    const std::string handle = std::to_string(reinterpret_cast<intptr_t>(me));

    const std::string two_fields = "Wandrel'" + handle;
    const std::string four_fields = "Wandrel'" + handle + "'0'0";
    const std::string good = query::BuildRequest(static_cast<int32_t>(reinterpret_cast<intptr_t>(me)), 0);
    const std::string long_request = good + std::string(300, '9');
    const std::string dead_window = "Wandrel'12345678'0";
    const std::string bad_mode = "Wandrel'" + handle + "'256";

    SendQuery(client, me, 3, two_fields, static_cast<DWORD>(two_fields.size() + 1));
    SendQuery(client, me, 3, four_fields, static_cast<DWORD>(four_fields.size() + 1));
    SendQuery(client, me, 2, good, static_cast<DWORD>(good.size() + 1));
    SendQuery(client, me, 3, long_request, static_cast<DWORD>(long_request.size() + 1));
    SendQuery(client, me, 3, dead_window, static_cast<DWORD>(dead_window.size() + 1));
    SendQuery(client, me, 3, bad_mode, static_cast<DWORD>(bad_mode.size() + 1));
    SendQuery(client, me, 3, good, 0); // no data at all
    wintest::PumpUntil([] { return false; }, 300);
    EXPECT_EQ(g_replies, 0);

    SendQuery(client, me, 3, good, static_cast<DWORD>(good.size() + 1));
    EXPECT_TRUE(wintest::PumpUntil([] { return g_replies == 1; }, 3000));
    ::DestroyWindow(me);
}

TEST(E2EDrive, DISABLED_Display) {
    const HWND display = ::FindWindowW(win32::DisplayWindow::kClassName, nullptr);
    if (!display || !::IsWindowVisible(display)) {
        std::printf("open=0\n");
        return;
    }
    wchar_t text[512] = {};
    ::GetWindowTextW(::GetWindow(display, GW_CHILD), text, 512);
    std::string line;
    for (const wchar_t* c = text; *c; ++c) {
        if (*c == L'\r')
            continue;
        line += *c == L'\n' ? '|' : (*c < 128 ? static_cast<char>(*c) : '?');
    }
    RECT r{};
    ::GetWindowRect(display, &r);
    std::printf("open=1\ntext=%s\nrect=%ld,%ld,%ld,%ld\n", line.c_str(), r.left, r.top, r.right,
                r.bottom);
}
