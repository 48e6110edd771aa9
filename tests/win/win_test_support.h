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

// xdotool under Wine (a Unix program Wine starts by path), after raising this prefix's
// virtual desktop above those of other test runs on the same display. Its process cannot be
// waited on, so callers poll the effect. False when xdotool is not available (not under Wine).
bool XdotoolAvailable();
bool RunXdotool(const std::wstring& arguments);

// Held by every test that moves the pointer or injects input: all Wine prefixes on one X
// display share its pointer, so such tests must not overlap, even across test processes.
// The lock is a directory in the Unix /tmp (mkdir is atomic), named after the display; one
// left behind by a crashed run is taken over after a minute. Where there is no /tmp (not under
// Wine) it locks nothing.
class InputLock {
  public:
    explicit InputLock(DWORD timeout_ms = 120000);
    ~InputLock();
    InputLock(const InputLock&) = delete;
    InputLock& operator=(const InputLock&) = delete;
    bool held() const { return held_; }

  private:
    std::wstring path_;
    bool held_ = false;
};

} // namespace wintest
