#include "net/win32/update_socket.h"

#include "base/win32/last_error.h"

#include <ws2tcpip.h>

#include <memory>

namespace win32 {

UpdateSocket::UpdateSocket() {
    WSADATA data;
    const int error = ::WSAStartup(MAKEWORD(2, 2), &data);
    started_ = error == 0;
    if (!started_)
        LogFailure(L"WSAStartup", static_cast<DWORD>(error));
}

UpdateSocket::~UpdateSocket() {
    Close();
    if (started_)
        ::WSACleanup();
}

bool UpdateSocket::Connect(HWND window, const UpdateServer& server) {
    Close();
    if (!started_)
        return false;
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_protocol = IPPROTO_TCP;
    addrinfo* found = nullptr;
    const std::string port = std::to_string(server.port);
    const int error = ::getaddrinfo(server.host.c_str(), port.c_str(), &hints, &found);
    if (error != 0 || !found) {
        LogFailure(L"getaddrinfo", static_cast<DWORD>(error));
        return false;
    }
    std::unique_ptr<addrinfo, decltype(&::freeaddrinfo)> addresses(found, &::freeaddrinfo);
    socket_.reset(::socket(found->ai_family, found->ai_socktype, found->ai_protocol));
    if (!socket_) {
        LogFailure(L"socket", static_cast<DWORD>(::WSAGetLastError()));
        return false;
    }
    // Non-blocking from here on; connect reports through FD_CONNECT.
    if (::WSAAsyncSelect(socket_.get(), window, kSocketMessage,
                         FD_CONNECT | FD_READ | FD_WRITE | FD_CLOSE) != 0) {
        LogFailure(L"WSAAsyncSelect", static_cast<DWORD>(::WSAGetLastError()));
        Close();
        return false;
    }
    if (::connect(socket_.get(), found->ai_addr, static_cast<int>(found->ai_addrlen)) != 0 &&
        ::WSAGetLastError() != WSAEWOULDBLOCK) {
        LogFailure(L"connect", static_cast<DWORD>(::WSAGetLastError()));
        Close();
        return false;
    }
    return true;
}

void UpdateSocket::Close() {
    socket_.reset();
    unsent_.clear();
}

UpdateSocket::Event UpdateSocket::OnMessage(WPARAM wparam, LPARAM lparam, std::string& data) {
    if (!socket_ || static_cast<SOCKET>(wparam) != socket_.get())
        return Event::None;
    const int error = WSAGETSELECTERROR(lparam);
    switch (WSAGETSELECTEVENT(lparam)) {
    case FD_CONNECT:
        if (error != 0) {
            LogFailure(L"connect", static_cast<DWORD>(error));
            Close();
            return Event::Failed;
        }
        return Event::Connected;
    case FD_WRITE:
        return Flush() ? Event::None : Event::Failed;
    case FD_READ:
    case FD_CLOSE: {
        const bool closing = WSAGETSELECTEVENT(lparam) == FD_CLOSE;
        // Everything waiting now; at FD_CLOSE the last bytes may still be queued.
        char buffer[16384];
        for (;;) {
            const int n = ::recv(socket_.get(), buffer, sizeof buffer, 0);
            if (n > 0) {
                data.append(buffer, static_cast<size_t>(n));
                if (!closing)
                    break; // one read per FD_READ: Winsock posts another while bytes remain
                continue;
            }
            if (n < 0 && ::WSAGetLastError() != WSAEWOULDBLOCK) {
                LogFailure(L"recv", static_cast<DWORD>(::WSAGetLastError()));
                Close();
                return data.empty() ? Event::Failed : Event::Data;
            }
            break;
        }
        if (closing) {
            if (error != 0)
                LogFailure(L"connection", static_cast<DWORD>(error));
            Close();
            return Event::Closed;
        }
        return data.empty() ? Event::None : Event::Data;
    }
    }
    return Event::None;
}

bool UpdateSocket::Send(const std::string& bytes) {
    unsent_ += bytes;
    return Flush();
}

bool UpdateSocket::Flush() {
    while (socket_ && !unsent_.empty()) {
        const int n = ::send(socket_.get(), unsent_.data(), static_cast<int>(unsent_.size()), 0);
        if (n < 0) {
            if (::WSAGetLastError() == WSAEWOULDBLOCK)
                return true; // FD_WRITE comes when it can take more
            LogFailure(L"send", static_cast<DWORD>(::WSAGetLastError()));
            Close();
            return false;
        }
        unsent_.erase(0, static_cast<size_t>(n));
    }
    return true;
}

} // namespace win32
