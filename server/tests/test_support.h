// Shared helpers of the server tests: a temporary folder removed at the end.
#pragma once

#include "server/protocol_codec.h"

#include <filesystem>
#include <random>
#include <string>

namespace trekhold::test {

// A program digest for the sending records of the tests.
inline const std::string kDigest = "0123456789ABCDEF0123456789ABCDEF";

// The plain key after `prefix` of an "OK" answer, or "" when refused.
inline std::string KeyOf(const std::string& answer, size_t prefix) {
    if (answer.rfind("OK", 0) != 0 || answer.size() <= prefix)
        return "";
    std::string key = PlainKeyOf(answer.substr(prefix));
    return key.size() == 6 ? key : "";
}

class TempDir {
  public:
    TempDir() {
        std::random_device rd;
        path_ = std::filesystem::temp_directory_path() /
                ("trekhold-test-" + std::to_string(rd()) + std::to_string(rd()));
        std::filesystem::create_directories(path_);
    }
    ~TempDir() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    std::string File(const std::string& name) const { return (path_ / name).string(); }
    const std::filesystem::path& path() const { return path_; }

  private:
    std::filesystem::path path_;
};

} // namespace trekhold::test
