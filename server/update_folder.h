// The folder of a new client version: the download description sent with "Errversion",
// and the files served at "/" + name.
//
// Description: total size text, file count and names, joined by "-". Only plain file
// names are offered and served: 1 to 100 letters, digits, "." and "_", not starting with
// "." (no path separator, drive colon, ".." or hyphen, which separates the items).
// "TheWandrelSetup.exe", which the client starts at the end, is listed last.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace trekhold {

bool IsServableName(const std::string& name);

// The client's size text: below 1024 "n Octets", from 1024 "x.x Ko", above 1024000
// "x.x Mo" with thousands grouped by ",".
std::string SizeText(uint64_t bytes);

// Empty when the folder holds no servable file or cannot be read.
std::optional<std::string> DownloadDescription(const std::string& folder);

struct UpdateFile {
    std::string content;
    std::string content_type;
};
// The file `name` of the folder, when servable and readable (and at most 256 MiB).
std::optional<UpdateFile> ReadUpdateFile(const std::string& folder, const std::string& name);

} // namespace trekhold
