// The access log: one line per request with the time (UTC), the client's address, the
// method, the path without its query (the account endpoints carry the enciphered password
// there), the status and the time taken. Written to standard error or appended to a file;
// Reopen() (on SIGHUP) starts a new file after the old one was moved away.
#pragma once

#include <cstdint>
#include <cstdio>
#include <mutex>
#include <string>

namespace trekhold {

// "2026-12-07T00:15:07Z 127.0.0.1 GET /Envoi.php 200 3ms"
std::string AccessLine(int64_t unix_seconds, const std::string& address, const std::string& method,
                       const std::string& path, int status, int64_t elapsed_ms);

class AccessLog {
  public:
    // "-": standard error. Otherwise a file, created mode 0640. Throws std::runtime_error
    // when it cannot be opened.
    explicit AccessLog(std::string destination);
    ~AccessLog();
    AccessLog(const AccessLog&) = delete;
    AccessLog& operator=(const AccessLog&) = delete;

    void Write(const std::string& line);
    // Opens the file again (a no-op for standard error); on failure keeps the old one and
    // says so on standard error.
    void Reopen();

  private:
    std::FILE* Open() const;

    std::string destination_;
    std::mutex mutex_;
    std::FILE* file_ = nullptr;
};

} // namespace trekhold
