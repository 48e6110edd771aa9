#include "tiny_http_server.h"

#include <ws2tcpip.h>

#include <algorithm>

namespace wintest {

namespace {

struct WinsockSession {
    WinsockSession() {
        WSADATA data;
        WSAStartup(MAKEWORD(2, 2), &data);
    }
    ~WinsockSession() { WSACleanup(); }
};

void EnsureWinsock() {
    static WinsockSession session;
}

sockaddr_in Loopback(unsigned short port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return address;
}

} // namespace

TinyHttpServer::TinyHttpServer(Reply reply)
    : reply_(std::move(reply)), stop_(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {
    EnsureWinsock();
}

TinyHttpServer::~TinyHttpServer() {
    SetEvent(stop_.get());
    if (thread_)
        WaitForSingleObject(thread_.get(), 10000);
}

bool TinyHttpServer::Start() {
    listener_.reset(socket(AF_INET, SOCK_STREAM, IPPROTO_TCP));
    if (!listener_)
        return false;
    sockaddr_in address = Loopback(0);
    if (bind(listener_.get(), reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        listen(listener_.get(), 8) != 0)
        return false;
    int length = sizeof address;
    getsockname(listener_.get(), reinterpret_cast<sockaddr*>(&address), &length);
    port_ = ntohs(address.sin_port);
    thread_.reset(CreateThread(nullptr, 0, &TinyHttpServer::ThreadMain, this, 0, nullptr));
    return static_cast<bool>(thread_);
}

std::string TinyHttpServer::Url(const std::string& path) const {
    return "http://127.0.0.1:" + std::to_string(port_) + path;
}

std::vector<std::string> TinyHttpServer::RequestLines() {
    AcquireSRWLockShared(&lock_);
    std::vector<std::string> lines;
    for (const std::string& head : heads_)
        lines.push_back(head.substr(0, head.find("\r\n")));
    ReleaseSRWLockShared(&lock_);
    return lines;
}

std::string TinyHttpServer::LastHead() {
    AcquireSRWLockShared(&lock_);
    std::string head = heads_.empty() ? std::string() : heads_.back();
    ReleaseSRWLockShared(&lock_);
    return head;
}

DWORD WINAPI TinyHttpServer::ThreadMain(void* self) {
    static_cast<TinyHttpServer*>(self)->Serve();
    return 0;
}

void TinyHttpServer::Serve() {
    while (WaitForSingleObject(stop_.get(), 0) == WAIT_TIMEOUT) {
        fd_set readable;
        FD_ZERO(&readable);
        FD_SET(listener_.get(), &readable);
        timeval tick{0, 20000};
        if (select(0, &readable, nullptr, nullptr, &tick) <= 0)
            continue;
        win32::UniqueSocket client(accept(listener_.get(), nullptr, nullptr));
        if (client)
            Handle(std::move(client));
    }
    held_.clear();
}

void TinyHttpServer::Handle(win32::UniqueSocket client) {
    std::string head;
    char buffer[4096];
    while (head.find("\r\n\r\n") == std::string::npos && head.size() < 65536) {
        const int n = recv(client.get(), buffer, sizeof buffer, 0);
        if (n <= 0)
            return;
        head.append(buffer, static_cast<size_t>(n));
    }
    AcquireSRWLockExclusive(&lock_);
    heads_.push_back(head.substr(0, head.find("\r\n\r\n")));
    ReleaseSRWLockExclusive(&lock_);

    if (!reply_.pieces) {
        held_.push_back(std::move(client));
        return;
    }
    const size_t path_start = head.find(' ') + 1;
    const std::string path = head.substr(path_start, head.find(' ', path_start) - path_start);
    for (const std::string& piece : reply_.pieces(path)) {
        if (reply_.gap_ms && WaitForSingleObject(stop_.get(), reply_.gap_ms) != WAIT_TIMEOUT)
            return;
        for (size_t sent = 0; sent < piece.size();) {
            const int n = send(client.get(), piece.data() + sent,
                               static_cast<int>(std::min<size_t>(piece.size() - sent, 65536)), 0);
            if (n <= 0)
                return;
            sent += static_cast<size_t>(n);
        }
    }
    if (reply_.keep_open)
        held_.push_back(std::move(client));
    else
        shutdown(client.get(), SD_SEND);
}

TinyHttpServer::Reply Answering(const std::string& status, const std::string& body,
                                DWORD delay_ms) {
    const std::string response = "HTTP/1.1 " + status +
                                 "\r\nContent-Type: text/html\r\nContent-Length: " +
                                 std::to_string(body.size()) + "\r\nConnection: close\r\n\r\n" +
                                 body;
    return {[response](const std::string&) { return std::vector<std::string>{response}; },
            delay_ms};
}

unsigned short UnusedPort() {
    EnsureWinsock();
    win32::UniqueSocket s(socket(AF_INET, SOCK_STREAM, IPPROTO_TCP));
    sockaddr_in address = Loopback(0);
    bind(s.get(), reinterpret_cast<sockaddr*>(&address), sizeof address);
    int length = sizeof address;
    getsockname(s.get(), reinterpret_cast<sockaddr*>(&address), &length);
    return ntohs(address.sin_port);
}

} // namespace wintest
