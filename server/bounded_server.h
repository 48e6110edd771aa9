// The HTTP server with bounds on what one connection may take: cpp-httplib's server, whose
// connection handling is replaced by one that
//  - gathers each request head (request line and header lines) in one waiting room, a
//    thread that watches every connection at once, and gives a connection to a worker
//    thread only once its head is complete: clients that send slowly, or connect and send
//    nothing, hold no worker;
//  - bounds the head (bytes and lines), answering 414 or 431 and closing when it is over;
//  - gives the whole request one deadline, however slowly it trickles in, answering 408 and
//    closing when it passes (the body, read by the worker, too);
//  - keeps an idle connection only briefly between requests (in the waiting room), and for
//    a bounded number of them; bounds each write by a timeout;
//  - never lets the library cut an answer into byte ranges (a route that serves ranges reads
//    the Range header itself);
// and whose listening socket has a backlog of its own.
//
// Debian's cpp-httplib (0.11) is a compiled library: its CPPHTTPLIB_* settings (listen
// backlog 5, no bound on the number of header lines or on a whole request) are fixed when
// the library is built, so they cannot be changed from here; what it offers at run time
// (read and write timeouts per call, keep-alive count and timeout, the task queue) bounds
// a single read, not a request, and holds a worker per connection. The connection handling
// here uses the library's own request parsing and routing through a stream of ours.
#pragma once

#include <httplib.h>

#include <chrono>
#include <cstddef>
#include <memory>
#include <string>

namespace trekhold {

struct ConnectionLimits {
    size_t worker_threads = 32;
    size_t max_head_bytes = 16 * 1024;
    size_t max_header_lines = 100; // with the request line
    std::chrono::milliseconds request_deadline{10000};
    std::chrono::milliseconds keep_alive{2000};
    size_t requests_per_connection = 100;
    std::chrono::milliseconds write_timeout{10000};
    int listen_backlog = 1024;
};

struct Connection;
class WaitingRoom;
class WorkerPool;

class BoundedServer : public httplib::Server {
  public:
    explicit BoundedServer(ConnectionLimits limits);
    ~BoundedServer() override;

    // Binds and listens with the configured backlog. `port` 0 takes any free port and
    // returns it; -1 when the address cannot be taken (the cause in `error`).
    int Bind(const std::string& address, int port, std::string& error);

  private:
    bool process_and_close_socket(socket_t sock) override;
    // On a worker: the requests of a connection whose head is complete, as long as the
    // next one is already there; then back to the waiting room or closed.
    void Serve(std::shared_ptr<Connection> connection);

    ConnectionLimits limits_;
    int listen_fd_ = -1;
    std::unique_ptr<WaitingRoom> room_;
};

} // namespace trekhold
