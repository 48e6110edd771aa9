#include "base/win32/process_start.h"

#include "base/win32/last_error.h"
#include "base/win32/unique_handle.h"

namespace win32 {

std::optional<DWORD> StartProcess(const std::wstring& command_line) {
    std::wstring line = command_line; // CreateProcessW may write into it
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOWNORMAL;
    PROCESS_INFORMATION process{};
    if (!::CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                          &startup, &process)) {
        ::SetLastError(LogFailure(L"CreateProcessW", ::GetLastError(), command_line));
        return std::nullopt;
    }
    UniqueHandleKernel owned_process(process.hProcess), owned_thread(process.hThread);
    return process.dwProcessId;
}

std::wstring ModulePath(HMODULE module) {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = ::GetModuleFileNameW(module, path.data(), static_cast<DWORD>(path.size()));
        if (n == 0)
            return {};
        if (n < path.size()) {
            path.resize(n);
            return path;
        }
        path.resize(path.size() * 2);
    }
}

} // namespace win32
