// Turning Windows error codes into words, for logs and messages.
#pragma once

#include <windows.h>

#include <string>

namespace win32 {

// The system's text for an error code, without the trailing line break.
std::wstring last_error_message(DWORD code);

// Reports a failed call to the debugger log: "TheWandrel: <call> failed: <error text>".
void log_failure(const wchar_t* call, DWORD code);
// Logs "TheWandrel: <call> failed: <text of GetLastError()>" the same way.
void log_last_error(const wchar_t* call);

// UTF-16 <-> code page 1252 at the edge of the program.
std::wstring widen_cp1252(const std::string& bytes);
// Returns false (and leaves `out` empty) when the text has a character 1252 cannot carry.
bool narrow_cp1252(const std::wstring& text, std::string& out);

} // namespace win32
