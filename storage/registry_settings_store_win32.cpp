#include "storage/registry_settings_store_win32.h"

#include "base/text_encoding.h"
#include "base/win32/last_error.h"
#include "base/win32/unique_handle.h"

#include <cctype>

namespace {

struct ValuePath {
    HKEY root = nullptr;
    std::wstring subkey;
    std::wstring name;
};

bool StartsWithNoCase(const std::string& text, const std::string& prefix) {
    if (text.size() < prefix.size())
        return false;
    for (size_t i = 0; i < prefix.size(); ++i)
        if (std::toupper(static_cast<unsigned char>(text[i])) !=
            std::toupper(static_cast<unsigned char>(prefix[i])))
            return false;
    return true;
}

// "HKEY_CURRENT_USER\Software\WDX\Language" -> root, "Software\WDX", "Language".
bool SplitPath(const std::string& path, ValuePath& out) {
    static const struct {
        const char* prefix;
        HKEY root;
    } kRoots[] = {{"HKEY_CURRENT_USER\\", HKEY_CURRENT_USER},
                  {"HKCU\\", HKEY_CURRENT_USER},
                  {"HKEY_LOCAL_MACHINE\\", HKEY_LOCAL_MACHINE},
                  {"HKLM\\", HKEY_LOCAL_MACHINE}};
    for (const auto& r : kRoots) {
        if (!StartsWithNoCase(path, r.prefix))
            continue;
        const std::string rest = path.substr(std::char_traits<char>::length(r.prefix));
        const size_t slash = rest.rfind('\\');
        if (slash == std::string::npos || slash == 0)
            return false;
        out.root = r.root;
        out.subkey = WideFromCp1252(rest.substr(0, slash));
        out.name = WideFromCp1252(rest.substr(slash + 1));
        return true;
    }
    return false;
}

// True when the registry call succeeded. Otherwise it is reported to the debugger with its
// error, unless the key or value is simply not there (a missing value has its default).
bool Succeeded(LSTATUS status, const wchar_t* call, const ValuePath& where) {
    if (status == ERROR_SUCCESS)
        return true;
    if (status != ERROR_FILE_NOT_FOUND)
        win32::LogFailure(call, static_cast<DWORD>(status), where.subkey + L"\\" + where.name);
    return false;
}

std::optional<std::wstring> ReadString(const ValuePath& where, REGSAM view) {
    win32::UniqueRegKey key;
    if (!Succeeded(::RegOpenKeyExW(where.root, where.subkey.c_str(), 0, KEY_QUERY_VALUE | view,
                                   key.put()),
                   L"RegOpenKeyExW", where))
        return std::nullopt;
    DWORD type = 0;
    DWORD bytes = 0;
    if (!Succeeded(::RegQueryValueExW(key.get(), where.name.c_str(), nullptr, &type, nullptr,
                                      &bytes),
                   L"RegQueryValueExW", where) ||
        type != REG_SZ || bytes > RegistrySettingsStore::kMaxValueChars * sizeof(wchar_t))
        return std::nullopt;
    // One spare character so that a value stored without its terminating zero still ends.
    std::wstring text(bytes / sizeof(wchar_t) + 1, L'\0');
    DWORD size = bytes;
    if (!Succeeded(::RegQueryValueExW(key.get(), where.name.c_str(), nullptr, &type,
                                      reinterpret_cast<BYTE*>(text.data()), &size),
                   L"RegQueryValueExW", where) ||
        type != REG_SZ || size > bytes)
        return std::nullopt;
    text.resize(size / sizeof(wchar_t));
    const size_t end = text.find(L'\0');
    if (end != std::wstring::npos)
        text.resize(end);
    return text;
}

} // namespace

std::optional<std::string> RegistrySettingsStore::Read(const std::string& path) {
    const std::optional<std::wstring> value = ReadWide(path);
    return value ? Cp1252Exactly(*value) : std::nullopt;
}

bool RegistrySettingsStore::Write(const std::string& path, const std::string& value) {
    return WriteWide(path, WideFromCp1252(value));
}

std::optional<std::wstring> RegistrySettingsStore::ReadWide(const std::string& path) {
    ValuePath where;
    if (!SplitPath(path, where))
        return std::nullopt;
    if (where.root != HKEY_LOCAL_MACHINE)
        return ReadString(where, 0);
    // The setup program may be a 32-bit one, whose machine values live in the 32-bit view.
    if (std::optional<std::wstring> value = ReadString(where, KEY_WOW64_64KEY))
        return value;
    return ReadString(where, KEY_WOW64_32KEY);
}

bool RegistrySettingsStore::WriteWide(const std::string& path, const std::wstring& text) {
    ValuePath where;
    if (!SplitPath(path, where))
        return false;
    win32::UniqueRegKey key;
    if (!Succeeded(::RegCreateKeyExW(where.root, where.subkey.c_str(), 0, nullptr,
                                     REG_OPTION_NON_VOLATILE, KEY_SET_VALUE, nullptr, key.put(),
                                     nullptr),
                   L"RegCreateKeyExW", where))
        return false;
    const DWORD bytes = static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t));
    return Succeeded(::RegSetValueExW(key.get(), where.name.c_str(), 0, REG_SZ,
                                      reinterpret_cast<const BYTE*>(text.c_str()), bytes),
                     L"RegSetValueExW", where);
}

bool RegistrySettingsStore::Delete(const std::string& path) {
    ValuePath where;
    if (!SplitPath(path, where))
        return false;
    win32::UniqueRegKey key;
    if (!Succeeded(::RegOpenKeyExW(where.root, where.subkey.c_str(), 0, KEY_SET_VALUE, key.put()),
                   L"RegOpenKeyExW", where))
        return false;
    return Succeeded(::RegDeleteValueW(key.get(), where.name.c_str()), L"RegDeleteValueW", where);
}
