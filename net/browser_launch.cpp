#include "net/browser_launch.h"

std::wstring BrowserCommandLine(const std::wstring& program, const std::wstring& site) {
    if (program.empty())
        return L"Explorer " + site;
    return L"\"" + program + L"\" " + site;
}
