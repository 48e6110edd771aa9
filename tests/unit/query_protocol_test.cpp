#include "net/query_protocol.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace query;

namespace {

std::optional<Request> Parse(const std::string& bytes) {
    return ParseRequest(bytes.data(), bytes.size());
}

} // namespace

TEST(QueryRequest, ReadsWellFormedRequests) {
    auto r = Parse(BuildRequest(132456, 0));
    ASSERT_TRUE(r);
    EXPECT_EQ(r->reply_window, 132456);
    EXPECT_EQ(r->mode, 0);
    r = Parse(std::string("Wandrel'-5'255\0garbage after the NUL", 36));
    ASSERT_TRUE(r);
    EXPECT_EQ(r->reply_window, -5);
    EXPECT_EQ(r->mode, 255);
    EXPECT_TRUE(Parse("WandrelTool'1'1")); // only the beginning of the tag is checked
}

TEST(QueryRequest, RejectsHostileInput) {
    for (const std::string& bad :
         {std::string(""), std::string("Wandrel'1"), std::string("Wandrel'1'2'3"),
          std::string("wandrel'1'0"), std::string("Wandrel'1'256"), std::string("Wandrel'1'-1"),
          std::string("Wandrel''0"), std::string("Wandrel'12x'0"), std::string("Wandrel' 12'0"),
          std::string("Wandrel'1'"), std::string("Wandrel'2147483648'0"),
          std::string("Wandrel'99999999999999999999'0"), std::string("Wandrel'-'0"),
          std::string("Wandrel'1'0\xff"), std::string("\0Wandrel'1'0", 12)})
        EXPECT_FALSE(Parse(bad)) << bad;
    EXPECT_FALSE(ParseRequest(nullptr, 12));

    // 254 bytes of text fit the buffer with its NUL; 255 do not, with or without a NUL.
    std::string text = "Wandrel'1'0";
    text.insert(7, 254 - text.size(), 'x');
    EXPECT_TRUE(Parse(text));
    text.insert(7, "x");
    EXPECT_FALSE(Parse(text));
    EXPECT_FALSE(Parse(text + std::string(1, '\0')));
    std::string big(300, 'A');
    std::memcpy(&big[0], "Wandrel'1'0", 12); // a short text inside long data is fine
    EXPECT_TRUE(Parse(big));
}

TEST(QueryReply, TotalsForModeZeroCountsOtherwiseNeverWrapped) {
    CounterSet c;
    c.Distance = 1234567;
    c.NbTouches = 10, c.NCGauche = 20, c.NCDroit = 30, c.NCSpecial = 40, c.NScrolls = 50;
    c.UpTime = 60, c.UseTime = 70;
    c.Ever_KmSouris = 5, c.Ever_MSouris = 6, c.Ever_CmSouris = 7;
    c.NbTouches_Ever = 100, c.NCGauche_Ever = 200, c.NCDroit_Ever = 300, c.NCSpecial_Ever = 400;
    c.NScrolls_Ever = 500, c.UpTime_Ever = 600, c.UseTime_Ever = -700;
    EXPECT_EQ(BuildReply(c, "walker", 0), "Wandrel'walker'1735174'110'220'330'440'550'660'-630");
    EXPECT_EQ(BuildReply(c, "", 77), "Wandrel''1234567'10'20'30'40'50'60'70");

    CounterSet big;
    big.Ever_KmSouris = 32767, big.Ever_MSouris = 999, big.Ever_CmSouris = 99;
    big.Distance = big.NbTouches = big.NbTouches_Ever = 2147483647;
    auto fields = ParseReply(BuildReply(big, "x", 0).c_str(), 255);
    ASSERT_TRUE(fields);
    EXPECT_EQ((*fields)[2], "5424283646");
    EXPECT_EQ((*fields)[3], "4294967294");

    // A long nickname is cut to fit the buffer.
    c.Distance = c.NbTouches = c.NCGauche = c.NCDroit = c.NCSpecial = c.NScrolls = c.UpTime =
        c.UseTime = -2147483647 - 1;
    const std::string reply = BuildReply(c, std::string(400, 'n'), 3);
    EXPECT_EQ(reply.size(), kMaxTextBytes);
    fields = ParseReply(reply.data(), reply.size());
    ASSERT_TRUE(fields);
    EXPECT_EQ((*fields)[9], "-2147483648");
    EXPECT_EQ((*fields)[1], std::string(254 - 8 - 8 * 12, 'n'));
}

TEST(QueryReply, ParserRefusesWhatIsNotAReply) {
    EXPECT_FALSE(ParseReply("Wandrel'a'1'2", 13));
    EXPECT_FALSE(ParseReply("Other'a'1'2'3'4'5'6'7'8", 24));
    EXPECT_FALSE(ParseReply(std::string(300, '\'').data(), 300));
    EXPECT_TRUE(ParseReply("Wandrel'a'1'2'3'4'5'6'7'8", 25));
}
