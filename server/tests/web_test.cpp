#include "server/access_log.h"
#include "server/http_front.h"
#include "server/options.h"
#include "server/protocol_codec.h"
#include "server/sending_record.h"
#include "server/page_cache.h"
#include "server/web_origin.h"
#include "server/website.h"

#include <gtest/gtest.h>

#include <random>
#include <tuple>

using namespace trekhold;

TEST(Website, EscapesAndFormats) {
    EXPECT_EQ(HtmlEscape("<a href=\"x\">'&'</a>"),
              "&lt;a href=&quot;x&quot;&gt;&#39;&amp;&#39;&lt;/a&gt;");
    EXPECT_EQ(UrlEncode("a-Z_0.~ /%?#&+\xC3\xA9"), "a-Z_0.~%20%2F%25%3F%23%26%2B%C3%A9");
    EXPECT_EQ(MemberAddress("x/../admin"), "/member/x%2F..%2Fadmin");
    EXPECT_EQ(GroupedNumber(0) + " " + GroupedNumber(1234567) + " " + GroupedNumber(-1000),
              "0 1,234,567 -1,000");
    EXPECT_EQ(DistanceText(123456789, true), "1,234.57 km");
    EXPECT_EQ(DistanceText(160934400, false), "1,000.00 mi");
    EXPECT_EQ(DistanceText(0, false), "0.00 mi");
    EXPECT_EQ(MinutesText(59) + "|" + MinutesText(60) + "|" + MinutesText(1440 * 3 + 65),
              "59 min|1 h 0 min|3 d 1 h 5 min");
    EXPECT_EQ(QuantityFromWord("clicks"), Quantity::kClicks);
    EXPECT_FALSE(QuantityFromWord("password"));
    EXPECT_EQ(DateTimeText(1796602507), "7 December 2026, 00:15 UTC");
    EXPECT_EQ(DateText(-1), "31 December 1969");
}

namespace {

// A nickname no sign-up accepts but an old account may hold: markup, quotes, a path, a
// percent sign and an ampersand.
const std::string kHostile = "<script>alert(\"x\")</script>'&%2F/../x";

// Nothing of the nickname reaches the page unescaped, and every page is one whole document
// with one h1 and the language named.
void ExpectSafe(const std::string& html, const char* page) {
    SCOPED_TRACE(page);
    EXPECT_EQ(html.find("<script"), std::string::npos);
    EXPECT_EQ(html.find("\"x\""), std::string::npos);
    EXPECT_EQ(html.find("'&%"), std::string::npos);
    size_t h1 = html.find("<h1>");
    EXPECT_NE(h1, std::string::npos);
    EXPECT_EQ(html.find("<h1", h1 + 1), std::string::npos);
    EXPECT_NE(html.find("<html lang=\"en\">"), std::string::npos);
}

} // namespace

TEST(Website, HostileNicknamesInEveryPage) {
    RankingView ranking;
    // A private member's row: "hidden" in italics without a link, and not its name even
    // when a caller passed it along.
    ranking.result.rows = {{1, kHostile, 5}, {2, "plain", 4}, {3, "secretive", 3, true}};
    ranking.result.pages = 3;
    ranking.not_found = kHostile;
    std::string html = RenderRankingPage(ranking);
    ExpectSafe(html, "ranking");
    EXPECT_NE(html.find("<a href=\"/member/%3Cscript%3Ealert%28%22x%22%29%3C%2Fscript%3E%27%26"
                        "%252F%2F..%2Fx\">&lt;script&gt;"),
              std::string::npos);
    EXPECT_NE(html.find("<tr id=\"rank-2\">"), std::string::npos);
    EXPECT_EQ(html.find("secretive"), std::string::npos);
    const std::string row3 = html.substr(html.find("<tr id=\"rank-3\">"));
    EXPECT_EQ(row3.substr(0, row3.find("</tr>")),
              "<tr id=\"rank-3\"><td class=\"n\">3</td><td class=\"nick\"><em class=\"private\">"
              "hidden</em><span class=\"vh\"> (a member whose page is private)</span></td>"
              "<td class=\"n\">0.00 km</td>");
    EXPECT_NE(html.find("No member called “&lt;script&gt;"), std::string::npos);
    ExpectSafe(RenderFrontPage({}, ranking), "front");

    MemberView member;
    member.member.nick = kHostile;
    member.member.ranks = {1, 2, 0, 0, 0, 0};
    member.member.computers.push_back({kHostile, kHostile.substr(0, 8) + "…", {}, 1, 0, 0.5});
    member.days.resize(30);
    member.months.resize(12);
    html = RenderMemberPage(member);
    ExpectSafe(html, "member");
    EXPECT_NE(html.find("<title>&lt;script&gt;alert(&quot;x&quot;)"), std::string::npos);
    EXPECT_EQ(html.find("<figure"), html.find("<figure class=\"chart\">"));
    size_t charts = 0;
    for (size_t at = html.find("<svg role=\"img\""); at != std::string::npos;
         at = html.find("<svg role=\"img\"", at + 1))
        ++charts;
    EXPECT_EQ(charts, 6u); // distance, keys and clicks, per day and per month

    AccountView account;
    account.nick = kHostile;
    account.message = kHostile;
    ExpectSafe(RenderAccountPage(account), "sign-in");
    account.member = member.member;
    account.sendings.push_back({0, kHostile, {}, true});
    html = RenderAccountPage(account);
    ExpectSafe(html, "account");
    EXPECT_NE(html.find("name=\"nick\" value=\"&lt;script&gt;alert(&quot;x&quot;)&lt;/script&gt;"
                        "&#39;&amp;%2F/../x\""),
              std::string::npos);
    ExpectSafe(RenderSignUpPage(kHostile, kHostile, false), "sign-up");
    ExpectSafe(RenderSignUpPage("", kHostile, true), "created");
    ExpectSafe(RenderNotFoundPage(), "not found");
}

TEST(HttpFront, RawPayloadKeepsPlusAndDecodesOnlyHexPairs) {
    // clang-format off
    const std::pair<const char*, const char*> cases[] = {
        {"/E?Data=Ja+b%20c", "Ja+b c"}, {"/E?Data=Jk%Kx%", "Jk%Kx%"}, {"/E?Data=a&b=c", "a&b=c"},
        {"/E?Data=", ""}, {"/E?data=x", ""}, {"/E", ""}, {"/E?Data=%4a%4B", "JK"},
        {"/E?Data=%", "%"}, {"/E?Data=%4", "%4"}};
    // clang-format on
    for (const auto& [target, payload] : cases)
        EXPECT_EQ(RawQueryPayload(target, "Data"), payload) << target;
    // Enciphered records of every kind come through a query string whole.
    std::mt19937 rng(3);
    for (int i = 0; i < 3000; ++i) {
        const int64_t distance = rng() % 5000, keystrokes = rng() % 300;
        std::string record = FormatSendingRecord(35, "load" + std::to_string(i), "pw!$(),;:@*x",
                                                 "Ab3xY9", {distance, keystrokes, 1, 2, 3, 4, 5, 4},
                                                 "C293A4B5", "0123456789ABCDEF0123456789ABCDEF");
        auto plain = DecipherPayload(RawQueryPayload("/E?Data=" + EncipherPayload(record), "Data"));
        ASSERT_EQ(plain, record);
    }
}

TEST(Options, CommandLine) {
    Options o;
    std::string error;
    ASSERT_TRUE(ParseOptions({"--port", "9000", "--ceiling-endpoint"}, o, error));
    EXPECT_EQ(o.port, 9000);
    EXPECT_TRUE(o.ceiling_endpoint);
    ASSERT_TRUE(ParseOptions({"account", "--help"}, o, error));
    EXPECT_EQ(o.command, Command::kHelp);
    for (const auto& bad :
         std::initializer_list<std::vector<std::string>>{{"--port", "70000"},
                                                         {"--port"},
                                                         {"--colour", "red"},
                                                         {"account", "add", "nick", "pw"},
                                                         {"account", "rename", "nick"},
                                                         {"review", "accept"},
                                                         {"backup"},
                                                         {"launch"}})
        EXPECT_FALSE(ParseOptions(bad, o, error)) << bad[0];
    for (const auto& [words, command] :
         std::initializer_list<std::pair<std::vector<std::string>, Command>>{
             {{"account", "add", "nick"}, Command::kAccountAdd},
             {{"account", "rename", "a", "b"}, Command::kAccountRename},
             {{"account", "hide", "a"}, Command::kAccountHide},
             {{"review"}, Command::kReview},
             {{"review", "reject", "7"}, Command::kReviewReject},
             {{"backup", "copy.db", "--db", "t.db"}, Command::kBackup},
             {{"serve", "--version"}, Command::kVersion}}) {
        Options parsed;
        ASSERT_TRUE(ParseOptions(words, parsed, error)) << words[0];
        EXPECT_EQ(parsed.command, command) << words[0];
    }
    // The options for tests are refused unless the test harness's variable is set.
    Options test;
    ASSERT_TRUE(ParseOptions({"--minimum-hash-cost", "--access-log", "-"}, test, error));
    EXPECT_EQ(test.access_log, "-");
    EXPECT_EQ(TestOnlyProblem(test, nullptr), "--minimum-hash-cost is for tests only");
    EXPECT_EQ(TestOnlyProblem(test, "0"), "--minimum-hash-cost is for tests only");
    EXPECT_EQ(TestOnlyProblem(test, "1"), "");
    ASSERT_TRUE(ParseOptions({"--trust-sendings"}, test, error));
    EXPECT_NE(TestOnlyProblem(test, ""), "");
    EXPECT_EQ(TestOnlyProblem(Options{}, nullptr), "");
    for (const auto& words : std::initializer_list<std::vector<std::string>>{
             {"--clock-file", "c"}, {"--page-cache-ms", "0"}}) {
        Options hooked;
        ASSERT_TRUE(ParseOptions(words, hooked, error));
        EXPECT_EQ(TestOnlyProblem(hooked, nullptr), words[0] + " is for tests only");
    }
    EXPECT_FALSE(ParseOptions({"--page-cache-ms", "-1"}, test, error));
}

TEST(WebOrigin, FormsFromOtherSitesAndTheProxysAddress) {
    // origin, referer, host, accepted
    const std::tuple<const char*, const char*, const char*, bool> cases[] = {
        {"http://trekhold.example", "", "trekhold.example", true},
        {"https://trekhold.example", "", "trekhold.example", true}, // behind TLS
        {"http://127.0.0.1:8035", "", "127.0.0.1:8035", true},
        {"http://127.0.0.1:8036", "", "127.0.0.1:8035", false},
        {"http://evil.example", "http://trekhold.example/signup", "trekhold.example", false},
        {"null", "", "trekhold.example", false}, // sandboxed frames send "null"
        {"http://trekhold.example", "", "", false},
        {"", "http://trekhold.example/signup", "trekhold.example", true},
        {"", "http://trekhold.example.evil/signup", "trekhold.example", false},
        {"", "trekhold.example/signup", "trekhold.example", false},
        {"", "", "trekhold.example", true}, // no browser page: nothing to forge
        {"", "", "", true}};
    for (const auto& [origin, referer, host, accepted] : cases)
        EXPECT_EQ(SameOrigin(origin, referer, host), accepted) << origin << " " << referer;
    EXPECT_EQ(ClientAddress("203.0.113.9", "198.51.100.1", true), "203.0.113.9");
    EXPECT_EQ(ClientAddress("127.0.0.1", "198.51.100.1", true), "198.51.100.1");
    EXPECT_EQ(ClientAddress("::1", "198.51.100.1", true), "198.51.100.1");
    EXPECT_EQ(ClientAddress("127.0.0.1", "", true), "127.0.0.1");
    EXPECT_EQ(ClientAddress("127.0.0.1", "198.51.100.1", false), "127.0.0.1");
}

TEST(AccessLog, LinesCarryNoQueryAndNothingThatForgesALine) {
    EXPECT_EQ(AccessLine(1796602507, "127.0.0.1", "GET", "/Envoi.php", 200, 3),
              "2026-12-07T00:15:07Z 127.0.0.1 GET /Envoi.php 200 3ms");
    EXPECT_EQ(AccessLine(0, "", "G\nET", "/a b\r\n2026 fake", 400, 0),
              "1970-01-01T00:00:00Z - G?ET /a?b??2026?fake 400 0ms");
    EXPECT_EQ(AccessLine(0, "x", "GET", "/" + std::string(500, 'a'), 414, 0).size(),
              std::string("1970-01-01T00:00:00Z x GET  414 0ms").size() + 200);
}

TEST(PageCache, KeepsPagesForTheirLifetimeWithinItsCapacity) {
    PageCache cache(30000, 3);
    int renders = 0;
    auto render = [&] { return "page " + std::to_string(++renders); };
    EXPECT_EQ(cache.Get("a", 0, render).body, "page 1");
    PageCache::Page again = cache.Get("a", 29999, render);
    EXPECT_EQ(again.body, "page 1");
    EXPECT_EQ(again.expires_ms, 30000);
    EXPECT_EQ(cache.Get("a", 30000, render).body, "page 2"); // expired
    for (const char* key : {"b", "c", "d", "e"})
        cache.Get(key, 100, render);
    EXPECT_EQ(renders, 6);
    EXPECT_EQ(cache.Get("e", 200, render).body, "page 6"); // the newest stayed
    EXPECT_EQ(cache.Get("b", 200, render).body, "page 7"); // the one closest to expiry went
    cache.Clear();
    EXPECT_EQ(cache.Get("e", 200, render).body, "page 8");
    // A page rendered while the cache is cleared is answered but not kept.
    EXPECT_EQ(cache
                  .Get("f", 200,
                       [&] {
                           cache.Clear();
                           return render();
                       })
                  .body,
              "page 9");
    EXPECT_EQ(cache.Get("f", 200, render).body, "page 10");
}
