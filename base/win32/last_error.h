// Turning Windows error codes into words, for logs and messages.
#pragma once

#include <windows.h>

#include <string>

namespace win32 {

// The system's text for an error code, without the trailing line break. WinINet's own codes
// (12000 to 12199) take their text from wininet.dll.
std::wstring last_error_message(DWORD code);

// A line for the debugger (OutputDebugStringW: a debugger or DebugView shows it), begun with
// "TheWandrel: ". Not the activity log: that one holds the sendings' results only.
void DebugLog(const std::wstring& line);
// Reports a failed call as "TheWandrel: <call> <detail> failed (<code>): <text>" and returns
// `code`. `detail` names what the call worked on (a file, a value), when given.
DWORD LogFailure(const wchar_t* call, DWORD code, const std::wstring& detail = {});

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
