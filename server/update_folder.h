// The folder of a new client version: the download description sent with "Errversion",
// and the files served at "/" + name.
//
// Description: total size text, file count and names, joined by "-". Only plain file
// names are offered and served: 1 to 100 letters, digits, "." and "_", not starting with
// "." (no path separator, drive colon, ".." or hyphen, which separates the items).
// "TheWandrelSetup.exe", which the client starts at the end, is listed last.
#pragma once

#include "server/unique_fd.h"

#include <cstdint>
#include <optional>
#include <string>

namespace trekhold {

bool IsServableName(const std::string& name);

// The client's size text: below 1024 "n Octets", from 1024 "x.x Ko", above 1024000
// "x.x Mo" with thousands grouped by ",".
std::string SizeText(uint64_t bytes);

// The database, its log ("-wal") and its shared-memory index ("-shm") are never offered
// nor opened, whatever name or link leads to them: they hold password hashes and keys, and
// opening and closing a database file inside the server drops SQLite's locks on it (POSIX
// locks belong to the process, not to the descriptor), which lets another process remove
// the live log. Files are recognised by device and inode, checked before a file is opened.

// Why the server must not start with this update folder, or "" when it may: the folder
// is not a readable directory, or holds the database or one of its files (by path or by
// link).
std::string UpdateFolderProblem(const std::string& folder, const std::string& db_path);

// Empty when the folder holds no servable file or cannot be read.
std::optional<std::string> DownloadDescription(const std::string& folder,
                                               const std::string& db_path);

struct UpdateFile {
    UniqueFd fd;
    uint64_t size = 0;
    std::string content_type;
};
// The file `name` of the folder, opened for reading, when servable (and at most 256 MiB).
std::optional<UpdateFile> OpenUpdateFile(const std::string& folder, const std::string& name,
                                         const std::string& db_path);

} // namespace trekhold
