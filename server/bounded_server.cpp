#include "server/bounded_server.h"

#include "server/problem_log.h"
#include "server/request_head_guard.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <fcntl.h>
#include <stdexcept>
#include <mutex>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace trekhold {

using Clock = std::chrono::steady_clock;

// One client connection between its requests and while its head arrives.
struct Connection {
    Connection(int socket, const ConnectionLimits& limits)
        : fd(socket), guard(limits.max_head_bytes, limits.max_header_lines) {}
    ~Connection() {
        ::shutdown(fd, SHUT_RDWR);
        ::close(fd);
    }
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    int fd;
    std::string pending; // received, not yet parsed: the head (and what followed it)
    RequestHeadGuard guard;
    Clock::time_point deadline; // of the request under way, or of the wait for the next
    bool idle = false;          // between requests: nothing of the next one yet
    size_t served = 0;
};

namespace {

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

bool WaitWritable(int fd, std::chrono::milliseconds timeout) {
    pollfd p{fd, POLLOUT, 0};
    return ::poll(&p, 1, static_cast<int>(timeout.count())) > 0;
}

// The answer to a request that was not read whole; nothing when nothing of it came.
void AnswerUnread(int fd, const RequestHeadGuard& guard, bool timed_out,
                  const ConnectionLimits& limits) {
    const char* status = nullptr;
    if (guard.verdict() == RequestHeadGuard::Verdict::kTooLarge)
        status = guard.lines() == 0 ? "414 URI Too Long" : "431 Request Header Fields Too Large";
    else if (timed_out && guard.bytes() > 0)
        status = "408 Request Timeout";
    if (!status)
        return;
    const std::string text = std::string(status).substr(4);
    const std::string response = std::string("HTTP/1.1 ") + status +
                                 "\r\nConnection: close\r\nContent-Type: text/plain\r\n"
                                 "Content-Length: " +
                                 std::to_string(text.size()) + "\r\n\r\n" + text;
    if (WaitWritable(fd, limits.write_timeout))
        (void)::send(fd, response.data(), response.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
}

// A connection's socket as the library's parser reads and writes it, starting with the
// bytes the waiting room received, with the request deadline and the head bounds.
class GuardedStream : public httplib::Stream {
  public:
    enum class Failure { kNone, kClosed, kTimedOut, kHeadTooLarge };

    GuardedStream(int fd, const ConnectionLimits& limits, const std::atomic<socket_t>& listening)
        : fd_(fd), limits_(limits), listening_(listening),
          guard_(limits.max_head_bytes, limits.max_header_lines) {}

    void BeginRequest(std::string received) {
        buffer_ = std::move(received);
        begin_ = 0;
        guard_.Restart();
        deadline_ = Clock::now() + limits_.request_deadline;
        failure_ = Failure::kNone;
    }
    // What was received beyond the requests parsed so far (a pipelined next request).
    std::string TakeUnparsed() {
        std::string rest = buffer_.substr(begin_);
        buffer_.clear();
        begin_ = 0;
        return rest;
    }
    Failure failure() const { return failure_; }
    const RequestHeadGuard& guard() const { return guard_; }

    bool is_readable() const override {
        return begin_ < buffer_.size() || Wait(POLLIN, deadline_) == WaitResult::kReady;
    }
    bool is_writable() const override {
        return failure_ == Failure::kNone &&
               Wait(POLLOUT, Clock::now() + limits_.write_timeout) == WaitResult::kReady;
    }

    ssize_t read(char* ptr, size_t size) override {
        if (failure_ != Failure::kNone)
            return -1;
        if (begin_ == buffer_.size()) {
            switch (Wait(POLLIN, deadline_)) {
            case WaitResult::kReady:
                break;
            case WaitResult::kTimedOut:
                return Fail(Failure::kTimedOut);
            case WaitResult::kStopped:
                return Fail(Failure::kClosed);
            }
            char chunk[4096];
            ssize_t n = ::recv(fd_, chunk, sizeof chunk, 0);
            if (n <= 0)
                return n < 0 ? Fail(Failure::kClosed) : 0;
            buffer_.assign(chunk, static_cast<size_t>(n));
            begin_ = 0;
        }
        size_t n = std::min(size, buffer_.size() - begin_);
        std::memcpy(ptr, buffer_.data() + begin_, n);
        begin_ += n;
        if (guard_.verdict() == RequestHeadGuard::Verdict::kReading &&
            guard_.Take(ptr, n) == RequestHeadGuard::Verdict::kTooLarge)
            return Fail(Failure::kHeadTooLarge);
        return static_cast<ssize_t>(n);
    }

    ssize_t write(const char* ptr, size_t size) override {
        // After a failed read the library would answer 400; the caller answers instead.
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
    std::string buffer_;
    size_t begin_ = 0;
};

} // namespace

// The worker threads, as the library's task queue; once shut down it takes no more work.
class WorkerPool : public httplib::TaskQueue {
  public:
    WorkerPool(size_t threads, WaitingRoom& room) : pool_(threads), room_(room) {}
    void enqueue(std::function<void()> fn) override { TryEnqueue(std::move(fn)); }
    bool TryEnqueue(std::function<void()> fn) {
        std::lock_guard<std::mutex> lock(mutex_);
        if (!open_)
            return false;
        pool_.enqueue(std::move(fn));
        return true;
    }
    void shutdown() override;

  private:
    httplib::ThreadPool pool_;
    WaitingRoom& room_;
    std::mutex mutex_;
    bool open_ = true;
};

// One thread that watches every connection waiting for (the rest of) a request head.
class WaitingRoom {
  public:
    WaitingRoom(const ConnectionLimits& limits, std::function<void(std::shared_ptr<Connection>)> serve)
        : limits_(limits), serve_(std::move(serve)) {
        int fds[2];
        if (::pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0)
            throw std::runtime_error(std::string("pipe2: ") + std::strerror(errno));
        wake_read_ = fds[0];
        wake_write_ = fds[1];
        thread_ = std::thread([this] { Loop(); });
    }
    ~WaitingRoom() {
        Stop();
        ::close(wake_read_);
        ::close(wake_write_);
    }

    // Takes the connection (closed at once when the room has stopped).
    void Add(std::shared_ptr<Connection> connection) {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            if (stopping_)
                return;
            arrivals_.push_back(std::move(connection));
        }
        Wake();
    }
    void SetPool(WorkerPool* pool) {
        std::lock_guard<std::mutex> lock(mutex_);
        pool_ = pool;
    }
    void Stop() {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            stopping_ = true;
        }
        Wake();
        if (thread_.joinable())
            thread_.join();
    }

  private:
    void Wake() { (void)!::write(wake_write_, "x", 1); }

    void Loop() {
        std::vector<std::shared_ptr<Connection>> waiting;
        for (;;) {
            {
                std::lock_guard<std::mutex> lock(mutex_);
                if (stopping_) {
                    arrivals_.clear();
                    return; // the waiting connections close with `waiting`
                }
                for (auto& c : arrivals_)
                    waiting.push_back(std::move(c));
                arrivals_.clear();
            }
            std::vector<pollfd> polled{{wake_read_, POLLIN, 0}};
            auto next = Clock::now() + kStopCheck;
            for (const auto& c : waiting) {
                polled.push_back({c->fd, POLLIN, 0});
                next = std::min(next, c->deadline);
            }
            auto wait = std::chrono::duration_cast<std::chrono::milliseconds>(next - Clock::now());
            ::poll(polled.data(), polled.size(), static_cast<int>(std::max<int64_t>(0, wait.count()) + 1));
            char drain[64];
            while (::read(wake_read_, drain, sizeof drain) > 0) {
            }
            const auto now = Clock::now();
            std::vector<std::shared_ptr<Connection>> still;
            for (size_t i = 0; i < waiting.size(); ++i) {
                auto& c = waiting[i];
                if (polled[i + 1].revents != 0) {
                    if (Receive(*c, now) && !Ready(c))
                        still.push_back(std::move(c));
                } else if (now >= c->deadline) {
                    AnswerUnread(c->fd, c->guard, !c->idle, limits_);
                } else {
                    still.push_back(std::move(c));
                }
            }
            waiting.swap(still);
        }
    }

    // False when the connection ends here (closed by the client, or over a bound).
    bool Receive(Connection& c, Clock::time_point now) {
        char chunk[4096];
        ssize_t n = ::recv(c.fd, chunk, sizeof chunk, MSG_DONTWAIT);
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR))
            return true;
        if (n <= 0)
            return false;
        if (c.idle) { // the next request begins: its deadline runs from here
            c.idle = false;
            c.deadline = now + limits_.request_deadline;
        }
        c.pending.append(chunk, static_cast<size_t>(n));
        if (c.guard.Take(chunk, static_cast<size_t>(n)) == RequestHeadGuard::Verdict::kTooLarge) {
            AnswerUnread(c.fd, c.guard, false, limits_);
            return false;
        }
        return true;
    }

    // Hands a connection whose head is complete to a worker; true when it left the room.
    bool Ready(const std::shared_ptr<Connection>& c) {
        if (c->guard.verdict() != RequestHeadGuard::Verdict::kComplete)
            return false;
        std::lock_guard<std::mutex> lock(mutex_);
        // Not taken (the server stops): the connection closes when the last holder lets go.
        if (pool_)
            pool_->TryEnqueue([serve = serve_, c] { serve(c); });
        return true;
    }

    const ConnectionLimits& limits_;
    std::function<void(std::shared_ptr<Connection>)> serve_;
    int wake_read_ = -1, wake_write_ = -1;
    std::mutex mutex_;
    std::vector<std::shared_ptr<Connection>> arrivals_;
    WorkerPool* pool_ = nullptr;
    bool stopping_ = false;
    std::thread thread_;
};

void WorkerPool::shutdown() {
    room_.Stop(); // no connection waits any more, none is handed over
    {
        std::lock_guard<std::mutex> lock(mutex_);
        open_ = false;
    }
    room_.SetPool(nullptr);
    pool_.shutdown(); // the workers finish the requests they serve
}

BoundedServer::BoundedServer(ConnectionLimits limits)
    : limits_(limits),
      room_(std::make_unique<WaitingRoom>(limits_, [this](std::shared_ptr<Connection> c) {
          Serve(std::move(c));
      })) {
    set_socket_options([this](socket_t fd) {
        int yes = 1;
        ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
        listen_fd_ = fd;
    });
    new_task_queue = [this] {
        auto* pool = new WorkerPool(limits_.worker_threads, *room_);
        room_->SetPool(pool);
        return pool;
    };
}

BoundedServer::~BoundedServer() {
    room_->Stop();
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
    // Called on a worker just after the connection was accepted: the worker is given back
    // at once, and the connection waits in the room for its head.
    auto connection = std::make_shared<Connection>(sock, limits_);
    connection->deadline = Clock::now() + limits_.request_deadline;
    room_->Add(std::move(connection));
    return true;
}

void BoundedServer::Serve(std::shared_ptr<Connection> c) {
    GuardedStream stream(c->fd, limits_, svr_sock_);
    for (;;) {
        stream.BeginRequest(std::move(c->pending));
        bool closed = false;
        const bool last = ++c->served >= limits_.requests_per_connection;
        bool ok = process_request(stream, last, closed,
                                  [](httplib::Request& req) { req.ranges.clear(); });
        if (stream.failure() != GuardedStream::Failure::kNone) {
            AnswerUnread(c->fd, stream.guard(),
                         stream.failure() == GuardedStream::Failure::kTimedOut, limits_);
            return;
        }
        // A head the library stopped reading (a malformed request line) leaves the rest of
        // it unread: the connection cannot go on.
        if (!ok || closed || last || svr_sock_ == INVALID_SOCKET ||
            stream.guard().verdict() != RequestHeadGuard::Verdict::kComplete)
            return;
        // The next request: at once when its head is already here, else in the room.
        c->pending = stream.TakeUnparsed();
        c->guard.Restart();
        c->idle = c->pending.empty();
        c->deadline = Clock::now() + (c->idle ? limits_.keep_alive : limits_.request_deadline);
        if (c->guard.Take(c->pending.data(), c->pending.size()) !=
            RequestHeadGuard::Verdict::kComplete) {
            if (c->guard.verdict() == RequestHeadGuard::Verdict::kTooLarge)
                AnswerUnread(c->fd, c->guard, false, limits_);
            else
                room_->Add(std::move(c));
            return;
        }
    }
}

} // namespace trekhold
