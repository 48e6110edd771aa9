#include "storage/file_store_win32.h"

#include "app/win32/last_error.h"
#include "app/win32/unique_handle.h"
#include "ui/text_encoding.h"

#include <algorithm>

namespace {

bool WriteAll(HANDLE file, const std::string& content) {
    size_t done = 0;
    while (done < content.size()) {
        const DWORD chunk = static_cast<DWORD>(std::min<size_t>(content.size() - done, 1u << 20));
        DWORD written = 0;
        if (!::WriteFile(file, content.data() + done, chunk, &written, nullptr) || written == 0)
            return false;
        done += written;
    }
    return true;
}

std::optional<WIN32_FILE_ATTRIBUTE_DATA> Attributes(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!::GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data) ||
        (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
        return std::nullopt;
    return data;
}

} // namespace

Win32FileStore::Win32FileStore(std::wstring folder) : folder_(std::move(folder)) {
    if (!folder_.empty() && folder_.back() != L'\\')
        folder_ += L'\\';
}

std::wstring Win32FileStore::PathOf(const std::string& name) const {
    return folder_ + WideFromCp1252(name);
}

bool Win32FileStore::EnsureFolder() const {
    return ::CreateDirectoryW(folder_.c_str(), nullptr) || ::GetLastError() == ERROR_ALREADY_EXISTS;
}

std::optional<std::string> Win32FileStore::ReadAll(const std::string& name) {
    win32::UniqueHandleKernel file(::CreateFileW(
        PathOf(name).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
        nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return std::nullopt;
    LARGE_INTEGER size{};
    if (!::GetFileSizeEx(file.get(), &size) || size.QuadPart < 0 ||
        static_cast<uint64_t>(size.QuadPart) > kMaxReadBytes)
        return std::nullopt;
    std::string content(static_cast<size_t>(size.QuadPart), '\0');
    size_t done = 0;
    while (done < content.size()) {
        DWORD got = 0;
        if (!::ReadFile(file.get(), content.data() + done,
                        static_cast<DWORD>(content.size() - done), &got, nullptr))
            return std::nullopt;
        if (got == 0)
            break; // the file shrank meanwhile
        done += got;
    }
    content.resize(done);
    return content;
}

bool Win32FileStore::Replace(const std::string& name, const std::string& content) {
    if (!EnsureFolder())
        return false;
    const std::wstring target = PathOf(name);
    // A fixed name: a temporary file left by a crash is simply overwritten next time.
    const std::wstring temporary = target + L".tmp";
    {
        win32::UniqueHandleKernel file(::CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr,
                                                     CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                                                     nullptr));
        if (!file)
            return false;
        if (!WriteAll(file.get(), content) || !::FlushFileBuffers(file.get())) {
            file.reset();
            ::DeleteFileW(temporary.c_str());
            return false;
        }
    }
    if (!::MoveFileExW(temporary.c_str(), target.c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        ::DeleteFileW(temporary.c_str());
        return false;
    }
    return true;
}

bool Win32FileStore::Append(const std::string& name, const std::string& content) {
    if (!EnsureFolder())
        return false;
    win32::UniqueHandleKernel file(::CreateFileW(PathOf(name).c_str(), FILE_APPEND_DATA,
                                                 FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                                                 FILE_ATTRIBUTE_NORMAL, nullptr));
    return file && WriteAll(file.get(), content);
}

bool Win32FileStore::Remove(const std::string& name) {
    return ::DeleteFileW(PathOf(name).c_str()) != 0;
}

bool Win32FileStore::Exists(const std::string& name) {
    return Attributes(PathOf(name)).has_value();
}

std::optional<uint64_t> Win32FileStore::Size(const std::string& name) {
    std::optional<WIN32_FILE_ATTRIBUTE_DATA> data = Attributes(PathOf(name));
    if (!data)
        return std::nullopt;
    return (static_cast<uint64_t>(data->nFileSizeHigh) << 32) | data->nFileSizeLow;
}
