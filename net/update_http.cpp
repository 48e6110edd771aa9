#include "net/update_http.h"

#include "base/number_text.h"

#include <algorithm>
#include <cctype>
#include <vector>

namespace {

constexpr size_t kMaxHeader = 64 * 1024;

bool EqualsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::toupper(static_cast<unsigned char>(a[i])) !=
            std::toupper(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

std::string_view Trimmed(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
        text.remove_suffix(1);
    return text;
}

std::optional<int> ParseStatus(std::string_view line) {
    // "HTTP/1.x SSS reason"
    if (line.size() < 12 || line.substr(0, 5) != "HTTP/")
        return std::nullopt;
    const size_t blank = line.find(' ');
    if (blank == std::string_view::npos || blank + 4 > line.size())
        return std::nullopt;
    int status = 0;
    for (size_t i = blank + 1; i < blank + 4; ++i) {
        if (line[i] < '0' || line[i] > '9')
            return std::nullopt;
        status = status * 10 + (line[i] - '0');
    }
    if (blank + 4 < line.size() && line[blank + 4] != ' ')
        return std::nullopt;
    return status;
}

} // namespace

std::optional<UpdateServer> UpdateServerOf(const std::string& base_url) {
    std::string_view rest = base_url;
    const size_t scheme = rest.find("://");
    if (scheme != std::string_view::npos)
        rest.remove_prefix(scheme + 3);
    rest = rest.substr(0, rest.find_first_of("/?#"));
    const size_t at = rest.rfind('@');
    if (at != std::string_view::npos)
        rest.remove_prefix(at + 1);
    if (rest.empty())
        return std::nullopt;

    UpdateServer server;
    server.host_line = std::string(rest);
    std::string_view host = rest;
    std::string_view port;
    if (rest.front() == '[') { // [IPv6]:port
        const size_t close = rest.find(']');
        if (close == std::string_view::npos)
            return std::nullopt;
        host = rest.substr(1, close - 1);
        std::string_view after = rest.substr(close + 1);
        if (!after.empty()) {
            if (after.front() != ':')
                return std::nullopt;
            port = after.substr(1);
        }
    } else {
        const size_t colon = rest.find(':');
        if (colon != std::string_view::npos) {
            host = rest.substr(0, colon);
            port = rest.substr(colon + 1);
        }
    }
    if (host.empty())
        return std::nullopt;
    server.host = std::string(host);
    if (!port.empty()) {
        const std::optional<uint64_t> value = ParseUnsigned(std::string(port), 65535);
        if (!value || *value == 0)
            return std::nullopt;
        server.port = static_cast<uint16_t>(*value);
    }
    return server;
}

std::string UpdateRequest(const std::string& remote_path, const std::string& host_line) {
    return "GET " + remote_path +
           " HTTP/1.1\r\n"
           "Accept: image/gif, image/x-xbitmap, image/jpeg, image/pjpeg, */*\r\n"
           "Accept-Language: fr\r\n"
           "User-Agent: Mozilla/4.0 (compatible; MSIE 5.5; Windows 98)\r\n"
           "Range: bytes=0-\r\n"
           "Host: " +
           host_line +
           "\r\n"
           "Connection: Keep-Alive\r\n"
           "\r\n";
}

UpdateResponseReader::Step UpdateResponseReader::Feed(std::string_view chunk) {
    Step step;
    if (failed_)
        return step;
    if (!header_parsed_) {
        // Only what can still belong to the header is kept: a header ends within kMaxHeader.
        const size_t already = header_.size();
        header_.append(chunk.substr(0, kMaxHeader + 4 - std::min(already, kMaxHeader + 4)));
        const size_t search_from = already >= 3 ? already - 3 : 0;
        const size_t end = header_.find("\r\n\r\n", search_from);
        if (end == std::string::npos) {
            if (header_.size() > kMaxHeader) {
                failed_ = true;
                step.fault = ResponseFault::HeaderTooLong;
            }
            return step;
        }
        step.fault = ParseHeader(std::string_view(header_).substr(0, end));
        if (step.fault != ResponseFault::None) {
            failed_ = true;
            return step;
        }
        header_parsed_ = step.header_completed = true;
        // The body starts in this chunk after the header's last bytes.
        chunk.remove_prefix(end + 4 - already);
        header_.clear();
        header_.shrink_to_fit();
    }
    const uint32_t missing = announced_length_ - body_received_;
    step.body = chunk.substr(0, std::min<size_t>(chunk.size(), missing));
    body_received_ += static_cast<uint32_t>(step.body.size());
    return step;
}

ResponseFault UpdateResponseReader::ParseHeader(std::string_view header) {
    std::vector<std::string_view> lines;
    size_t start = 0;
    for (;;) {
        const size_t end = header.find("\r\n", start);
        lines.push_back(header.substr(start, end == std::string_view::npos ? end : end - start));
        if (end == std::string_view::npos)
            break;
        start = end + 2;
    }
    const std::optional<int> status = ParseStatus(lines.front());
    if (!status)
        return ResponseFault::BadStatus;
    status_ = *status;
    if (status_ != 200 && status_ != 206)
        return ResponseFault::BadStatus;
    bool has_type = false;
    std::optional<uint64_t> length;
    bool bad_length = false;
    for (size_t i = 1; i < lines.size(); ++i) {
        const size_t colon = lines[i].find(':');
        if (colon == std::string_view::npos)
            continue;
        const std::string_view name = Trimmed(lines[i].substr(0, colon));
        const std::string_view value = Trimmed(lines[i].substr(colon + 1));
        if (EqualsNoCase(name, "Content-Type")) {
            has_type = true;
        } else if (EqualsNoCase(name, "Content-Length")) {
            // The announced length is a 32-bit signed number.
            const std::optional<uint64_t> parsed = ParseUnsigned(std::string(value), 0x7FFFFFFF);
            // Two different lengths leave the length unknown.
            if (!parsed || (length && *length != *parsed))
                bad_length = true;
            length = parsed;
        }
    }
    if (!has_type)
        return ResponseFault::NoContentType;
    if (!length || bad_length)
        return ResponseFault::NoContentLength;
    if (*length == 0)
        return ResponseFault::EmptyBody;
    announced_length_ = static_cast<uint32_t>(*length);
    return ResponseFault::None;
}

std::wstring ResponseFaultText(ResponseFault fault, int status) {
    switch (fault) {
    case ResponseFault::None:
        return {};
    case ResponseFault::HeaderTooLong:
        return L"Download stopped: the server's answer is not a file.";
    case ResponseFault::BadStatus:
        if (status == 0)
            return L"Download stopped: the server's answer is not a file.";
        return L"Download stopped: the server answered " + std::to_wstring(status) +
               L" instead of the file.";
    case ResponseFault::NoContentType:
        return L"Download stopped: the server's answer has no content type.";
    case ResponseFault::NoContentLength:
        return L"Download stopped: the server's answer does not give the file's length.";
    case ResponseFault::EmptyBody:
        return L"Download stopped: the server's file is empty.";
    }
    return {};
}
