#include "net/win32/goto_site.h"

#include "base/win32/unique_handle.h"
#include "net/browser_launch.h"

#include <windows.h>
#include <shellapi.h>

#include <vector>

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
    std::string command = BrowserCommandLine(win32::FindBrowser(), site);
    std::vector<char> line(command.begin(), command.end());
    line.push_back('\0');
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOWNORMAL;
    PROCESS_INFORMATION process{};
    if (!::CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                          &startup, &process))
        return;
    // The started program may take the foreground from us.
    ::AllowSetForegroundWindow(process.dwProcessId);
    win32::UniqueHandleKernel owned_process(process.hProcess);
    win32::UniqueHandleKernel owned_thread(process.hThread);
}
