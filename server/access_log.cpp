#include "server/access_log.h"

#include <cerrno>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <stdexcept>
#include <unistd.h>

namespace trekhold {

std::string AccessLine(int64_t unix_seconds, const std::string& address, const std::string& method,
                       const std::string& path, int status, int64_t elapsed_ms) {
    std::time_t t = static_cast<std::time_t>(unix_seconds);
    std::tm utc{};
    gmtime_r(&t, &utc);
    char when[32];
    std::strftime(when, sizeof when, "%Y-%m-%dT%H:%M:%SZ", &utc);
    // Only printable ASCII of the request reaches the log: no forged lines.
    auto clean = [](const std::string& text) {
        std::string out = text.substr(0, 200);
        for (char& c : out)
            if (static_cast<unsigned char>(c) <= ' ' || static_cast<unsigned char>(c) >= 0x7f)
                c = '?';
        return out.empty() ? std::string("-") : out;
    };
    return std::string(when) + " " + clean(address) + " " + clean(method) + " " + clean(path) +
           " " + std::to_string(status) + " " + std::to_string(elapsed_ms) + "ms";
}

AccessLog::AccessLog(std::string destination) : destination_(std::move(destination)) {
    file_ = Open();
    if (!file_)
        throw std::runtime_error("cannot open the access log " + destination_ + ": " +
                                 std::strerror(errno));
}

AccessLog::~AccessLog() {
    if (file_ && file_ != stderr)
        std::fclose(file_);
}

std::FILE* AccessLog::Open() const {
    if (destination_ == "-")
        return stderr;
    int fd = ::open(destination_.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0640);
    if (fd < 0)
        return nullptr;
    std::FILE* f = ::fdopen(fd, "a");
    if (!f)
        ::close(fd);
    return f;
}

void AccessLog::Write(const std::string& line) {
    std::lock_guard<std::mutex> lock(mutex_);
    std::fputs((line + "\n").c_str(), file_);
    std::fflush(file_);
}

void AccessLog::Reopen() {
    if (destination_ == "-")
        return;
    std::FILE* fresh = Open();
    int error = errno;
    std::lock_guard<std::mutex> lock(mutex_);
    if (!fresh) {
        std::fprintf(stderr, "trekhold-server: cannot reopen the access log %s: %s\n",
                     destination_.c_str(), std::strerror(error));
        return;
    }
    std::fclose(file_);
    file_ = fresh;
}

} // namespace trekhold
