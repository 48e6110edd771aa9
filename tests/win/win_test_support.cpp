#include "win_test_support.h"

#include "app/win32/unique_handle.h"

#include <algorithm>

namespace wintest {

namespace {

const wchar_t kXdotool[] = L"Z:\\usr\\bin\\xdotool";

void PumpMessages() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

} // namespace

bool PumpUntil(const std::function<bool()>& done, DWORD timeout_ms) {
    const ULONGLONG deadline = GetTickCount64() + timeout_ms;
    while (!done()) {
        const ULONGLONG now = GetTickCount64();
        if (now >= deadline)
            return false;
        // Wakes for any message (the 1 ms timer included) or after a short while.
        const DWORD wait = static_cast<DWORD>(std::min<ULONGLONG>(deadline - now, 5));
        MsgWaitForMultipleObjects(0, nullptr, FALSE, wait, QS_ALLINPUT);
        PumpMessages();
    }
    return true;
}

HANDLE StartPeerTest(const std::wstring& test_name) {
    wchar_t exe[MAX_PATH];
    const DWORD n = GetModuleFileNameW(nullptr, exe, MAX_PATH);
    if (n == 0 || n >= MAX_PATH)
        return nullptr;
    std::wstring command = L"\"" + std::wstring(exe) +
                           L"\" --gtest_also_run_disabled_tests --gtest_filter=" + test_name;
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessW(exe, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si,
                        &pi))
        return nullptr;
    CloseHandle(pi.hThread);
    return pi.hProcess;
}

bool XdotoolAvailable() {
    return GetFileAttributesW(kXdotool) != INVALID_FILE_ATTRIBUTES;
}

bool RunXdotool(const std::wstring& arguments) {
    std::wstring command = L"xdotool " + arguments;
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessW(kXdotool, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si,
                        &pi))
        return false;
    win32::UniqueHandleKernel process(pi.hProcess), thread(pi.hThread);
    return true;
}

} // namespace wintest
