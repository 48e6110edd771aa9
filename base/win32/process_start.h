// Starting another program, and the path of this one.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

namespace win32 {

// Starts `command_line` (the program, quoted when its path has spaces, then its arguments)
// without waiting for it, shown as it chooses. Its process id, or nothing when it could not
// be started (GetLastError tells why).
std::optional<DWORD> StartProcess(const std::wstring& command_line);

// The full path of the module `module` (null: this program's .exe); empty when unknown.
std::wstring ModulePath(HMODULE module = nullptr);

} // namespace win32
