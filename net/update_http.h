// The update download's own HTTP/1.1 exchange: where it connects, the request it sends for
// each file, and the reading of the response as its bytes arrive.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// The host of the `Server` URL: the text of the Host line (the URL's host and port as
// written, without scheme, user and path), the name or address to connect to, and the port
// (80 when the URL names none).
struct UpdateServer {
    std::string host_line;
    std::string host;
    uint16_t port = 80;
};
// Empty when the URL names no host or a port that is no number from 1 to 65535.
std::optional<UpdateServer> UpdateServerOf(const std::string& base_url);

// The request for one file: seven lines, each ended by CR LF, then an empty line.
std::string UpdateRequest(const std::string& remote_path, const std::string& host_line);

enum class ResponseFault {
    None,
    HeaderTooLong,   // no end of header within the first 64 KiB
    BadStatus,       // no status line, or a status other than 200 and 206
    NoContentType,   // no Content-Type line
    NoContentLength, // no Content-Length line, or one that is no number below 2^31
    EmptyBody,       // Content-Length 0: there is nothing to install
};

// The response to one request, fed chunk by chunk as the socket delivers them. The header is
// kept until it is complete, however the chunks cut it; the header lines are matched without
// regard to case. Body bytes beyond the announced length are not part of the file.
class UpdateResponseReader {
  public:
    struct Step {
        bool header_completed = false; // this chunk completed the header
        std::string_view body;         // the file's bytes in this chunk (valid until the next Feed)
        ResponseFault fault = ResponseFault::None;
    };
    Step Feed(std::string_view chunk);

    bool header_parsed() const { return header_parsed_; }
    int status() const { return status_; }
    uint32_t announced_length() const { return announced_length_; }
    uint32_t body_received() const { return body_received_; }
    bool complete() const { return header_parsed_ && body_received_ >= announced_length_; }

  private:
    ResponseFault ParseHeader(std::string_view header);

    std::string header_;
    bool header_parsed_ = false;
    bool failed_ = false;
    int status_ = 0;
    uint32_t announced_length_ = 0;
    uint32_t body_received_ = 0;
};

// The line the download window shows for a fault (English, as the window's other texts).
std::wstring ResponseFaultText(ResponseFault fault, int status);
