#include "server/bounded_server.h"

#include "server/request_head_guard.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <iostream>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace trekhold {

namespace {

using Clock = std::chrono::steady_clock;

// Waits for a request are cut into slices so that a stopping server is noticed soon.
constexpr std::chrono::milliseconds kStopCheck{200};

void AddressOf(int fd, bool peer, std::string& ip, int& port) {
    sockaddr_storage address{};
    socklen_t length = sizeof address;
    int rc = peer ? ::getpeername(fd, reinterpret_cast<sockaddr*>(&address), &length)
                  : ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    char host[NI_MAXHOST] = "";
    char service[NI_MAXSERV] = "";
    if (rc != 0 || ::getnameinfo(reinterpret_cast<sockaddr*>(&address), length, host, sizeof host,
                                 service, sizeof service, NI_NUMERICHOST | NI_NUMERICSERV) != 0)
        return;
    ip = host;
    port = std::atoi(service);
}

// One connection's socket as the library's parser reads and writes it, with the bounds.
class GuardedStream : public httplib::Stream {
  public:
    enum class Failure { kNone, kClosed, kTimedOut, kHeadTooLarge };

    GuardedStream(int fd, const ConnectionLimits& limits, const std::atomic<socket_t>& listening)
        : fd_(fd), limits_(limits), listening_(listening),
          guard_(limits.max_head_bytes, limits.max_header_lines) {}

    void BeginRequest() {
        guard_.Restart();
        deadline_ = Clock::now() + limits_.request_deadline;
        failure_ = Failure::kNone;
    }
    // Between requests: true when the next one has begun to arrive within the keep-alive
    // time.
    bool AwaitNextRequest() {
        return buffered_ > 0 ||
               Wait(POLLIN, Clock::now() + limits_.keep_alive) == WaitResult::kReady;
    }
    Failure failure() const { return failure_; }
    const RequestHeadGuard& guard() const { return guard_; }

    bool is_readable() const override {
        return buffered_ > 0 || Wait(POLLIN, deadline_) == WaitResult::kReady;
    }
    bool is_writable() const override {
        return failure_ == Failure::kNone &&
               Wait(POLLOUT, Clock::now() + limits_.write_timeout) == WaitResult::kReady;
    }

    ssize_t read(char* ptr, size_t size) override {
        if (failure_ != Failure::kNone)
            return -1;
        if (buffered_ == 0) {
            switch (Wait(POLLIN, deadline_)) {
            case WaitResult::kReady:
                break;
            case WaitResult::kTimedOut:
                return Fail(Failure::kTimedOut);
            case WaitResult::kStopped:
                return Fail(Failure::kClosed);
            }
            ssize_t n = ::recv(fd_, buffer_, sizeof buffer_, 0);
            if (n <= 0)
                return n < 0 ? Fail(Failure::kClosed) : 0;
            begin_ = 0;
            buffered_ = static_cast<size_t>(n);
        }
        size_t n = std::min(size, buffered_);
        std::memcpy(ptr, buffer_ + begin_, n);
        begin_ += n;
        buffered_ -= n;
        if (guard_.verdict() == RequestHeadGuard::Verdict::kReading &&
            guard_.Take(ptr, n) == RequestHeadGuard::Verdict::kTooLarge)
            return Fail(Failure::kHeadTooLarge);
        return static_cast<ssize_t>(n);
    }

    ssize_t write(const char* ptr, size_t size) override {
        // After a failed read the library would answer 400; the loop answers instead.
        if (failure_ != Failure::kNone || !is_writable())
            return -1;
        return ::send(fd_, ptr, size, MSG_NOSIGNAL);
    }

    void get_remote_ip_and_port(std::string& ip, int& port) const override {
        AddressOf(fd_, true, ip, port);
    }
    void get_local_ip_and_port(std::string& ip, int& port) const override {
        AddressOf(fd_, false, ip, port);
    }
    socket_t socket() const override { return fd_; }

    // The answer to a request that was not read whole; nothing when nothing came.
    void AnswerFailure() const {
        const char* status = nullptr;
        if (failure_ == Failure::kTimedOut && guard_.bytes() > 0)
            status = "408 Request Timeout";
        else if (failure_ == Failure::kHeadTooLarge)
            status = guard_.lines() == 0 ? "414 URI Too Long"
                                         : "431 Request Header Fields Too Large";
        if (!status)
            return;
        const std::string text = std::string(status).substr(4);
        const std::string response = std::string("HTTP/1.1 ") + status +
                                     "\r\nConnection: close\r\nContent-Type: text/plain\r\n"
                                     "Content-Length: " +
                                     std::to_string(text.size()) + "\r\n\r\n" + text;
        if (Wait(POLLOUT, Clock::now() + limits_.write_timeout) == WaitResult::kReady)
            (void)::send(fd_, response.data(), response.size(), MSG_NOSIGNAL);
    }

  private:
    enum class WaitResult { kReady, kTimedOut, kStopped };

    WaitResult Wait(short events, Clock::time_point until) const {
        for (;;) {
            // A stopping server reads no more requests but still sends the answers it owes.
            if (events == POLLIN && listening_ == INVALID_SOCKET)
                return WaitResult::kStopped;
            auto left = std::chrono::duration_cast<std::chrono::milliseconds>(until - Clock::now());
            if (left.count() <= 0)
                return WaitResult::kTimedOut;
            pollfd p{fd_, events, 0};
            int rc = ::poll(&p, 1, static_cast<int>(std::min(left, kStopCheck).count()));
            if (rc > 0)
                return WaitResult::kReady; // readable, writable, closed or failed: the call says
            if (rc < 0 && errno != EINTR)
                return WaitResult::kStopped;
        }
    }

    ssize_t Fail(Failure failure) {
        failure_ = failure;
        return -1;
    }

    int fd_;
    const ConnectionLimits& limits_;
    const std::atomic<socket_t>& listening_;
    RequestHeadGuard guard_;
    Clock::time_point deadline_;
    Failure failure_ = Failure::kNone;
    char buffer_[4096];
    size_t begin_ = 0, buffered_ = 0;
};

} // namespace

BoundedServer::BoundedServer(ConnectionLimits limits) : limits_(limits) {
    set_socket_options([this](socket_t fd) {
        int yes = 1;
        ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
        listen_fd_ = fd;
    });
}

int BoundedServer::Bind(const std::string& address, int port, std::string& error) {
    listen_fd_ = -1;
    int bound = port;
    if (port == 0)
        bound = bind_to_any_port(address);
    else if (!bind_to_port(address, port))
        bound = -1;
    if (bound < 0 || listen_fd_ < 0) {
        error = "cannot listen on " + address + ":" + std::to_string(port);
        return -1;
    }
    // Listening again on a listening socket sets its backlog (the library's is 5).
    if (::listen(listen_fd_, limits_.listen_backlog) != 0) {
        error = std::string("listen: ") + std::strerror(errno);
        return -1;
    }
    return bound;
}

bool BoundedServer::process_and_close_socket(socket_t sock) {
    GuardedStream stream(sock, limits_, svr_sock_);
    bool ok = false;
    for (size_t served = 0; served < limits_.requests_per_connection; ++served) {
        if (svr_sock_ == INVALID_SOCKET || (served > 0 && !stream.AwaitNextRequest()))
            break;
        stream.BeginRequest();
        bool closed = false;
        ok = process_request(stream, served + 1 == limits_.requests_per_connection, closed,
                             [](httplib::Request& req) { req.ranges.clear(); });
        if (stream.failure() != GuardedStream::Failure::kNone) {
            stream.AnswerFailure();
            break;
        }
        if (!ok || closed)
            break;
    }
    ::shutdown(sock, SHUT_RDWR);
    ::close(sock);
    return ok;
}

} // namespace trekhold
