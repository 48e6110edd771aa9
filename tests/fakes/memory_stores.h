// In-memory settings and file stores for the tests: what the program keeps in the registry
// and the data folder, in a map, with switches that make every write or read fail.
#pragma once

#include "storage/file_store.h"
#include "storage/settings_store.h"

#include <map>

// Value names are compared without regard to letter case, as the registry does.
// Values are kept as the registry keeps them, in UTF-16: one that code page 1252 cannot carry
// reads as missing through Read.
class MemorySettingsStore : public SettingsStore {
  public:
    std::optional<std::string> Read(const std::string& path) override;
    bool Write(const std::string& path, const std::string& value) override;
    bool Delete(const std::string& path) override;
    std::optional<std::wstring> ReadWide(const std::string& path) override;
    bool WriteWide(const std::string& path, const std::wstring& value) override;

    // For tests: make every write (or delete) fail from now on.
    bool fail_writes = false;
    size_t size() const { return values_.size(); }

  private:
    std::map<std::string, std::wstring> values_;
};

// File names are compared without regard to letter case, as on Windows.
class MemoryFileStore : public FileStore {
  public:
    std::optional<std::string> ReadAll(const std::string& name) override;
    bool Replace(const std::string& name, const std::string& content) override;
    bool Append(const std::string& name, const std::string& content) override;
    bool Remove(const std::string& name) override;
    bool Exists(const std::string& name) override;
    std::optional<uint64_t> Size(const std::string& name) override;

    // For tests: every write (replace, append, remove) fails; every read fails.
    bool fail_writes = false;
    bool fail_reads = false;
    size_t size() const { return files_.size(); }

  private:
    std::map<std::string, std::string> files_;
};
