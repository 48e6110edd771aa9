#include "storage/file_store_win32.h"

#include "base/text_encoding.h"
#include "base/win32/last_error.h"
#include "base/win32/unique_handle.h"

#include <algorithm>

namespace {

// Reports the call that failed on `path` to the debugger, with its error, and gives false. A
// file that is not there is no failure worth reporting: the stores treat it as such.
bool Failed(const wchar_t* call, const std::wstring& path) {
    const DWORD error = ::GetLastError();
    if (error != ERROR_FILE_NOT_FOUND)
        win32::LogFailure(call, error, path);
    return false;
}

bool WriteAll(HANDLE file, const std::string& content) {
    size_t done = 0;
    while (done < content.size()) {
        const DWORD chunk = static_cast<DWORD>(std::min<size_t>(content.size() - done, 1u << 20));
        DWORD written = 0;
        if (!::WriteFile(file, content.data() + done, chunk, &written, nullptr))
            return false;
        if (written == 0) {
            ::SetLastError(ERROR_WRITE_FAULT);
            return false;
        }
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
    if (::CreateDirectoryW(folder_.c_str(), nullptr) || ::GetLastError() == ERROR_ALREADY_EXISTS)
        return true;
    return Failed(L"CreateDirectoryW", folder_);
}

std::optional<std::string> Win32FileStore::ReadAll(const std::string& name) {
    const std::wstring path = PathOf(name);
    win32::UniqueHandleKernel file(::CreateFileW(
        path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
        nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        Failed(L"CreateFileW", path);
        return std::nullopt;
    }
    LARGE_INTEGER size{};
    if (!::GetFileSizeEx(file.get(), &size)) {
        Failed(L"GetFileSizeEx", path);
        return std::nullopt;
    }
    if (size.QuadPart < 0 || static_cast<uint64_t>(size.QuadPart) > kMaxReadBytes) {
        win32::DebugLog(path + L" is too large to be read");
        return std::nullopt;
    }
    std::string content(static_cast<size_t>(size.QuadPart), '\0');
    size_t done = 0;
    while (done < content.size()) {
        DWORD got = 0;
        if (!::ReadFile(file.get(), content.data() + done,
                        static_cast<DWORD>(content.size() - done), &got, nullptr)) {
            Failed(L"ReadFile", path);
            return std::nullopt;
        }
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
            return Failed(L"CreateFileW", temporary);
        const bool written = WriteAll(file.get(), content);
        if (!written || !::FlushFileBuffers(file.get())) {
            Failed(written ? L"FlushFileBuffers" : L"WriteFile", temporary);
            file.reset();
            ::DeleteFileW(temporary.c_str());
            return false;
        }
    }
    if (!::MoveFileExW(temporary.c_str(), target.c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        Failed(L"MoveFileExW", target);
        ::DeleteFileW(temporary.c_str());
        return false;
    }
    return true;
}

bool Win32FileStore::Append(const std::string& name, const std::string& content) {
    if (!EnsureFolder())
        return false;
    const std::wstring path = PathOf(name);
    win32::UniqueHandleKernel file(::CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ,
                                                 nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                                                 nullptr));
    if (!file)
        return Failed(L"CreateFileW", path);
    return WriteAll(file.get(), content) || Failed(L"WriteFile", path);
}

bool Win32FileStore::Remove(const std::string& name) {
    const std::wstring path = PathOf(name);
    return ::DeleteFileW(path.c_str()) || Failed(L"DeleteFileW", path);
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
