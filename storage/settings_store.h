// Where settings live: named string values. The program uses the current user's registry;
// the tests use an in-memory store. Paths are full value paths as written in
// the program ("HKEY_CURRENT_USER\Software\WDX\Language"); the store splits key and name
// at the last backslash.
#pragma once

#include <optional>
#include <string>

class SettingsStore {
  public:
    virtual ~SettingsStore() = default;
    // The value's text, or nothing when it is missing or cannot be read as a string.
    virtual std::optional<std::string> Read(const std::string& path) = 0;
    // Creates the key path as needed. False when the value could not be written.
    virtual bool Write(const std::string& path, const std::string& value) = 0;
    // False when the value could not be deleted (a missing value included).
    virtual bool Delete(const std::string& path) = 0;
    // The same for a value whose text need not fit code page 1252: the start-with-Windows
    // entry holds the program's path, which may be in any script.
    virtual std::optional<std::wstring> ReadWide(const std::string& path) = 0;
    virtual bool WriteWide(const std::string& path, const std::wstring& value) = 0;
};

// The program's own key and the start-with-Windows entries.
inline const std::string kSettingsKey = "HKEY_CURRENT_USER\\Software\\WDX\\";
inline const std::string kRunKey =
    "HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Run\\";
