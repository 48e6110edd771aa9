// Turning Windows error codes into words, for logs and messages.
#pragma once

#include <windows.h>

#include <string>

namespace win32 {

// The system's text for an error code, without the trailing line break.
std::wstring last_error_message(DWORD code);

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
