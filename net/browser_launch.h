// Opening the website: the command line that starts the program registered for web pages
// with the address, or the shell program when none is registered.
#pragma once

#include <string>

// `program` is the registered program's full path, empty when none was found. The path is
// put in quotes, so a program under "C:\Program Files\..." starts. Paths are taken as
// Windows gives them, in any script.
std::wstring BrowserCommandLine(const std::wstring& program, const std::wstring& site);
