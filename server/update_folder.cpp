#include "server/update_folder.h"

#include <algorithm>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
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

// The database file, its log and its index as they are now (the log and the index come
// and go with the connections).
class DatabaseFiles {
  public:
    explicit DatabaseFiles(const std::string& db_path) {
        for (const char* suffix : {"", "-wal", "-shm"}) {
            struct stat st {};
            if (!db_path.empty() && ::stat((db_path + suffix).c_str(), &st) == 0)
                files_.push_back({st.st_dev, st.st_ino});
        }
    }
    bool Holds(const struct stat& st) const {
        return std::find(files_.begin(), files_.end(), std::make_pair(st.st_dev, st.st_ino)) !=
               files_.end();
    }

  private:
    std::vector<std::pair<dev_t, ino_t>> files_;
};

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

std::string UpdateFolderProblem(const std::string& folder, const std::string& db_path) {
    if (folder.empty())
        return "";
    std::error_code ec;
    fs::path real_folder = fs::canonical(folder, ec);
    if (ec || !fs::is_directory(real_folder, ec))
        return "the update folder " + folder + " is not a readable folder" +
               (ec ? " (" + ec.message() + ")" : "");
    // The log and the index appear next to the database later, so a folder that holds the
    // database is refused even while they are missing.
    fs::path real_db = fs::weakly_canonical(db_path, ec);
    if (!ec && real_db.parent_path() == real_folder)
        return "the update folder " + folder + " holds the database " + db_path +
               ", which it would offer for download; keep the database elsewhere";
    DatabaseFiles database(db_path);
    fs::directory_iterator it(real_folder, ec);
    for (; !ec && it != fs::directory_iterator(); it.increment(ec)) {
        struct stat st {};
        if (::stat(it->path().c_str(), &st) == 0 && database.Holds(st))
            return "the update folder " + folder + " holds " + it->path().filename().string() +
                   ", which is the database " + db_path + " or one of its files";
    }
    if (ec)
        return "the update folder " + folder + " cannot be read (" + ec.message() + ")";
    return "";
}

std::optional<std::string> DownloadDescription(const std::string& folder,
                                               const std::string& db_path) {
    std::error_code ec;
    std::vector<std::string> names;
    uint64_t total = 0;
    fs::directory_iterator it(folder, ec);
    if (ec)
        return std::nullopt;
    DatabaseFiles database(db_path);
    for (; it != fs::directory_iterator(); it.increment(ec)) {
        if (ec)
            return std::nullopt;
        std::string name = it->path().filename().string();
        struct stat st {};
        if (!IsServableName(name) || ::stat(it->path().c_str(), &st) != 0 ||
            !S_ISREG(st.st_mode) || database.Holds(st))
            continue;
        uint64_t size = static_cast<uint64_t>(st.st_size);
        if (size > kMaxServedSize)
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

std::optional<UpdateFile> OpenUpdateFile(const std::string& folder, const std::string& name,
                                         const std::string& db_path) {
    if (folder.empty() || !IsServableName(name))
        return std::nullopt;
    const std::string path = (fs::path(folder) / name).string();
    struct stat before {};
    if (::stat(path.c_str(), &before) != 0 || !S_ISREG(before.st_mode) ||
        static_cast<uint64_t>(before.st_size) > kMaxServedSize ||
        DatabaseFiles(db_path).Holds(before))
        return std::nullopt;
    UpdateFile file;
    file.fd = UniqueFd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    struct stat opened {};
    // Replaced between the two looks: not served. (Only someone who may write into the
    // update folder can make that happen.)
    if (!file.fd || ::fstat(file.fd.get(), &opened) != 0 || opened.st_dev != before.st_dev ||
        opened.st_ino != before.st_ino || !S_ISREG(opened.st_mode))
        return std::nullopt;
    file.size = static_cast<uint64_t>(opened.st_size);
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
