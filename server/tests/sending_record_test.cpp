#include "base/md5.h"
#include "server/sending_record.h"

#include <gtest/gtest.h>

#include <sstream>

using namespace trekhold;

namespace {

const std::string kGood =
    FormatSendingRecord(35, "walker", "secret1", "Ab3xY9", Counts{123456789, 2, 3, 4, 5, 6, 70, 60},
                        "C293A4B5", "0123456789ABCDEF0123456789ABCDEF");

// The good record with field `index` replaced and, when asked, its check field made again.
std::string WithField(size_t index, const std::string& value, bool fix_check = true) {
    std::vector<std::string> f;
    std::stringstream in(kGood);
    for (std::string s; std::getline(in, s, '\'');)
        f.push_back(s);
    f[index] = value;
    std::string text = f[0];
    for (size_t i = 1; i < 14; ++i)
        text += "'" + f[i];
    return text + "'" + (fix_check ? ::Md5Text(text) : f[14]);
}

} // namespace

TEST(SendingRecord, ParsesWhatTheClientBuilds) {
    SendingRecord r;
    ASSERT_EQ(ParseSendingRecord(kGood, r), RecordFault::kNone);
    EXPECT_EQ(r.version, 35);
    EXPECT_EQ(r.nick + "|" + r.password + "|" + r.key + "|" + r.machine,
              "walker|secret1|Ab3xY9|C293A4B5");
    EXPECT_EQ(r.counts.distance, 123456789);
    EXPECT_EQ(r.counts.usetime, 60);
    EXPECT_EQ(r.replay_text.find("secret1"), std::string::npos);
    auto counts = ReplayCounts(r.replay_text);
    ASSERT_TRUE(counts);
    EXPECT_EQ(counts->distance, 123456789);
    EXPECT_EQ(counts->uptime, 70);
}

TEST(SendingRecord, RefusesMalformedRecords) {
    using F = RecordFault;
    // clang-format off
    const std::pair<std::string, F> cases[] = {
        {kGood + "'", F::kFieldCount}, {kGood + "'x'y", F::kFieldCount}, {"", F::kFieldCount},
        {kGood.substr(0, kGood.rfind('\'')), F::kFieldCount},
        {std::string(5000, '\''), F::kBadField}, {WithField(0, "v35"), F::kBadField},
        {WithField(1, "a\nb"), F::kBadField},
        // Empty or long accounts parse: the account checks answer them.
        {WithField(1, ""), F::kNone}, {WithField(1, std::string(300, 'n')), F::kNone},
        {WithField(2, ""), F::kNone}, {WithField(2, std::string(300, 'p')), F::kNone},
        {WithField(3, "Ab3xY"), F::kBadField}, {WithField(3, "Ab3xY90"), F::kBadField},
        {WithField(12, ""), F::kBadField}, {WithField(12, "c293"), F::kBadField},
        {WithField(13, "ABC"), F::kBadField}, {WithField(5, "999", false), F::kCheckMismatch},
        {WithField(14, std::string(32, 'A'), false), F::kCheckMismatch},
        // Implausible counts parse: the service judges them (and holds the sending).
        {WithField(11, "71"), F::kNone},
        {WithField(4, "2147483647"), F::kNone}, {WithField(4, "0"), F::kNone}};
    // clang-format on
    SendingRecord r;
    for (const auto& [text, fault] : cases)
        EXPECT_EQ(ParseSendingRecord(text, r), fault) << text;
    for (size_t cut = 0; cut < kGood.size(); cut += 7)
        EXPECT_NE(ParseSendingRecord(kGood.substr(0, cut), r), F::kNone) << cut;
    for (const char* bad : {"-1", "-0", "+5", "007", "", " 5", "5 ", "2147483648",
                            "99999999999999999999999", "1e5", "0x10", "12a", "\xff"})
        for (size_t field = 4; field < 12; ++field)
            EXPECT_EQ(ParseSendingRecord(WithField(field, bad), r), F::kBadField)
                << field << " '" << bad << "'";
}

TEST(SendingRecord, VersionAndLogin) {
    EXPECT_EQ(RecordVersion("34'anything"), 34);
    EXPECT_EQ(RecordVersion("35"), 35);
    for (const std::string& bad : std::initializer_list<std::string>{
             "", "x'35", "99999999999999999999'", std::string(3000, '3')})
        EXPECT_FALSE(RecordVersion(bad)) << bad;
    EXPECT_EQ(ParseLogin("walker'secret1"),
              std::make_pair(std::string("walker"), std::string("secret1")));
    for (const char* bad : {"", "walker", "a'b'c", "''"})
        EXPECT_FALSE(ParseLogin(bad)) << bad;
    EXPECT_EQ(ParseLogin("'"), std::make_pair(std::string(), std::string()));
    const std::string long_nick(400, 'n'), long_pw(400, 'p');
    EXPECT_EQ(ParseLogin(long_nick + "'" + long_pw), std::make_pair(long_nick, long_pw));
    EXPECT_FALSE(ParseLogin(long_nick + "'" + std::string(kMaxPlainText, 'p')));
}
