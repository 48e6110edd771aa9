// The client's HTTP access to the server: one GET at a time, the whole answer body as one
// text. The program uses WinINet (net/win32/wininet_fetcher.h); the unit tests use fakes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// Largest answer body taken; a longer one counts as a failure. Every answer of the server
// is a few hundred characters at most.
inline constexpr size_t kMaxAnswerBytes = 1u << 20;

// What became of one request.
struct HttpResult {
    enum class Outcome {
        Answered,  // status 200, the whole body read
        Failed,    // no connection, an unusable URL, a transfer cut off: see `error`
        TimedOut,  // no whole answer within the time allowed
        BadStatus, // a status other than 200 (404, 500, a redirect that was not followed)
        TooLong,   // a body longer than kMaxAnswerBytes
    };
    Outcome outcome = Outcome::Failed;
    uint32_t status = 0; // the HTTP status, when one arrived
    uint32_t error = 0;  // Failed, TimedOut: the failing call's system or WinINet error code
    std::string body;    // Answered: the whole body
};

class HttpFetcher {
  public:
    virtual ~HttpFetcher() = default;
    virtual HttpResult Fetch(const std::string& url) = 0;
    // The body of an answered request, or the empty text on any failure: what the
    // exchanges with the server take as "no answer".
    std::string Get(const std::string& url) {
        HttpResult result = Fetch(url);
        return result.outcome == HttpResult::Outcome::Answered ? std::move(result.body)
                                                                : std::string();
    }
    // Requests after this go through the named proxy ("http://host:port"), or connect
    // directly when `address` is empty.
    virtual void SetProxy(const std::string& address) = 0;
};
