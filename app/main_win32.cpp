// Program entry of TheWandrel.exe: the main window's start-up, then the message loop.
#include "app/client_win32.h"

#include <commctrl.h>

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES};
    ::InitCommonControlsEx(&controls);

    Client client;
    client.Startup(instance);

    MSG msg;
    while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
        // Tab moves between the installer's boxes; Enter stays with the boxes themselves
        // (Enter in the password box registers).
        const HWND dialog = client.DialogWindow();
        if (dialog && msg.message == WM_KEYDOWN && msg.wParam == VK_TAB &&
            ::IsDialogMessageW(dialog, &msg))
            continue;
        // The update download window is a dialog: Escape closes it.
        const HWND download = client.DownloadDialog();
        if (download && ::IsDialogMessageW(download, &msg))
            continue;
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
    return static_cast<int>(msg.wParam);
}
