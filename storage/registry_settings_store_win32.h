// The settings store on the registry: string values (REG_SZ) under HKEY_CURRENT_USER, and
// HKEY_LOCAL_MACHINE for the setup program's language value. Texts are code page 1252,
// except those read and written wide.
#pragma once

#include "storage/settings_store.h"

class RegistrySettingsStore : public SettingsStore {
  public:
    // A value that is not a string, longer than kMaxValueChars, or holding a character
    // code page 1252 cannot carry reads as missing.
    std::optional<std::string> Read(const std::string& path) override;
    bool Write(const std::string& path, const std::string& value) override;
    bool Delete(const std::string& path) override;
    std::optional<std::wstring> ReadWide(const std::string& path) override;
    bool WriteWide(const std::string& path, const std::wstring& value) override;

    static constexpr unsigned kMaxValueChars = 32768;
};
