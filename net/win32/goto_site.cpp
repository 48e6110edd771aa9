#include "net/win32/goto_site.h"

#include "base/text_encoding.h"
#include "base/win32/last_error.h"
#include "base/win32/process_start.h"
#include "base/win32/unique_handle.h"
#include "net/browser_launch.h"

#include <windows.h>
#include <shellapi.h>

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
    const std::wstring command =
        BrowserCommandLine(win32::FindBrowser(), WideFromCp1252(site));
    // The started program may take the foreground from us.
    if (const std::optional<DWORD> started = win32::StartProcess(command))
        ::AllowSetForegroundWindow(*started);
}
