#include "win_test_support.h"

#include "base/win32/unique_handle.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace wintest {

const wchar_t kXdotool[] = L"Z:\\usr\\bin\\xdotool";

bool PumpUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
    const ULONGLONG deadline = GetTickCount64() + static_cast<ULONGLONG>(timeout.count());
    while (!done()) {
        const ULONGLONG now = GetTickCount64();
        if (now >= deadline)
            return false;
        // Wakes for any message (the 1 ms timer included) or after a short while.
        const DWORD wait = static_cast<DWORD>(std::min<ULONGLONG>(deadline - now, 5));
        MsgWaitForMultipleObjects(0, nullptr, FALSE, wait, QS_ALLINPUT);
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
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

RunResult RunPumping(const std::wstring& command_line, std::chrono::milliseconds timeout) {
    RunResult result;
    // The output goes to a file of its own (a file just deleted may still be pending
    // deletion), read once the program has ended.
    static int runs = 0;
    const std::wstring log = TempPath(L"wandrel-run-" + std::to_wstring(::GetCurrentProcessId()) +
                                      L"-" + std::to_wstring(++runs));
    SECURITY_ATTRIBUTES sa{sizeof(sa), nullptr, TRUE};
    win32::UniqueHandleKernel out(::CreateFileW(log.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &sa,
                                                CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    STARTUPINFOW si{};
    si.cb = sizeof(si);
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdOutput = si.hStdError = out.get();
    si.hStdInput = ::GetStdHandle(STD_INPUT_HANDLE);
    PROCESS_INFORMATION pi{};
    std::wstring cmd = command_line;
    if (!out || !::CreateProcessW(nullptr, &cmd[0], nullptr, nullptr, TRUE, CREATE_NO_WINDOW,
                                  nullptr, nullptr, &si, &pi))
        return result;
    win32::UniqueHandleKernel process(pi.hProcess), thread(pi.hThread);
    out.reset();
    result.finished = PumpUntil(
        [&] { return ::WaitForSingleObject(process.get(), 0) == WAIT_OBJECT_0; }, timeout);
    if (!result.finished) {
        ::TerminateProcess(process.get(), 99);
        ::WaitForSingleObject(process.get(), 5000);
    }
    ::GetExitCodeProcess(process.get(), &result.exit_code);
    std::ifstream in(std::filesystem::path(log), std::ios::binary);
    result.output.assign(std::istreambuf_iterator<char>(in), {});
    in.close();
    ::DeleteFileW(log.c_str());
    return result;
}

bool XdotoolAvailable() {
    return GetFileAttributesW(kXdotool) != INVALID_FILE_ATTRIBUTES;
}

bool RunXdotool(const std::wstring& arguments) {
    // Every Wine prefix on the display has a virtual desktop window covering the screen, and
    // X sends pointer events to the topmost one: raise ours first, in the same run. Key
    // events go to the window under the pointer unless the focus is set, and a test running
    // beside this one may map its own desktop on top at any moment: give ours the focus too.
    std::wstring command = L"xdotool ";
    const auto desktop =
        reinterpret_cast<uintptr_t>(GetPropW(GetDesktopWindow(), L"__wine_x11_whole_window"));
    if (desktop != 0) {
        const std::wstring id = std::to_wstring(desktop);
        command += L"windowraise " + id + L" windowfocus " + id + L" ";
    }
    command += arguments;
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessW(kXdotool, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si,
                        &pi))
        return false;
    win32::UniqueHandleKernel process(pi.hProcess), thread(pi.hThread);
    return true;
}

namespace {

constexpr ULONGLONG kStaleLockAge = 60ULL * 10000000ULL; // one minute in 100 ns units

bool IsStale(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data))
        return false;
    FILETIME now_ft;
    GetSystemTimeAsFileTime(&now_ft);
    const ULARGE_INTEGER created{
        {data.ftCreationTime.dwLowDateTime, data.ftCreationTime.dwHighDateTime}};
    const ULARGE_INTEGER now{{now_ft.dwLowDateTime, now_ft.dwHighDateTime}};
    return now.QuadPart > created.QuadPart + kStaleLockAge;
}

} // namespace

InputLock::InputLock(DWORD timeout_ms) {
    if (GetFileAttributesW(L"Z:\\tmp") == INVALID_FILE_ATTRIBUTES) {
        held_ = true; // nothing shared to guard
        return;
    }
    wchar_t display[64] = L"";
    GetEnvironmentVariableW(L"DISPLAY", display, 64);
    std::wstring name = display;
    for (wchar_t& c : name)
        if (c == L':' || c == L'.' || c == L'/')
            c = L'_';
    path_ = L"Z:\\tmp\\wandrel-input-lock" + name;
    held_ = PumpUntil(
        [&] {
            if (CreateDirectoryW(path_.c_str(), nullptr))
                return true;
            if (IsStale(path_))
                RemoveDirectoryW(path_.c_str());
            return false;
        },
        timeout_ms);
}

InputLock::~InputLock() {
    if (held_ && !path_.empty())
        RemoveDirectoryW(path_.c_str());
}

namespace {

std::vector<std::wstring> g_debug_lines;
SRWLOCK g_debug_lock = SRWLOCK_INIT;

LONG CALLBACK CaptureDebugPrint(EXCEPTION_POINTERS* info) {
    const EXCEPTION_RECORD* record = info->ExceptionRecord;
    // DBG_PRINTEXCEPTION_WIDE_C carries the UTF-16 text, DBG_PRINTEXCEPTION_C the narrow one
    // (Wine raises the narrow one after the wide one when no debugger took that).
    std::wstring text;
    if (record->ExceptionCode == 0x4001000AL && record->NumberParameters >= 2) {
        text = reinterpret_cast<const wchar_t*>(record->ExceptionInformation[1]);
    } else if (record->ExceptionCode == DBG_PRINTEXCEPTION_C && record->NumberParameters >= 2) {
        for (auto c = reinterpret_cast<const char*>(record->ExceptionInformation[1]); *c; ++c)
            text += static_cast<wchar_t>(static_cast<unsigned char>(*c));
    } else {
        return EXCEPTION_CONTINUE_SEARCH;
    }
    ::AcquireSRWLockExclusive(&g_debug_lock);
    g_debug_lines.push_back(text);
    ::ReleaseSRWLockExclusive(&g_debug_lock);
    return EXCEPTION_CONTINUE_SEARCH;
}

} // namespace

DebugOutputCapture::DebugOutputCapture() {
    ::AcquireSRWLockExclusive(&g_debug_lock);
    g_debug_lines.clear();
    ::ReleaseSRWLockExclusive(&g_debug_lock);
    handler_ = ::AddVectoredExceptionHandler(1, &CaptureDebugPrint);
}

DebugOutputCapture::~DebugOutputCapture() {
    if (handler_)
        ::RemoveVectoredExceptionHandler(handler_);
}

std::vector<std::wstring> DebugOutputCapture::lines() const {
    ::AcquireSRWLockExclusive(&g_debug_lock);
    std::vector<std::wstring> copy = g_debug_lines;
    ::ReleaseSRWLockExclusive(&g_debug_lock);
    return copy;
}

std::wstring DebugOutputCapture::Find(const std::wstring& text) const {
    for (const std::wstring& line : lines())
        if (line.find(text) != std::wstring::npos)
            return line;
    return {};
}

} // namespace wintest
