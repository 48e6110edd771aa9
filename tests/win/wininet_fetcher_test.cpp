#include "net/win32/wininet_fetcher.h"
#include "tiny_http_server.h"
#include "win_test_support.h"

#include <wininet.h>

#include <gtest/gtest.h>

using win32::FetchLimits;
using win32::WinInetFetcher;
using wintest::Answering;
using wintest::TinyHttpServer;

namespace {

ULONGLONG Elapsed(ULONGLONG since) {
    return GetTickCount64() - since;
}

int g_ticks = 0;
void CALLBACK CountTick(HWND, UINT, UINT_PTR, DWORD) {
    ++g_ticks;
}

} // namespace

TEST(WinInetFetcher, ReturnsTheWholeBodyOfA200AndSendsTheQueryUnchanged) {
    std::string big(300000, 'x'); // several reads
    big[0] = '1';
    big.back() = '2';
    TinyHttpServer server(Answering("200 OK", big));
    ASSERT_TRUE(server.Start());
    WinInetFetcher fetcher;
    EXPECT_EQ(fetcher.Get(server.Url("/Envoi.php?Data=JaZK~b_c")), big);
    ASSERT_EQ(server.RequestLines().size(), 1u);
    EXPECT_EQ(server.RequestLines()[0], "GET /Envoi.php?Data=JaZK~b_c HTTP/1.1");
    // The cache is bypassed.
    EXPECT_NE(server.LastHead().find("no-cache"), std::string::npos) << server.LastHead();
}

TEST(WinInetFetcher, EveryFailureKeepsItsCauseAndGivesTheEmptyAnswer) {
    TinyHttpServer missing(Answering("404 Not Found", "no such page"));
    TinyHttpServer failing(Answering("500 Internal Server Error", "Errlogin"));
    ASSERT_TRUE(missing.Start());
    ASSERT_TRUE(failing.Start());
    wintest::DebugOutputCapture debugger;
    WinInetFetcher fetcher;
    for (auto [server, status] : {std::pair{&missing, 404u}, std::pair{&failing, 500u}}) {
        const HttpResult result = fetcher.Fetch(server->Url("/Envoi.php?Data=secret"));
        EXPECT_EQ(result.outcome, HttpResult::Outcome::BadStatus);
        EXPECT_EQ(result.status, status);
    }
    // The debugger is told which request failed and how, without the account in the query.
    EXPECT_NE(debugger.Find(L"/Envoi.php: status 404"), L"");
    EXPECT_EQ(debugger.Find(L"secret"), L"");

    const ULONGLONG start = GetTickCount64();
    const HttpResult refused =
        fetcher.Fetch("http://127.0.0.1:" + std::to_string(wintest::UnusedPort()) + "/");
    EXPECT_LT(Elapsed(start), 20000u); // refused, not waited out
    EXPECT_EQ(refused.outcome, HttpResult::Outcome::Failed);
    EXPECT_EQ(refused.error, static_cast<uint32_t>(ERROR_INTERNET_CANNOT_CONNECT));
    EXPECT_NE(debugger.Find(L"InternetOpenUrlA GET http://127.0.0.1:"), L"");
    EXPECT_NE(debugger.Find(L"failed (12029): "), L"");

    const HttpResult not_a_url = fetcher.Fetch("not a url");
    EXPECT_EQ(not_a_url.outcome, HttpResult::Outcome::Failed);
    EXPECT_NE(not_a_url.error, 0u);
}

TEST(WinInetFetcher, ABodyBeyondTheLimitIsAFailure) {
    TinyHttpServer exact(Answering("200 OK", std::string(kMaxAnswerBytes, 'a')));
    TinyHttpServer over(Answering("200 OK", std::string(kMaxAnswerBytes + 1, 'a')));
    ASSERT_TRUE(exact.Start());
    ASSERT_TRUE(over.Start());
    WinInetFetcher fetcher;
    EXPECT_EQ(fetcher.Get(exact.Url("/")).size(), kMaxAnswerBytes);
    EXPECT_EQ(fetcher.Fetch(over.Url("/")).outcome, HttpResult::Outcome::TooLong);
}

TEST(WinInetFetcher, AServerThatNeverAnswersIsGivenUpAfterTheTimeout) {
    TinyHttpServer server({}); // never answers
    ASSERT_TRUE(server.Start());
    FetchLimits limits;
    limits.timeout_ms = 1500;
    WinInetFetcher fetcher(limits);
    const ULONGLONG start = GetTickCount64();
    EXPECT_EQ(fetcher.Fetch(server.Url("/Envoi.php?Data=x")).outcome,
              HttpResult::Outcome::TimedOut);
    const ULONGLONG took = Elapsed(start);
    EXPECT_GE(took, 1400u);
    EXPECT_LT(took, 1500u + 2000u + 1000u); // the time-out, the worker's grace, some slack
}

TEST(WinInetFetcher, MessagesKeepFlowingDuringARequest) {
    TinyHttpServer server(Answering("200 OK", "OK", 800));
    ASSERT_TRUE(server.Start());
    g_ticks = 0;
    const UINT_PTR timer = SetTimer(nullptr, 0, 50, &CountTick);
    ASSERT_NE(timer, 0u);
    WinInetFetcher fetcher;
    EXPECT_EQ(fetcher.Get(server.Url("/slow")), "OK");
    KillTimer(nullptr, timer);
    EXPECT_GE(g_ticks, 5); // ~16 ticks in 800 ms
}

TEST(WinInetFetcher, NamedProxyCarriesTheRequest) {
    TinyHttpServer proxy(Answering("200 OK", "via proxy"));
    ASSERT_TRUE(proxy.Start());
    WinInetFetcher fetcher;
    fetcher.SetProxy("http://127.0.0.1:" + std::to_string(proxy.port()));
    EXPECT_EQ(fetcher.Get("http://trekhold.invalid/Envoi.php?Data=x"), "via proxy");
    ASSERT_EQ(proxy.RequestLines().size(), 1u);
    // The absolute URL goes to the proxy (Wine adds the default port).
    EXPECT_EQ(proxy.RequestLines()[0].rfind("GET http://trekhold.invalid", 0), 0u);
    EXPECT_NE(proxy.RequestLines()[0].find("/Envoi.php?Data=x HTTP/1.1"), std::string::npos);

    fetcher.SetProxy(""); // direct again: the made-up host cannot be reached
    EXPECT_EQ(fetcher.Get("http://trekhold.invalid/x"), "");
    EXPECT_EQ(proxy.RequestLines().size(), 1u);
}

