#include "net/win32/goto_site.h"

#include "app/win32/last_error.h"
#include "app/win32/unique_handle.h"
#include "net/browser_launch.h"
#include "ui/text_encoding.h"

#include <windows.h>
#include <shellapi.h>

#include <vector>

namespace win32 {

std::wstring FindBrowser() {
    wchar_t temp[MAX_PATH + 1] = {};
    const DWORD length = ::GetTempPathW(MAX_PATH, temp);
    if (length == 0 || length > MAX_PATH)
        return {};
    const std::wstring folder(temp); // cut at the first NUL
    const std::wstring file = folder + L"Bidon.html";
    {
        UniqueHandleKernel created(::CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr,
                                                 CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!created) {
            LogFailure(L"CreateFileW", ::GetLastError(), file);
            return {};
        }
    }
    wchar_t program[MAX_PATH + 1] = {};
    const auto code =
        reinterpret_cast<INT_PTR>(::FindExecutableW(L"Bidon.html", folder.c_str(), program));
    ::DeleteFileW(file.c_str());
    if (code < 32)
        return {};
    return std::wstring(program);
}

} // namespace win32

void GotoSite(const std::string& site) {
    std::wstring command = BrowserCommandLine(win32::FindBrowser(), WideFromCp1252(site));
    std::vector<wchar_t> line(command.begin(), command.end());
    line.push_back(L'\0');
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOWNORMAL;
    PROCESS_INFORMATION process{};
    if (!::CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                          &startup, &process)) {
        win32::LogFailure(L"CreateProcessW", ::GetLastError(), command);
        return;
    }
    // The started program may take the foreground from us.
    ::AllowSetForegroundWindow(process.dwProcessId);
    win32::UniqueHandleKernel owned_process(process.hProcess);
    win32::UniqueHandleKernel owned_thread(process.hThread);
}
