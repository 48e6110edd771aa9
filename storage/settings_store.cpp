#include "storage/settings_store.h"

#include "ui/text_encoding.h"

#include <cctype>

std::string MemorySettingsStore::Fold(const std::string& path) {
    std::string folded = path;
    for (char& ch : folded)
        ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
    return folded;
}

std::optional<std::string> MemorySettingsStore::Read(const std::string& path) {
    const std::optional<std::wstring> value = ReadWide(path);
    return value ? Cp1252Exactly(*value) : std::nullopt;
}

bool MemorySettingsStore::Write(const std::string& path, const std::string& value) {
    return WriteWide(path, WideFromCp1252(value));
}

std::optional<std::wstring> MemorySettingsStore::ReadWide(const std::string& path) {
    auto it = values_.find(Fold(path));
    if (it == values_.end())
        return std::nullopt;
    return it->second;
}

bool MemorySettingsStore::WriteWide(const std::string& path, const std::wstring& value) {
    if (fail_writes)
        return false;
    values_[Fold(path)] = value;
    return true;
}

bool MemorySettingsStore::Delete(const std::string& path) {
    if (fail_writes)
        return false;
    return values_.erase(Fold(path)) > 0;
}
