#include "base/win32/last_error.h"

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

void log_failure(const wchar_t* call, DWORD code) {
    const std::wstring line =
        L"TheWandrel: " + std::wstring(call) + L" failed: " + last_error_message(code) + L"\n";
    ::OutputDebugStringW(line.c_str());
}

void log_last_error(const wchar_t* call) {
    log_failure(call, ::GetLastError());
}

std::wstring widen_cp1252(const std::string& bytes) {
    if (bytes.empty())
        return {};
    int n = ::MultiByteToWideChar(1252, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
    std::wstring out(static_cast<size_t>(n), L'\0');
    ::MultiByteToWideChar(1252, 0, bytes.data(), static_cast<int>(bytes.size()), out.data(), n);
    return out;
}

bool narrow_cp1252(const std::wstring& text, std::string& out) {
    out.clear();
    if (text.empty())
        return true;
    BOOL lossy = FALSE;
    int n = ::WideCharToMultiByte(1252, WC_NO_BEST_FIT_CHARS, text.data(),
                                  static_cast<int>(text.size()), nullptr, 0, nullptr, &lossy);
    if (n <= 0 || lossy)
        return false;
    std::string bytes(static_cast<size_t>(n), '\0');
    ::WideCharToMultiByte(1252, WC_NO_BEST_FIT_CHARS, text.data(), static_cast<int>(text.size()),
                          bytes.data(), n, nullptr, &lossy);
    if (lossy)
        return false;
    out = std::move(bytes);
    return true;
}

} // namespace win32
