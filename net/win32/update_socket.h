// The update download's TCP connection on Winsock. Its events (connected, data, closed)
// arrive as a window message on the user interface thread (WSAAsyncSelect); nothing blocks
// but the name lookup.
#pragma once

#include "base/win32/unique_handle.h"
#include "net/update_http.h"

#include <string>

namespace win32 {

class UpdateSocket {
  public:
    // The message the socket's events arrive as: wParam the socket, lParam the event and error.
    static constexpr UINT kSocketMessage = WM_APP + 0x135;

    UpdateSocket();
    ~UpdateSocket();
    UpdateSocket(const UpdateSocket&) = delete;
    UpdateSocket& operator=(const UpdateSocket&) = delete;

    // Closes an open connection, then starts connecting to the server; its events go to
    // `window`. False (the failing call logged) when it cannot even start.
    bool Connect(HWND window, const UpdateServer& server);
    // Closes the connection (nothing happens when there is none).
    void Close();
    bool open() const { return static_cast<bool>(socket_); }

    enum class Event { None, Connected, Data, Closed, Failed };
    // Reads one kSocketMessage. Events of a socket closed since are None. For Data, and for
    // Closed (the last bytes), the bytes waiting now are appended to `data`.
    Event OnMessage(WPARAM wparam, LPARAM lparam, std::string& data);

    // Sends the request (the rest goes when the socket can take it). False on failure.
    bool Send(const std::string& bytes);

  private:
    bool Flush();

    bool started_ = false; // WSAStartup succeeded
    UniqueSocket socket_;
    std::string unsent_;
};

} // namespace win32
