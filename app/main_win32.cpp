// Program entry of TheWandrel.exe: the main window's start-up, then the message loop. The
// test build of the client (WANDREL_TEST_HOOKS) also reads its test hooks here; the shipped
// program reads no environment variable.
#include "app/client_win32.h"
#include "base/win32/message_pump.h"
#include "base/win32/process_start.h"

#include <commctrl.h>

#ifdef WANDREL_TEST_HOOKS
#include "base/text_encoding.h"

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

    int exit_code = 0;
    bool restart = false;
    {
        Client client;
#ifdef WANDREL_TEST_HOOKS
        client.UseTestHooks(ReadTestHooks());
#endif
        client.Startup(instance);
        exit_code = win32::RunMessageLoop();
        restart = client.RestartWanted();
    }
    // The first-run installer registered this computer: the counting client is this program
    // started afresh, now that the client above has let go of its single-instance mutex.
    if (restart)
        win32::StartProcess(L"\"" + win32::ModulePath() + L"\"");
    return exit_code;
}
