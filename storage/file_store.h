// Where the client's small files live: one folder (the data folder), files named without
// a path. The program uses the Win32 store on %LOCALAPPDATA%\TheWandrel\; the tests use
// an in-memory store.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

class FileStore {
  public:
    virtual ~FileStore() = default;
    // The whole content, or nothing when the file is missing or cannot be read.
    virtual std::optional<std::string> ReadAll(const std::string& name) = 0;
    // Replaces the file as one step: afterwards it holds either its old content or
    // `content`, never a mixture, whatever happens in between. False on failure.
    virtual bool Replace(const std::string& name, const std::string& content) = 0;
    // Adds `content` at the end, creating the file when missing. False on failure.
    virtual bool Append(const std::string& name, const std::string& content) = 0;
    // False when nothing was deleted (a missing file included).
    virtual bool Remove(const std::string& name) = 0;
    // A file exists when its length can be obtained; an empty file exists.
    virtual bool Exists(const std::string& name) = 0;
    // Size in bytes, or nothing when it cannot be obtained.
    virtual std::optional<uint64_t> Size(const std::string& name) = 0;
};

// The first line of a file's content: everything before the first carriage return or
// line feed.
std::string FirstLine(const std::string& content);
