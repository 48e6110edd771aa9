// The file store on a folder of the Windows file system. Every replacement is atomic: the
// new content goes to a temporary file in the same folder, is flushed to the disk, and
// then takes the old file's place in one move, so a crash or power cut at any moment
// leaves either the old or the new file, never a half-written one.
#pragma once

#include "storage/file_store.h"

#include <string>

class Win32FileStore : public FileStore {
  public:
    // `folder` ends with a backslash; it is created when a file is first written.
    explicit Win32FileStore(std::wstring folder);

    std::optional<std::string> ReadAll(const std::string& name) override;
    bool Replace(const std::string& name, const std::string& content) override;
    bool Append(const std::string& name, const std::string& content) override;
    bool Remove(const std::string& name) override;
    bool Exists(const std::string& name) override;
    std::optional<uint64_t> Size(const std::string& name) override;

    const std::wstring& folder() const { return folder_; }
    std::wstring PathOf(const std::string& name) const;

    // Larger files are not read at all (none of the client's files comes near it).
    static constexpr uint64_t kMaxReadBytes = 16u << 20;

  private:
    bool EnsureFolder() const;
    std::wstring folder_;
};
