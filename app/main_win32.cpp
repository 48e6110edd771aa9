// Program entry of TheWandrel.exe: the main window's start-up, then the message loop.
#include "app/client_win32.h"
#include "base/win32/message_pump.h"
#include "base/win32/process_start.h"

#include <commctrl.h>

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES};
    ::InitCommonControlsEx(&controls);

    int exit_code = 0;
    bool restart = false;
    {
        Client client;
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
