#include "base/win32/last_error.h"

namespace win32 {

std::wstring last_error_message(DWORD code) {
    wchar_t* buffer = nullptr;
    DWORD flags =
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS;
    const HMODULE wininet =
        code >= 12000 && code < 12200 ? ::GetModuleHandleW(L"wininet.dll") : nullptr;
    if (wininet)
        flags |= FORMAT_MESSAGE_FROM_HMODULE;
    DWORD len = ::FormatMessageW(flags, wininet, code, 0, reinterpret_cast<wchar_t*>(&buffer), 0,
                                 nullptr);
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

void DebugLog(const std::wstring& line) {
    ::OutputDebugStringW((L"TheWandrel: " + line + L"\n").c_str());
}

DWORD LogFailure(const wchar_t* call, DWORD code, const std::wstring& detail) {
    std::wstring line = call;
    if (!detail.empty())
        line += L" " + detail;
    DebugLog(line + L" failed (" + std::to_wstring(code) + L"): " + last_error_message(code));
    return code;
}

CallFailure FailureOf(const wchar_t* call, DWORD code) {
    return {code, std::wstring(call) + L": " + last_error_message(code)};
}

} // namespace win32
