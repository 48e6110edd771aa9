// Helpers for the Windows tests: hidden windows, waiting with a deadline while pumping
// messages, running a program beside the test executable.
#pragma once

#include <windows.h>

#include <chrono>
#include <functional>
#include <string>

namespace wintest {

// Pumps this thread's messages until `done` returns true or `timeout` passes.
inline bool PumpUntil(const std::function<bool()>& done,
                      std::chrono::milliseconds timeout = std::chrono::seconds(10)) {
    const ULONGLONG deadline = ::GetTickCount64() + static_cast<ULONGLONG>(timeout.count());
    for (;;) {
        MSG msg;
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
        if (done())
            return true;
        const ULONGLONG now = ::GetTickCount64();
        if (now >= deadline)
            return false;
        const ULONGLONG left = deadline - now;
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(left < 20 ? left : 20),
                                    QS_ALLINPUT);
    }
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

// The folder of the test executable, with a trailing backslash.
inline std::wstring ProgramFolder() {
    wchar_t path[MAX_PATH];
    const DWORD n = ::GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring p(path, n);
    return p.substr(0, p.find_last_of(L'\\') + 1);
}

struct RunResult {
    bool finished = false;
    DWORD exit_code = 0;
    std::string output;
};

// Runs a command line and pumps this thread's messages while it runs (the program may be
// talking to this thread's windows), for at most `timeout`.
RunResult RunPumping(const std::wstring& command_line,
                     std::chrono::milliseconds timeout = std::chrono::seconds(20));

} // namespace wintest
