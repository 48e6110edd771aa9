#include "net/win32/wininet_fetcher.h"

#include "base/win32/message_pump.h"
#include "base/win32/unique_handle.h"

#include <memory>

namespace win32 {

namespace {

// One request, shared by the caller and the worker thread: whichever of them finishes last
// frees it. The request and session handles are closed exactly once each, by the worker when
// it is done or by the caller when the request overran its time (which also unblocks the
// worker's call). A handle closed twice could close another fetch's handle that reused its
// value meanwhile.
struct FetchJob {
    std::string url;
    std::string proxy;
    FetchLimits limits;
    UniqueHandleKernel done{::CreateEventW(nullptr, TRUE, FALSE, nullptr)};

    SRWLOCK lock = SRWLOCK_INIT;
    HINTERNET session = nullptr; // guarded by lock
    HINTERNET request = nullptr; // guarded by lock
    bool abandoned = false;      // guarded by lock

    std::string body; // read by the caller only after `done`
    bool ok = false;

    // Hands a handle the worker opened to the job, which closes it. False when the caller
    // has given up: the handle is closed at once and the worker stops.
    bool Keep(HINTERNET& slot, HINTERNET handle) {
        ::AcquireSRWLockExclusive(&lock);
        const bool kept = !abandoned;
        if (kept)
            slot = handle;
        ::ReleaseSRWLockExclusive(&lock);
        if (!kept)
            ::InternetCloseHandle(handle);
        return kept;
    }

    void CloseHandles() {
        ::AcquireSRWLockExclusive(&lock);
        for (HINTERNET* handle : {&request, &session}) {
            if (*handle) {
                ::InternetCloseHandle(*handle);
                *handle = nullptr;
            }
        }
        ::ReleaseSRWLockExclusive(&lock);
    }
};

void Run(FetchJob& job) {
    const bool via_proxy = !job.proxy.empty();
    HINTERNET session = ::InternetOpenA(
        "TheWandrel", via_proxy ? INTERNET_OPEN_TYPE_PROXY : INTERNET_OPEN_TYPE_DIRECT,
        via_proxy ? job.proxy.c_str() : nullptr, nullptr, 0);
    if (!session || !job.Keep(job.session, session))
        return;

    DWORD timeout = job.limits.timeout_ms;
    for (DWORD option : {INTERNET_OPTION_CONNECT_TIMEOUT, INTERNET_OPTION_SEND_TIMEOUT,
                         INTERNET_OPTION_RECEIVE_TIMEOUT, INTERNET_OPTION_DATA_SEND_TIMEOUT,
                         INTERNET_OPTION_DATA_RECEIVE_TIMEOUT})
        ::InternetSetOptionA(session, option, &timeout, sizeof timeout);

    const DWORD flags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE |
                        INTERNET_FLAG_PRAGMA_NOCACHE | INTERNET_FLAG_NO_UI |
                        INTERNET_FLAG_NO_COOKIES;
    const HINTERNET request = ::InternetOpenUrlA(session, job.url.c_str(), nullptr, 0, flags, 0);
    if (!request || !job.Keep(job.request, request))
        return;

    DWORD status = 0;
    DWORD size = sizeof status;
    if (!::HttpQueryInfoA(request, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &size,
                          nullptr) ||
        status != 200)
        return;

    std::string body;
    char chunk[8192];
    for (;;) {
        DWORD read = 0;
        if (!::InternetReadFile(request, chunk, sizeof chunk, &read))
            return;
        if (read == 0)
            break;
        if (body.size() + read > job.limits.max_body)
            return;
        body.append(chunk, read);
    }
    job.body = std::move(body);
    job.ok = true;
}

DWORD WINAPI Worker(void* parameter) {
    std::unique_ptr<std::shared_ptr<FetchJob>> holder(
        static_cast<std::shared_ptr<FetchJob>*>(parameter));
    FetchJob& job = **holder;
    Run(job);
    job.CloseHandles();
    ::SetEvent(job.done.get());
    return 0;
}

} // namespace

std::string WinInetFetcher::Get(const std::string& url) {
    auto job = std::make_shared<FetchJob>();
    if (!job->done)
        return {};
    job->url = url;
    job->proxy = proxy_;
    job->limits = limits_;

    auto* parameter = new std::shared_ptr<FetchJob>(job);
    UniqueHandleKernel thread(::CreateThread(nullptr, 0, &Worker, parameter, 0, nullptr));
    if (!thread) {
        delete parameter;
        return {};
    }
    if (WaitPumpingMessages(job->done.get(), limits_.timeout_ms))
        return job->ok ? std::move(job->body) : std::string();

    // Overran: cancel the blocked call and give the worker a moment to finish; if it does
    // not, it finishes on its own later and frees what it holds.
    ::AcquireSRWLockExclusive(&job->lock);
    job->abandoned = true;
    ::ReleaseSRWLockExclusive(&job->lock);
    job->CloseHandles();
    ::WaitForSingleObject(job->done.get(), 2000);
    return {};
}

} // namespace win32
