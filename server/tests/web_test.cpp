#include "server/http_front.h"
#include "server/options.h"
#include "server/protocol_codec.h"
#include "server/sending_record.h"
#include "server/website.h"

#include <gtest/gtest.h>

#include <random>

using namespace trekhold;

TEST(Website, EscapesAndFormats) {
    EXPECT_EQ(HtmlEscape("<a href=\"x\">'&'</a>"),
              "&lt;a href=&quot;x&quot;&gt;&#39;&amp;&#39;&lt;/a&gt;");
    EXPECT_EQ(GroupedNumber(0) + " " + GroupedNumber(1234567) + " " + GroupedNumber(-1000),
              "0 1,234,567 -1,000");
    EXPECT_EQ(DistanceText(123456789, true), "1,234.57 km");
    EXPECT_EQ(DistanceText(160934400, false), "1,000.00 mi");
    EXPECT_EQ(DistanceText(0, false), "0.00 mi");
    EXPECT_EQ(MinutesText(59) + "|" + MinutesText(60) + "|" + MinutesText(1440 * 3 + 65),
              "59 min|1 h 0 min|3 d 1 h 5 min");
    EXPECT_EQ(QuantityFromWord("clicks"), Quantity::kClicks);
    EXPECT_FALSE(QuantityFromWord("password"));
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
                                                         {"account", "add", "nick"},
                                                         {"launch"}})
        EXPECT_FALSE(ParseOptions(bad, o, error)) << bad[0];
}
