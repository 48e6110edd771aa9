#include "server/bounded_server.h"
#include "server/request_head_guard.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <thread>
#include <vector>
#include <unistd.h>

using namespace trekhold;
using Clock = std::chrono::steady_clock;
using Verdict = RequestHeadGuard::Verdict;

TEST(RequestHeadGuard, EndsAtTheFirstBlankLineAndBoundsBytesAndLines) {
    RequestHeadGuard guard(100, 3);
    const std::string head = "GET / HTTP/1.1\r\nA: 1\r\nB: 2\r\n\r\nbody";
    EXPECT_EQ(guard.Take(head.data(), head.size()), Verdict::kComplete);
    EXPECT_EQ(guard.bytes(), head.size() - 4); // the body is not counted
    // A request line that is blank does not end the head; a line ended by LF alone neither.
    guard.Restart();
    EXPECT_EQ(guard.Take("\r\nGET / HTTP/1.1\r\n\n", 19), Verdict::kReading);
    EXPECT_EQ(guard.Take("\r\n", 2), Verdict::kComplete); // a blank line is not counted
    guard.Restart();
    for (char c : std::string("GET / HTTP/1.1\r\nA: 1\r\nB: 2\r\n"))
        ASSERT_EQ(guard.Take(&c, 1), Verdict::kReading); // byte by byte, as the parser reads
    EXPECT_EQ(guard.Take("C", 1), Verdict::kReading);
    EXPECT_EQ(guard.Take(": 3\r\n", 5), Verdict::kTooLarge);
    // Bytes: one header line without end.
    guard.Restart();
    const std::string endless = "GET / HTTP/1.1\r\nX: " + std::string(200, 'x');
    EXPECT_EQ(guard.Take(endless.data(), endless.size()), Verdict::kTooLarge);
    EXPECT_EQ(guard.bytes(), 101u);
    EXPECT_EQ(guard.Take("\r\n\r\n", 4), Verdict::kTooLarge); // stays refused
}

namespace {

// A BoundedServer on a loopback port with short limits, stopped at the end.
class BoundedServerTest : public ::testing::Test {
  protected:
    void SetUp() override {
        limits_.request_deadline = std::chrono::milliseconds(600);
        limits_.keep_alive = std::chrono::milliseconds(300);
        limits_.max_head_bytes = 4096;
        limits_.max_header_lines = 20;
        limits_.requests_per_connection = 3;
        limits_.worker_threads = 2;
        server_ = std::make_unique<BoundedServer>(limits_);
        server_->Get("/text", [](const httplib::Request&, httplib::Response& res) {
            res.set_content("0123456789", "text/plain");
        });
        std::string error;
        port_ = server_->Bind("127.0.0.1", 0, error);
        ASSERT_GT(port_, 0) << error;
        thread_ = std::thread([this] { server_->listen_after_bind(); });
        // stop() does nothing before the server runs.
        const auto until = Clock::now() + std::chrono::seconds(5);
        while (!server_->is_running() && Clock::now() < until)
            std::this_thread::yield();
        ASSERT_TRUE(server_->is_running());
    }
    void TearDown() override {
        server_->stop();
        if (thread_.joinable())
            thread_.join();
    }
    int Connect() {
        int fd = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(static_cast<uint16_t>(port_));
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        EXPECT_EQ(::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
        return fd;
    }
    // Everything the server sends until it closes, or until `limit` passes.
    static std::string ReadAll(int fd, std::chrono::milliseconds limit = std::chrono::seconds(5)) {
        std::string data;
        const auto until = Clock::now() + limit;
        char buffer[4096];
        for (;;) {
            auto left = std::chrono::duration_cast<std::chrono::milliseconds>(until - Clock::now());
            pollfd p{fd, POLLIN, 0};
            if (left.count() <= 0 || ::poll(&p, 1, static_cast<int>(left.count())) <= 0)
                return data + "<still open>";
            ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
            if (n <= 0)
                return data;
            data.append(buffer, static_cast<size_t>(n));
        }
    }
    static void Send(int fd, const std::string& text) {
        ASSERT_EQ(::send(fd, text.data(), text.size(), MSG_NOSIGNAL),
                  static_cast<ssize_t>(text.size()));
    }
    // The whole answer to `request`, sent on a connection of its own.
    std::string Exchange(const std::string& request) {
        const int fd = Connect();
        Send(fd, request);
        std::string response = ReadAll(fd);
        ::close(fd);
        return response;
    }
    static std::string Status(const std::string& response) {
        return response.substr(0, response.find("\r\n"));
    }

    ConnectionLimits limits_;
    std::unique_ptr<BoundedServer> server_;
    int port_ = 0;
    std::thread thread_;
};

} // namespace

TEST_F(BoundedServerTest, ASlowRequestIsCutAtItsDeadline) {
    int fd = Connect();
    const auto start = Clock::now();
    // One byte every 100 ms: each read is quick, the whole request is not.
    for (char c : std::string("GET /text HTTP/1.1\r\nHost: x\r\n")) {
        if (::send(fd, &c, 1, MSG_NOSIGNAL) != 1)
            break;
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, 100) > 0)
            break; // answered (and closed)
    }
    const std::string response = ReadAll(fd);
    const auto took = Clock::now() - start;
    EXPECT_EQ(Status(response), "HTTP/1.1 408 Request Timeout");
    EXPECT_GE(took, std::chrono::milliseconds(550));
    EXPECT_LT(took, std::chrono::milliseconds(2500));
    ::close(fd);
    // A connection that sends nothing is closed without an answer.
    fd = Connect();
    EXPECT_EQ(ReadAll(fd), "");
    ::close(fd);
}

TEST_F(BoundedServerTest, OversizedHeadsAreRefused) {
    EXPECT_EQ(Status(Exchange("GET /" + std::string(5000, 'a'))), "HTTP/1.1 414 URI Too Long");
    EXPECT_EQ(Status(Exchange("GET /text HTTP/1.1\r\nX: " + std::string(5000, 'x'))),
              "HTTP/1.1 431 Request Header Fields Too Large");
    std::string many = "GET /text HTTP/1.1\r\n";
    for (int i = 0; i < 25; ++i)
        many += "X" + std::to_string(i) + ": 1\r\n";
    EXPECT_EQ(Status(Exchange(many + "\r\n")), "HTTP/1.1 431 Request Header Fields Too Large");
    // Just within the bounds: answered.
    std::string fits = "GET /text HTTP/1.1\r\nConnection: close\r\n";
    for (int i = 0; i < 18; ++i)
        fits += "X" + std::to_string(i) + ": 1\r\n";
    EXPECT_EQ(Status(Exchange(fits + "\r\n")), "HTTP/1.1 200 OK");
}

TEST_F(BoundedServerTest, KeepAliveIsShortAndCounted) {
    int fd = Connect();
    const std::string request = "GET /text HTTP/1.1\r\nHost: x\r\n\r\n";
    Send(fd, request + request + request + request); // pipelined, one over the count
    std::string all = ReadAll(fd);
    size_t answers = 0;
    for (size_t at = all.find("HTTP/1.1 200"); at != std::string::npos;
         at = all.find("HTTP/1.1 200", at + 1))
        ++answers;
    EXPECT_EQ(answers, 3u);
    EXPECT_NE(all.find("Connection: close"), std::string::npos);
    ::close(fd);
    // An idle connection is closed after the keep-alive time.
    const auto start = Clock::now();
    all = Exchange(request);
    EXPECT_EQ(Status(all), "HTTP/1.1 200 OK");
    EXPECT_EQ(all.find("<still open>"), std::string::npos);
    EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(2000));
}

TEST_F(BoundedServerTest, AnswersAreNeverCutIntoRangesByTheLibrary) {
    const std::string response =
        Exchange("GET /text HTTP/1.1\r\nRange: bytes=0-0,2-2,4-4\r\nConnection: close\r\n\r\n");
    EXPECT_EQ(Status(response), "HTTP/1.1 200 OK");
    EXPECT_EQ(response.substr(response.size() - 10), "0123456789");
}

TEST_F(BoundedServerTest, StopsPromptlyWithSlowClientsConnected) {
    int a = Connect(), b = Connect();
    Send(a, "GET /te");
    const auto start = Clock::now();
    server_->stop();
    thread_.join();
    EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(1500));
    ::close(a);
    ::close(b);
}

TEST_F(BoundedServerTest, SlowClientsHoldNoWorker) {
    // Five times as many half-sent requests as workers, and idle connections.
    std::vector<int> slow;
    for (int i = 0; i < 10; ++i) {
        slow.push_back(Connect());
        Send(slow.back(), "GET /text HTTP/1.1\r\nX-Slow: ");
        slow.push_back(Connect());
    }
    const auto start = Clock::now();
    EXPECT_EQ(Status(Exchange("GET /text HTTP/1.1\r\nConnection: close\r\n\r\n")),
              "HTTP/1.1 200 OK");
    // Served while they wait: without the room the workers would be taken for 10 deadlines.
    EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(1500));
    for (int s : slow)
        ::close(s);
}
