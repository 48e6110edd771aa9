#include "server/update_folder.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>
#include <vector>

namespace fs = std::filesystem;

namespace trekhold {

namespace {

constexpr const char* kSetupName = "TheWandrelSetup.exe";
constexpr uint64_t kMaxServedSize = 256ull << 20;

std::string OneDecimal(uint64_t numerator, uint64_t denominator, bool grouped) {
    // Tenths rounded half up, as the client's display format shows them.
    uint64_t tenths = (numerator * 10 + denominator / 2) / denominator;
    std::string whole = std::to_string(tenths / 10);
    if (grouped)
        for (int i = static_cast<int>(whole.size()) - 3; i > 0; i -= 3)
            whole.insert(static_cast<size_t>(i), ",");
    return whole + "." + std::to_string(tenths % 10);
}

} // namespace

bool IsServableName(const std::string& name) {
    if (name.empty() || name.size() > 100 || name[0] == '.')
        return false;
    for (char c : name)
        if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
              c == '.' || c == '_'))
            return false;
    return name.find("..") == std::string::npos;
}

std::string SizeText(uint64_t bytes) {
    if (bytes < 1024)
        return std::to_string(bytes) + " Octets";
    if (bytes <= 1024000)
        return OneDecimal(bytes, 1024, false) + " Ko";
    return OneDecimal(bytes, 1024000, true) + " Mo";
}

std::optional<std::string> DownloadDescription(const std::string& folder) {
    std::error_code ec;
    std::vector<std::string> names;
    uint64_t total = 0;
    fs::directory_iterator it(folder, ec);
    if (ec)
        return std::nullopt;
    for (; it != fs::directory_iterator(); it.increment(ec)) {
        if (ec)
            return std::nullopt;
        std::string name = it->path().filename().string();
        if (!IsServableName(name) || !it->is_regular_file(ec))
            continue;
        uint64_t size = it->file_size(ec);
        if (ec || size > kMaxServedSize)
            continue;
        names.push_back(name);
        total += size;
    }
    if (names.empty() || names.size() > 999)
        return std::nullopt;
    std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
        return std::make_pair(a == kSetupName, a) < std::make_pair(b == kSetupName, b);
    });
    std::string text = SizeText(total) + "-" + std::to_string(names.size());
    for (const std::string& name : names)
        text += "-" + name;
    return text;
}

std::optional<UpdateFile> ReadUpdateFile(const std::string& folder, const std::string& name) {
    if (folder.empty() || !IsServableName(name))
        return std::nullopt;
    fs::path path = fs::path(folder) / name;
    std::error_code ec;
    if (!fs::is_regular_file(path, ec) || fs::file_size(path, ec) > kMaxServedSize || ec)
        return std::nullopt;
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return std::nullopt;
    UpdateFile file;
    file.content.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    if (in.bad())
        return std::nullopt;
    std::string lower = name;
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    auto ends_with = [&](const char* ext) {
        std::string e(ext);
        return lower.size() >= e.size() && lower.compare(lower.size() - e.size(), e.size(), e) == 0;
    };
    file.content_type = ends_with(".txt")    ? "text/plain"
                        : ends_with(".html") ? "text/html"
                                             : "application/octet-stream";
    return file;
}

} // namespace trekhold
