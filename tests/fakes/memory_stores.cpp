#include "tests/fakes/memory_stores.h"

#include "base/text_encoding.h"

#include <cctype>

namespace {

// Names are compared without regard to letter case, as the registry and Windows do.
std::string Folded(const std::string& name) {
    std::string folded = name;
    for (char& ch : folded)
        ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
    return folded;
}

} // namespace

std::optional<std::string> MemorySettingsStore::Read(const std::string& path) {
    const std::optional<std::wstring> value = ReadWide(path);
    return value ? Cp1252Exactly(*value) : std::nullopt;
}

bool MemorySettingsStore::Write(const std::string& path, const std::string& value) {
    return WriteWide(path, WideFromCp1252(value));
}

std::optional<std::wstring> MemorySettingsStore::ReadWide(const std::string& path) {
    auto it = values_.find(Folded(path));
    if (it == values_.end())
        return std::nullopt;
    return it->second;
}

bool MemorySettingsStore::WriteWide(const std::string& path, const std::wstring& value) {
    if (fail_writes)
        return false;
    values_[Folded(path)] = value;
    return true;
}

bool MemorySettingsStore::Delete(const std::string& path) {
    if (fail_writes)
        return false;
    return values_.erase(Folded(path)) > 0;
}

std::optional<std::string> MemoryFileStore::ReadAll(const std::string& name) {
    auto it = files_.find(Folded(name));
    if (fail_reads || it == files_.end())
        return std::nullopt;
    return it->second;
}

bool MemoryFileStore::Replace(const std::string& name, const std::string& content) {
    if (fail_writes)
        return false;
    files_[Folded(name)] = content;
    return true;
}

bool MemoryFileStore::Append(const std::string& name, const std::string& content) {
    if (fail_writes)
        return false;
    files_[Folded(name)] += content;
    return true;
}

bool MemoryFileStore::Remove(const std::string& name) {
    if (fail_writes)
        return false;
    return files_.erase(Folded(name)) > 0;
}

bool MemoryFileStore::Exists(const std::string& name) {
    return !fail_reads && files_.count(Folded(name)) > 0;
}

std::optional<uint64_t> MemoryFileStore::Size(const std::string& name) {
    auto it = files_.find(Folded(name));
    if (fail_reads || it == files_.end())
        return std::nullopt;
    return it->second.size();
}
