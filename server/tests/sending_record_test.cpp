#include "net/md5.h"
#include "server/sending_record.h"

#include <gtest/gtest.h>

using namespace trekhold;

namespace {

const std::string kDigest = "0123456789ABCDEF0123456789ABCDEF";

Counts SomeCounts() {
    return {123456789, 2, 3, 4, 5, 6, 70, 60};
}

std::string GoodRecord() {
    return FormatSendingRecord(35, "walker", "secret1", "Ab3xY9", SomeCounts(), "C293A4B5",
                               kDigest);
}

// Replaces field `index` (from 0) of a record and, when asked, its check field again.
std::string WithField(const std::string& record, size_t index, const std::string& value,
                      bool fix_check) {
    std::vector<std::string> f;
    std::string cur;
    for (char c : record) {
        if (c == '\'') {
            f.push_back(cur);
            cur.clear();
        } else {
            cur += c;
        }
    }
    f.push_back(cur);
    f[index] = value;
    std::string text;
    for (size_t i = 0; i < 14; ++i)
        text += (i ? "'" : "") + f[i];
    return text + "'" + (fix_check ? ::Md5Text(text) : f[14]);
}

} // namespace

TEST(SendingRecord, ParsesWhatTheClientBuilds) {
    SendingRecord r;
    ASSERT_EQ(ParseSendingRecord(GoodRecord(), r), RecordFault::kNone);
    EXPECT_EQ(r.version, 35);
    EXPECT_EQ(r.nick, "walker");
    EXPECT_EQ(r.password, "secret1");
    EXPECT_EQ(r.key, "Ab3xY9");
    EXPECT_EQ(r.counts.distance, 123456789);
    EXPECT_EQ(r.counts.usetime, 60);
    EXPECT_EQ(r.machine, "C293A4B5");
    EXPECT_EQ(r.program_digest, kDigest);
    // The text that recognises a resend holds no trace of the password.
    EXPECT_EQ(r.replay_text.find("secret1"), std::string::npos);
    auto counts = ReplayCounts(r.replay_text);
    ASSERT_TRUE(counts);
    EXPECT_EQ(counts->distance, 123456789);
    EXPECT_EQ(counts->uptime, 70);
}

TEST(SendingRecord, RefusesWrongFieldCounts) {
    SendingRecord r;
    std::string good = GoodRecord();
    EXPECT_EQ(ParseSendingRecord(good + "'", r), RecordFault::kFieldCount);
    EXPECT_EQ(ParseSendingRecord(good + "'x'y", r), RecordFault::kFieldCount);
    EXPECT_EQ(ParseSendingRecord(good.substr(0, good.rfind('\'')), r), RecordFault::kFieldCount);
    EXPECT_EQ(ParseSendingRecord("", r), RecordFault::kFieldCount);
    EXPECT_EQ(ParseSendingRecord(std::string(5000, '\''), r), RecordFault::kBadField);
    for (size_t cut = 0; cut < good.size(); cut += 7)
        EXPECT_NE(ParseSendingRecord(good.substr(0, cut), r), RecordFault::kNone) << cut;
}

TEST(SendingRecord, RefusesHostileCounts) {
    SendingRecord r;
    const std::string good = GoodRecord();
    for (const char* bad : {"-1", "-0", "+5", "007", "", " 5", "5 ", "2147483648",
                            "99999999999999999999999", "1e5", "0x10", "12a", "\xff"}) {
        for (size_t field = 4; field < 12; ++field)
            EXPECT_EQ(ParseSendingRecord(WithField(good, field, bad, true), r),
                      RecordFault::kBadField)
                << "field " << field << " value '" << bad << "'";
    }
    EXPECT_EQ(ParseSendingRecord(WithField(good, 4, "2147483647", true), r), RecordFault::kNone);
    EXPECT_EQ(ParseSendingRecord(WithField(good, 4, "0", true), r), RecordFault::kNone);
}

TEST(SendingRecord, RefusesBadOtherFields) {
    SendingRecord r;
    const std::string good = GoodRecord();
    EXPECT_EQ(ParseSendingRecord(WithField(good, 0, "v35", true), r), RecordFault::kBadField);
    EXPECT_EQ(ParseSendingRecord(WithField(good, 1, "", true), r), RecordFault::kBadField);
    EXPECT_EQ(ParseSendingRecord(WithField(good, 1, std::string(33, 'n'), true), r),
              RecordFault::kBadField);
    EXPECT_EQ(ParseSendingRecord(WithField(good, 1, "a\nb", true), r), RecordFault::kBadField);
    EXPECT_EQ(ParseSendingRecord(WithField(good, 2, "", true), r), RecordFault::kBadField);
    EXPECT_EQ(ParseSendingRecord(WithField(good, 3, "Ab3xY", true), r), RecordFault::kBadField);
    EXPECT_EQ(ParseSendingRecord(WithField(good, 3, "Ab3xY90", true), r), RecordFault::kBadField);
    EXPECT_EQ(ParseSendingRecord(WithField(good, 12, "", true), r), RecordFault::kBadField);
    EXPECT_EQ(ParseSendingRecord(WithField(good, 12, "c293", true), r), RecordFault::kBadField);
    EXPECT_EQ(ParseSendingRecord(WithField(good, 13, "ABC", true), r), RecordFault::kBadField);
}

TEST(SendingRecord, TamperFieldsCatchAlteredCounts) {
    SendingRecord r;
    const std::string good = GoodRecord();
    // A count changed without the check being made again.
    EXPECT_EQ(ParseSendingRecord(WithField(good, 5, "999", false), r), RecordFault::kCheckMismatch);
    EXPECT_EQ(ParseSendingRecord(WithField(good, 14, std::string(32, 'A'), false), r),
              RecordFault::kCheckMismatch);
    // More minutes with input than counted minutes cannot come from a real client.
    EXPECT_EQ(ParseSendingRecord(WithField(good, 11, "71", true), r), RecordFault::kImplausible);
    EXPECT_EQ(ParseSendingRecord(WithField(good, 11, "70", true), r), RecordFault::kNone);
}

TEST(SendingRecord, VersionIsReadFromAnyRecord) {
    EXPECT_EQ(RecordVersion("34'anything"), 34);
    EXPECT_EQ(RecordVersion("35"), 35);
    EXPECT_FALSE(RecordVersion(""));
    EXPECT_FALSE(RecordVersion("x'35"));
    EXPECT_FALSE(RecordVersion("99999999999999999999'"));
    EXPECT_FALSE(RecordVersion(std::string(3000, '3')));
}

TEST(SendingRecord, LoginPair) {
    auto login = ParseLogin("walker'secret1");
    ASSERT_TRUE(login);
    EXPECT_EQ(login->first, "walker");
    EXPECT_EQ(login->second, "secret1");
    for (const char* bad : {"", "walker", "walker'", "'secret", "a'b'c", "'"})
        EXPECT_FALSE(ParseLogin(bad)) << bad;
    EXPECT_FALSE(ParseLogin(std::string(40, 'n') + "'pw"));
    EXPECT_FALSE(ParseLogin("n'" + std::string(65, 'p')));
}
