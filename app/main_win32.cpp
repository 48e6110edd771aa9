// Program entry of TheWandrel.exe: the main window's start-up, then the message loop. The
// test build of the client (WANDREL_TEST_HOOKS) also reads its test hooks here; the shipped
// program reads no environment variable.
#include "app/client_win32.h"

#include <commctrl.h>

#ifdef WANDREL_TEST_HOOKS
#include "ui/text_encoding.h"

#include <cwchar>

namespace {

std::wstring Variable(const wchar_t* name) {
    wchar_t value[16] = {};
    const DWORD n = ::GetEnvironmentVariableW(name, value, 16);
    return n > 0 && n < 16 ? std::wstring(value, n) : std::wstring();
}

// WANDREL_MINUTE_MS (50 to 60000) shortens the minute; with it, WANDREL_CLOCK_START=HH:MM
// starts the minute tick's clock there.
Client::TestHooks ReadTestHooks() {
    Client::TestHooks hooks;
    const std::wstring minute = Variable(L"WANDREL_MINUTE_MS");
    if (!minute.empty())
        hooks.minute_ms = static_cast<UINT>(std::wcstoul(minute.c_str(), nullptr, 10));
    hooks.clock_start = ParseClockTime(Cp1252FromWide(Variable(L"WANDREL_CLOCK_START")));
    return hooks;
}

} // namespace
#endif

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES};
    ::InitCommonControlsEx(&controls);

    Client client;
#ifdef WANDREL_TEST_HOOKS
    client.UseTestHooks(ReadTestHooks());
#endif
    client.Startup(instance);

    MSG msg;
    while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
        // Tab moves between the installer's boxes; Enter stays with the boxes themselves
        // (Enter in the password box registers).
        const HWND dialog = client.DialogWindow();
        if (dialog && msg.message == WM_KEYDOWN && msg.wParam == VK_TAB &&
            ::IsDialogMessageW(dialog, &msg))
            continue;
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
    return static_cast<int>(msg.wParam);
}
