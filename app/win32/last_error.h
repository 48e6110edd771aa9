// Turning Windows error codes into words, for logs and messages.
#pragma once

#include <windows.h>

#include <string>

namespace win32 {

// The system's text for an error code, without the trailing line break.
std::wstring last_error_message(DWORD code);

// UTF-16 <-> code page 1252 at the edge of the program.
std::wstring widen_cp1252(const std::string& bytes);
// Returns false (and leaves `out` empty) when the text has a character 1252 cannot carry.
bool narrow_cp1252(const std::wstring& text, std::string& out);

// A failed call and its error code, read once, at the failure: a call made meanwhile (even
// the one that turns the code into words) may change the thread's last error.
struct CallFailure {
    DWORD code = 0;
    std::wstring text; // "<call>: <the code's text>"
};
CallFailure FailureOf(const wchar_t* call, DWORD code);
inline CallFailure LastFailureOf(const wchar_t* call) {
    return FailureOf(call, ::GetLastError());
}

} // namespace win32
