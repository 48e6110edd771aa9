#include "storage/file_store.h"

#include <cctype>

std::string MemoryFileStore::Fold(const std::string& name) {
    std::string folded = name;
    for (char& ch : folded)
        ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
    return folded;
}

std::optional<std::string> MemoryFileStore::ReadAll(const std::string& name) {
    auto it = files_.find(Fold(name));
    if (fail_reads || it == files_.end())
        return std::nullopt;
    return it->second;
}

bool MemoryFileStore::Replace(const std::string& name, const std::string& content) {
    if (fail_writes)
        return false;
    files_[Fold(name)] = content;
    return true;
}

bool MemoryFileStore::Append(const std::string& name, const std::string& content) {
    if (fail_writes)
        return false;
    files_[Fold(name)] += content;
    return true;
}

bool MemoryFileStore::Remove(const std::string& name) {
    if (fail_writes)
        return false;
    return files_.erase(Fold(name)) > 0;
}

bool MemoryFileStore::Exists(const std::string& name) {
    return !fail_reads && files_.count(Fold(name)) > 0;
}

std::optional<uint64_t> MemoryFileStore::Size(const std::string& name) {
    auto it = files_.find(Fold(name));
    if (fail_reads || it == files_.end())
        return std::nullopt;
    return it->second.size();
}

std::string FirstLine(const std::string& content) {
    return content.substr(0, content.find_first_of("\r\n"));
}
