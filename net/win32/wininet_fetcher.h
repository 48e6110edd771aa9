// The HTTP fetcher on WinINet. A request runs on a worker thread while the calling (user
// interface) thread keeps handling its messages, so timers keep running and windows keep
// answering; the call itself returns only with the answer, a failure or the time-out.
#pragma once

#include "net/http_fetcher.h"

#include <windows.h>

#include <functional>
#include <string>

namespace win32 {

struct FetchLimits {
    DWORD timeout_ms = 30000;          // connect, send, receive, and the whole request
    size_t max_body = kMaxAnswerBytes; // a longer body is a failure
};

class WinInetFetcher : public HttpFetcher {
  public:
    WinInetFetcher() = default;
    explicit WinInetFetcher(FetchLimits limits) : limits_(limits) {}

    // GET with the cache bypassed (no-cache, reload). Redirects are followed; the final
    // status must be 200. A failure is also reported to the debugger with its cause (the
    // failing call and its error, the status, or the time-out).
    HttpResult Fetch(const std::string& url) override;
    // Empty: direct connection. Otherwise the named proxy (INTERNET_OPEN_TYPE_PROXY).
    void SetProxy(const std::string& address) override { proxy_ = address; }
    const std::string& proxy() const { return proxy_; }

  private:
    FetchLimits limits_;
    std::string proxy_;
};

} // namespace win32
