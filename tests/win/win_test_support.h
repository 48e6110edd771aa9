// Helpers shared by the Windows tests.
#pragma once

#include <windows.h>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

namespace wintest {

// Pumps this thread's messages until `done` holds or the timeout passes; returns `done()`.
bool PumpUntil(const std::function<bool()>& done,
               std::chrono::milliseconds timeout = std::chrono::seconds(10));
inline bool PumpUntil(const std::function<bool()>& done, DWORD timeout_ms) {
    return PumpUntil(done, std::chrono::milliseconds(timeout_ms));
}

// A hidden top-level window of the given class, whose procedure is `proc` (or the default).
inline HWND CreateHiddenWindow(const wchar_t* class_name, WNDPROC proc = ::DefWindowProcW) {
    WNDCLASSW wc{};
    wc.lpfnWndProc = proc;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.lpszClassName = class_name;
    ::RegisterClassW(&wc);
    return ::CreateWindowExW(WS_EX_TOOLWINDOW, class_name, L"", WS_POPUP, 0, 0, 0, 0, nullptr,
                             nullptr, wc.hInstance, nullptr);
}

// A window's text (a control's caption, a label's lines).
inline std::wstring WindowText(HWND window) {
    wchar_t text[1024] = L"";
    ::GetWindowTextW(window, text, 1024);
    return text;
}

// `name` in the temporary folder.
inline std::wstring TempPath(const std::wstring& name) {
    wchar_t temp[MAX_PATH];
    ::GetTempPathW(MAX_PATH, temp);
    return temp + name;
}

// The folder of the test executable, with a trailing backslash.
inline std::wstring ProgramFolder() {
    wchar_t path[MAX_PATH];
    const DWORD n = ::GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring p(path, n);
    return p.substr(0, p.find_last_of(L'\\') + 1);
}

// Starts this test program running only `test_name` (a disabled test, so the normal run
// skips it). Returns the process handle, or null.
HANDLE StartPeerTest(const std::wstring& test_name);

struct RunResult {
    bool finished = false;
    DWORD exit_code = 0;
    std::string output;
};

// Runs a command line and pumps this thread's messages while it runs (the program may be
// talking to this thread's windows), for at most `timeout`.
RunResult RunPumping(const std::wstring& command_line,
                     std::chrono::milliseconds timeout = std::chrono::seconds(20));

// xdotool under Wine, after raising this prefix's virtual desktop above those of other test
// runs on the display. Its process cannot be waited on: callers poll the effect.
bool XdotoolAvailable();
bool RunXdotool(const std::wstring& arguments);

// Held by every test that moves the pointer or injects input: all Wine prefixes on one X
// display share its pointer. A directory in the Unix /tmp named after the display (mkdir is
// atomic); one left behind by a crashed run is taken over after a minute.
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

// Collects what this process writes with OutputDebugString while it lives (as a debugger
// would see it): the calls raise a debug-print exception, which a first vectored handler sees
// and leaves to the system.
class DebugOutputCapture {
  public:
    DebugOutputCapture();
    ~DebugOutputCapture();
    DebugOutputCapture(const DebugOutputCapture&) = delete;
    DebugOutputCapture& operator=(const DebugOutputCapture&) = delete;
    // Everything written so far, one string per call.
    std::vector<std::wstring> lines() const;
    // The first line that holds `text`, or the empty text.
    std::wstring Find(const std::wstring& text) const;

  private:
    void* handler_ = nullptr;
};

} // namespace wintest
