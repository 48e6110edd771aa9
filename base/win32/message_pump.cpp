#include "base/win32/message_pump.h"

#include "base/win32/dialog_base.h"

namespace win32 {

namespace {

void Dispatch(MSG& msg) {
    // Tab moves between the boxes of an open dialog; Enter stays with the boxes themselves
    // (Enter in the installer's password box registers).
    if (msg.message == WM_KEYDOWN && msg.wParam == VK_TAB) {
        const HWND dialog = DialogBase::ModelessDialogOf(msg.hwnd);
        if (dialog && ::IsDialogMessageW(dialog, &msg))
            return;
    }
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
}

// Dispatches what waits. Records a WM_QUIT instead of handling it.
void DispatchWaiting(bool& quit, WPARAM& quit_code) {
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            quit = true;
            quit_code = msg.wParam;
            continue;
        }
        Dispatch(msg);
    }
}

} // namespace

int RunMessageLoop() {
    MSG msg;
    while (::GetMessageW(&msg, nullptr, 0, 0) > 0)
        Dispatch(msg);
    return static_cast<int>(msg.wParam);
}

void ProcessPendingMessages() {
    bool quit = false;
    WPARAM quit_code = 0;
    DispatchWaiting(quit, quit_code);
    if (quit)
        ::PostQuitMessage(static_cast<int>(quit_code));
}

bool WaitPumpingMessages(HANDLE event, DWORD timeout_ms) {
    const ULONGLONG deadline = ::GetTickCount64() + timeout_ms;
    bool quit = false;
    WPARAM quit_code = 0;
    bool signalled = false;
    for (;;) {
        const ULONGLONG now = ::GetTickCount64();
        const DWORD remaining = now >= deadline ? 0 : static_cast<DWORD>(deadline - now);
        const DWORD r =
            ::MsgWaitForMultipleObjectsEx(1, &event, remaining, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
        if (r == WAIT_OBJECT_0) {
            signalled = true;
            break;
        }
        if (r != WAIT_OBJECT_0 + 1)
            break; // time-out or failure
        DispatchWaiting(quit, quit_code);
    }
    if (quit)
        ::PostQuitMessage(static_cast<int>(quit_code));
    return signalled;
}

} // namespace win32
