#include "net/win32/wininet_fetcher.h"

#include "base/text_encoding.h"
#include "base/win32/last_error.h"
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

    HttpResult result;          // read by the caller only after `done`
    const wchar_t* failed_call = nullptr; // the WinINet call that failed, if one did

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

// Records a failed call with its error code, read at once.
void Fail(FetchJob& job, const wchar_t* call) {
    const DWORD error = ::GetLastError();
    job.failed_call = call;
    job.result.error = error;
    job.result.outcome =
        error == ERROR_INTERNET_TIMEOUT ? HttpResult::Outcome::TimedOut : HttpResult::Outcome::Failed;
}

void Run(FetchJob& job) {
    const bool via_proxy = !job.proxy.empty();
    HINTERNET session = ::InternetOpenA(
        "TheWandrel", via_proxy ? INTERNET_OPEN_TYPE_PROXY : INTERNET_OPEN_TYPE_DIRECT,
        via_proxy ? job.proxy.c_str() : nullptr, nullptr, 0);
    if (!session)
        return Fail(job, L"InternetOpenA");
    if (!job.Keep(job.session, session))
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
    if (!request)
        return Fail(job, L"InternetOpenUrlA");
    if (!job.Keep(job.request, request))
        return;

    DWORD status = 0;
    DWORD size = sizeof status;
    if (!::HttpQueryInfoA(request, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &size,
                          nullptr))
        return Fail(job, L"HttpQueryInfoA");
    job.result.status = status;
    if (status != 200) {
        job.result.outcome = HttpResult::Outcome::BadStatus;
        return;
    }

    std::string body;
    char chunk[8192];
    for (;;) {
        DWORD read = 0;
        if (!::InternetReadFile(request, chunk, sizeof chunk, &read))
            return Fail(job, L"InternetReadFile");
        if (read == 0)
            break;
        if (body.size() + read > job.limits.max_body) {
            job.result.outcome = HttpResult::Outcome::TooLong;
            return;
        }
        body.append(chunk, read);
    }
    job.result.body = std::move(body);
    job.result.outcome = HttpResult::Outcome::Answered;
}

// What the debugger is told of a failed request. The query is left out: it carries the
// enciphered account.
void Report(const std::string& url, const HttpResult& result, const wchar_t* failed_call) {
    const std::wstring where = L"GET " + WideFromCp1252(url.substr(0, url.find('?')));
    switch (result.outcome) {
    case HttpResult::Outcome::Answered:
        return;
    case HttpResult::Outcome::BadStatus:
        win32::DebugLog(where + L": status " + std::to_wstring(result.status));
        return;
    case HttpResult::Outcome::TooLong:
        win32::DebugLog(where + L": the answer is longer than " +
                        std::to_wstring(kMaxAnswerBytes) + L" bytes");
        return;
    case HttpResult::Outcome::TimedOut:
        if (!failed_call) {
            win32::DebugLog(where + L": no answer in time");
            return;
        }
        break;
    case HttpResult::Outcome::Failed:
        break;
    }
    win32::LogFailure(failed_call ? failed_call : L"WinINet", result.error, where);
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

HttpResult WinInetFetcher::Fetch(const std::string& url) {
    HttpResult failed;
    auto job = std::make_shared<FetchJob>();
    if (!job->done) {
        failed.error = LogFailure(L"CreateEventW", ::GetLastError());
        return failed;
    }
    job->url = url;
    job->proxy = proxy_;
    job->limits = limits_;

    auto* parameter = new std::shared_ptr<FetchJob>(job);
    UniqueHandleKernel thread(::CreateThread(nullptr, 0, &Worker, parameter, 0, nullptr));
    if (!thread) {
        failed.error = LogFailure(L"CreateThread", ::GetLastError());
        delete parameter;
        return failed;
    }
    if (WaitPumpingMessages(job->done.get(), limits_.timeout_ms)) {
        Report(url, job->result, job->failed_call);
        return std::move(job->result);
    }

    // Overran: cancel the blocked call and give the worker a moment to finish; if it does
    // not, it finishes on its own later and frees what it holds.
    ::AcquireSRWLockExclusive(&job->lock);
    job->abandoned = true;
    ::ReleaseSRWLockExclusive(&job->lock);
    job->CloseHandles();
    ::WaitForSingleObject(job->done.get(), 2000);
    HttpResult timed_out;
    timed_out.outcome = HttpResult::Outcome::TimedOut;
    Report(url, timed_out, nullptr);
    return timed_out;
}

} // namespace win32
