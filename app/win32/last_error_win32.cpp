#include "app/win32/last_error.h"

namespace win32 {

std::wstring last_error_message(DWORD code) {
    wchar_t* buffer = nullptr;
    DWORD len = ::FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                     FORMAT_MESSAGE_IGNORE_INSERTS,
                                 nullptr, code, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    std::wstring text;
    if (len && buffer) {
        text.assign(buffer, len);
        ::LocalFree(buffer);
    }
    while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r' || text.back() == L' '))
        text.pop_back();
    if (text.empty())
        text = L"error " + std::to_wstring(code);
    return text;
}

CallFailure FailureOf(const wchar_t* call, DWORD code) {
    return {code, std::wstring(call) + L": " + last_error_message(code)};
}

} // namespace win32
