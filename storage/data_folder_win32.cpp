#include "storage/data_folder_win32.h"

#include "storage/activity_log.h"
#include "base/text_encoding.h"

#include <windows.h>
#include <knownfolders.h>
#include <shlobj.h>

namespace {

std::optional<std::wstring> LocalAppData() {
    wchar_t* path = nullptr;
    std::optional<std::wstring> folder;
    if (SUCCEEDED(::SHGetKnownFolderPath(FOLDERID_LocalAppData, KF_FLAG_CREATE, nullptr, &path)) &&
        path && *path)
        folder = path;
    ::CoTaskMemFree(path);
    return folder;
}

} // namespace

std::optional<std::wstring> DataFolder() {
    std::optional<std::wstring> base = LocalAppData();
    if (!base)
        return std::nullopt;
    std::wstring folder = *base;
    if (folder.back() != L'\\')
        folder += L'\\';
    folder += L"TheWandrel\\";
    ::CreateDirectoryW(folder.c_str(), nullptr);
    return folder;
}

std::optional<std::wstring> LogFilePath() {
    std::optional<std::wstring> folder = DataFolder();
    if (!folder)
        return std::nullopt;
    return *folder + WideFromCp1252(kLogFileName);
}
