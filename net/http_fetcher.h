// The client's HTTP access to the server: one GET at a time, the whole answer body as one
// text. The program uses WinINet (net/win32/wininet_fetcher.h); the unit tests use fakes.
#pragma once

#include <cstddef>
#include <string>

// Largest answer body taken; a longer one counts as a failure. Every answer of the server
// is a few hundred characters at most.
inline constexpr size_t kMaxAnswerBytes = 1u << 20;

class HttpFetcher {
  public:
    virtual ~HttpFetcher() = default;
    // The whole body of the answer to a GET of `url`, or the empty text on any failure: no
    // connection, a time-out, a status other than 200 (404, 500, a redirect that was not
    // followed, ...), or a body longer than kMaxAnswerBytes.
    virtual std::string Get(const std::string& url) = 0;
    // Requests after this go through the named proxy ("http://host:port"), or connect
    // directly when `address` is empty.
    virtual void SetProxy(const std::string& address) = 0;
};
