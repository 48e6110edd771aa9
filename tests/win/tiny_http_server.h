// A small HTTP server on 127.0.0.1 running on its own thread, for the fetcher's and the
// download window's tests: it answers each request with raw pieces, or never.
#pragma once

#include "base/win32/unique_handle.h"

#include <functional>
#include <string>
#include <vector>

namespace wintest {

class TinyHttpServer {
  public:
    struct Reply {
        // The answer to a request path as raw pieces; none: the request is read and never
        // answered.
        std::function<std::vector<std::string>(const std::string& path)> pieces;
        DWORD gap_ms = 0;       // before each piece, so that each arrives on its own
        bool keep_open = false; // after the pieces, keep the connection open and send nothing
    };
    explicit TinyHttpServer(Reply reply);
    ~TinyHttpServer(); // stops the thread and closes every socket

    bool Start();
    unsigned short port() const { return port_; }
    std::string Url(const std::string& path) const;
    // The request lines received so far ("GET /x HTTP/1.1").
    std::vector<std::string> RequestLines();
    // The request head (request line and header lines) of the last request.
    std::string LastHead();

  private:
    static DWORD WINAPI ThreadMain(void* self);
    void Serve();
    void Handle(win32::UniqueSocket client);

    Reply reply_;
    win32::UniqueSocket listener_;
    win32::UniqueHandleKernel thread_;
    win32::UniqueHandleKernel stop_; // manual-reset event
    unsigned short port_ = 0;
    SRWLOCK lock_ = SRWLOCK_INIT;
    std::vector<std::string> heads_;        // guarded by lock_
    std::vector<win32::UniqueSocket> held_; // connections kept open
};

// Every request answered with `status` and `body` in one piece, after `delay_ms`.
TinyHttpServer::Reply Answering(const std::string& status, const std::string& body,
                                DWORD delay_ms = 0);

// A TCP port on 127.0.0.1 on which nothing listens (bound, then released).
unsigned short UnusedPort();

} // namespace wintest
