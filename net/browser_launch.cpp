#include "net/browser_launch.h"

std::string BrowserCommandLine(const std::string& program, const std::string& site) {
    if (program.empty())
        return "Explorer " + site;
    return "\"" + program + "\" " + site;
}
