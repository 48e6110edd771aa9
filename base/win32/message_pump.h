// The one message pump of the program. The main loop, the short pumps of a sending and the
// wait for an HTTP answer all dispatch through it, so Tab moves between the controls of an
// open dialog wherever the messages are handled, and WM_QUIT always ends the main loop: a
// pump inside a handler keeps it until it returns and then posts it again.
#pragma once

#include <windows.h>

namespace win32 {

// The main loop: runs until WM_QUIT and returns its exit code.
int RunMessageLoop();

// Handles the messages waiting now, then returns.
void ProcessPendingMessages();

// Handles messages until `event` is signalled (true) or `timeout_ms` have passed (false).
bool WaitPumpingMessages(HANDLE event, DWORD timeout_ms);

} // namespace win32
