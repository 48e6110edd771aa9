#include "net/win32/goto_site.h"

#include "base/win32/process_start.h"
#include "base/win32/unique_handle.h"
#include "net/browser_launch.h"

#include <windows.h>
#include <shellapi.h>

namespace win32 {

std::string FindBrowser() {
    char temp[MAX_PATH + 1] = {};
    const DWORD length = ::GetTempPathA(MAX_PATH, temp);
    if (length == 0 || length > MAX_PATH)
        return {};
    const std::string folder(temp); // cut at the first NUL
    const std::string file = folder + "Bidon.html";
    {
        UniqueHandleKernel created(::CreateFileA(file.c_str(), GENERIC_WRITE, 0, nullptr,
                                                 CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!created)
            return {};
    }
    char program[MAX_PATH + 1] = {};
    const auto code =
        reinterpret_cast<INT_PTR>(::FindExecutableA("Bidon.html", folder.c_str(), program));
    ::DeleteFileA(file.c_str());
    if (code < 32)
        return {};
    return std::string(program);
}

} // namespace win32

void GotoSite(const std::string& site) {
    // The browser's path comes in the system's ANSI code page, as FindExecutableA gives it.
    const std::string command = BrowserCommandLine(win32::FindBrowser(), site);
    std::wstring line(command.size(), L'\0');
    if (!command.empty())
        line.resize(static_cast<size_t>(
            ::MultiByteToWideChar(CP_ACP, 0, command.data(), static_cast<int>(command.size()),
                                  line.data(), static_cast<int>(line.size()))));
    // The started program may take the foreground from us.
    if (const std::optional<DWORD> started = win32::StartProcess(line))
        ::AllowSetForegroundWindow(*started);
}
