// Helpers shared by the Windows tests: bounded waits that keep the message loop running,
// starting this test program again as a peer process, and injecting input through xdotool.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

namespace wintest {

// Pumps this thread's messages until `done` holds or `timeout_ms` passes; returns `done()`.
bool PumpUntil(const std::function<bool()>& done, DWORD timeout_ms);

// Starts this test program running only `test_name` (a disabled test, so the normal run
// skips it). Returns the process handle, or null.
HANDLE StartPeerTest(const std::wstring& test_name);

// xdotool under Wine (a Unix program Wine starts by path). Its process cannot be waited on,
// so callers poll the effect. False when xdotool is not available (not under Wine).
bool XdotoolAvailable();
bool RunXdotool(const std::wstring& arguments);

} // namespace wintest
