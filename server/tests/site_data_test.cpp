#include "server/history.h"
#include "server/json_api.h"
#include "server/review.h"
#include "server/schema.h"
#include "server/site_data.h"
#include "server/trekhold_service.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <ctime>
#include <random>

using namespace trekhold;
using test::kDigest;
using test::KeyOf;

TEST(Periods, AgreeWithTheCLibraryAtEveryBoundary) {
    // 2026-02-28 23:59:59 and 2026-03-01 00:00:00, the leap day 2028-02-29, year ends with
    // ISO weeks across them (2026-12-31 is in week 53 of 2026, 2027-01-04 in week 1 of 2027).
    const int64_t march = 1772323200; // 2026-03-01 00:00:00 UTC, a Sunday
    EXPECT_NE(DayNumber(march - 1), DayNumber(march));
    EXPECT_EQ(MonthNumber(march - 1) + 1, MonthNumber(march));
    EXPECT_EQ(WeekNumber(march - 1), WeekNumber(march));         // the same week, Sunday
    EXPECT_EQ(WeekNumber(march + 86399) + 7, WeekNumber(march + 86400)); // Monday 00:00:00
    EXPECT_EQ(SpanOf(Period::kMonth, march - 1).end, march);
    EXPECT_EQ(SpanOf(Period::kMonth, march).start, march);
    EXPECT_EQ(PeriodTitle(Period::kWeek, march), "Week 9 of 2026 (from Monday 23 February)");
    EXPECT_EQ(PeriodTitle(Period::kToday, 1835395200), "Tuesday 29 February 2028");
    EXPECT_EQ(IsoWeekOfDay(DayNumber(1798675200)), std::make_pair(int64_t{2026}, 53));
    EXPECT_EQ(PeriodFromWord("week"), Period::kWeek);
    EXPECT_FALSE(PeriodFromWord("Week"));
    std::mt19937_64 rng(7);
    std::vector<int64_t> times = {-1, 0, 951782400, 951868799, 4107542399};
    for (int i = 0; i < 20000; ++i)
        times.push_back(static_cast<int64_t>(rng() % 8000000000) - 1000000000);
    for (int64_t t : times) {
        std::time_t tt = static_cast<std::time_t>(t);
        std::tm tm{};
        ASSERT_TRUE(gmtime_r(&tt, &tm));
        char iso[32];
        std::strftime(iso, sizeof iso, "%G %V", &tm);
        const CivilDate date = DateOfDay(DayNumber(t));
        auto [iso_year, iso_week] = IsoWeekOfDay(DayNumber(t));
        ASSERT_EQ(std::to_string(date.year) + "-" + std::to_string(date.month) + "-" +
                      std::to_string(date.day) + " " + std::to_string(iso_year) + " " +
                      (iso_week < 10 ? "0" : "") + std::to_string(iso_week),
                  std::to_string(tm.tm_year + 1900) + "-" + std::to_string(tm.tm_mon + 1) + "-" +
                      std::to_string(tm.tm_mday) + " " + iso)
            << t;
        ASSERT_EQ(((WeekNumber(t) + 3) % 7 + 7) % 7, 0); // a Monday, at most 6 days back
        ASSERT_LE(DayNumber(t) - WeekNumber(t), 6);
        for (Period p : kAllPeriods) {
            const PeriodSpan span = SpanOf(p, t);
            ASSERT_TRUE(span.start <= t && t < span.end) << t;
            ASSERT_EQ(SpanOf(p, span.start).key, span.key);
            if (p != Period::kAllTime) {
                ASSERT_NE(SpanOf(p, span.end).key, span.key);
            }
        }
    }
}

namespace {

class SiteDataTest : public ::testing::Test {
  protected:
    void SetUp() override {
        config_.db_path = dir_.File("t.db");
        config_.hash_cost = HashCost::kMinimum;
        config_.wall_seconds = [this] { return now_; };
        service_ = std::make_unique<TrekholdService>(config_);
        for (const char* nick : {"ann", "bob", "cy", "dee"}) {
            std::string problem;
            ASSERT_EQ(service_->SignUp(nick, "secret1", problem), SignUpResult::kCreated);
            keys_[nick] = KeyOf(service_->RequestKey(EncipherPayload(std::string(nick) + "'secret1")), 3);
        }
    }
    // A sending of `nick` from `machine`; true when answered OK.
    bool Send(const std::string& nick, const Counts& c, const std::string& machine = "C293A4B5") {
        std::string answer = service_->Send(EncipherPayload(
            FormatSendingRecord(35, nick, "secret1", keys_[nick], c, machine, kDigest)));
        keys_[nick] = KeyOf(answer, 5);
        return !keys_[nick].empty();
    }
    // One column of the sums against the same sums recomputed from the sendings.
    void ExpectSumsAsRecomputed() {
        auto db = service_->Reader();
        for (const char* check : {
                 "SELECT COUNT(*) FROM (SELECT account_id, sent / 86400 AS d, SUM(distance) AS s, "
                 "COUNT(*) AS n FROM sendings WHERE held = 0 GROUP BY 1, 2) r FULL JOIN "
                 "(SELECT * FROM period_sums WHERE kind = 0) p ON p.account_id = r.account_id "
                 "AND p.period = r.d WHERE p.distance IS NOT r.s OR p.sendings IS NOT r.n",
                 "SELECT COUNT(*) FROM (SELECT kind, period, SUM(keystrokes) AS s, COUNT(*) AS m "
                 "FROM period_sums GROUP BY 1, 2) r FULL JOIN (SELECT * FROM community_sums "
                 "WHERE kind < 3) c USING (kind, period) WHERE c.keystrokes IS NOT r.s OR "
                 "c.members IS NOT r.m",
                 "SELECT COUNT(*) FROM (SELECT account_id, kind, SUM(usetime) AS s FROM "
                 "period_sums GROUP BY 1, 2) p JOIN (SELECT account_id, SUM(usetime) AS s FROM "
                 "machine_sums GROUP BY 1) m USING (account_id) WHERE p.s != m.s",
                 "SELECT (SELECT scrolls FROM community_sums WHERE kind = 3) - "
                 "(SELECT SUM(scrolls) FROM accounts)",
                 "SELECT COUNT(*) FROM period_sums WHERE clicks != left_clicks + right_clicks + "
                 "special_clicks"}) {
            Statement s = (*db).Prepare(check);
            ASSERT_TRUE(s.Step());
            EXPECT_EQ(s.Int(0), 0) << check;
        }
    }

    test::TempDir dir_;
    ServiceConfig config_;
    int64_t now_ = 1772323200 - 3600; // 2026-02-28 23:00:00
    std::unique_ptr<TrekholdService> service_;
    std::map<std::string, std::string> keys_;
};

} // namespace

TEST_F(SiteDataTest, SumsKeptAsSendingsArriveEqualSumsRecomputed) {
    SiteData site(*service_);
    ASSERT_TRUE(Send("ann", {100, 10, 1, 0, 0, 5, 5, 3}));
    now_ += 3600 - 1; // 23:59:59 on the last day of February
    ASSERT_TRUE(Send("bob", {50, 5, 2, 0, 0, 0, 59, 20}));
    ASSERT_TRUE(Send("ann", {7, 1, 0, 0, 0, 0, 0, 0}, "FFEE0011AABB"));
    now_ += 1; // 00:00:00 on the 1st of March
    ASSERT_TRUE(Send("ann", {1, 2, 3, 4, 5, 6, 1, 1}));
    // Implausible: held, on record, counted only once the operator accepts it.
    ASSERT_TRUE(Send("cy", {0, 99999, 0, 0, 0, 0, 1, 1}));
    ExpectSumsAsRecomputed();

    RankingResult month = site.Ranking(Quantity::kDistance, Period::kMonth, 1);
    ASSERT_EQ(month.rows.size(), 1u);
    EXPECT_EQ(month.rows[0].nick, "ann");
    EXPECT_EQ(month.rows[0].value, 1);
    EXPECT_EQ(month.span.start, now_);
    RankingResult feb = RankingOf(*service_->Reader(), Quantity::kDistance, Period::kMonth, 1, 100, now_ - 1);
    ASSERT_EQ(feb.rows.size(), 2u);
    EXPECT_EQ(feb.rows[0].nick + feb.rows[1].nick, "annbob");
    EXPECT_EQ(feb.rows[0].value, 107);
    EXPECT_EQ(site.Ranking(Quantity::kKeystrokes, Period::kToday, 1).ranked, 1); // cy held

    {
        auto db = service_->Reader();
        EXPECT_EQ(LastSendings(*db, 3, 5).at(0).held, true);
    }
    {
        Database db(config_.db_path);
        Transaction tx(db);
        ASSERT_TRUE(Decide(db, HeldSendings(db).at(0).id, Decision::kAccept));
        tx.Commit();
    }
    ExpectSumsAsRecomputed();
    RankingResult today = site.Ranking(Quantity::kKeystrokes, Period::kToday, 1);
    ASSERT_EQ(today.rows.size(), 2u);
    EXPECT_EQ(today.rows[0].nick, "cy");

    std::optional<MemberSummary> ann = site.Member("ANN");
    ASSERT_TRUE(ann);
    EXPECT_EQ(ann->totals.distance, 108);
    EXPECT_EQ(ann->first_sent, now_ - 3600);
    EXPECT_EQ(ann->last_sent, now_);
    EXPECT_EQ(ann->ranks[0], 1);
    ASSERT_EQ(ann->computers.size(), 2u);
    EXPECT_EQ(ann->computers[0].short_name, "C293A4B5");
    EXPECT_EQ(ann->computers[1].short_name, "FFEE0011\u2026");
    EXPECT_DOUBLE_EQ(ann->computers[0].share, 1.0);
    std::vector<HistoryPoint> days = site.Daily(ann->id), months = site.Monthly(ann->id);
    ASSERT_EQ(days.size(), 30u);
    ASSERT_EQ(months.size(), 12u);
    EXPECT_EQ(days[29].start, now_);
    EXPECT_EQ(days[29].counts.distance, 1);
    EXPECT_EQ(days[28].counts.distance, 107);
    EXPECT_EQ(days[27].sendings, 0);
    EXPECT_EQ(months[10].counts.distance, 107);
    EXPECT_EQ(months[0].start, 1743465600); // 2025-04-01

    CommunityTotals community = site.Community();
    EXPECT_EQ(community.all_time.keystrokes, 10 + 5 + 1 + 2 + 99999);
    EXPECT_EQ(community.today.keystrokes, 2 + 99999);
    EXPECT_EQ(community.active_week, 3); // Monday 23 February to Sunday 1 March
    EXPECT_EQ(community.members, 4);

    // Hidden by the operator: out of every ranking, no page; removed: out of the community's
    // sums.
    {
        Database db(config_.db_path);
        ASSERT_TRUE(SetHidden(db, "ann", true));
    }
    EXPECT_EQ(site.Ranking(Quantity::kDistance, Period::kWeek, 1).rows.at(0).nick, "bob");
    EXPECT_EQ(site.Ranking(Quantity::kDistance, Period::kAllTime, 1).rows.at(0).nick, "bob");
    EXPECT_FALSE(site.Place("ann", Quantity::kDistance, Period::kWeek));
    EXPECT_FALSE(site.Member("ann"));
    EXPECT_EQ(OwnMemberOf(*service_->Reader(), "ann")->ranks[0], 0);
    EXPECT_EQ(site.Community().all_time.keystrokes, 10 + 5 + 1 + 2 + 99999);
    ExpectSumsAsRecomputed();
    {
        Database db(config_.db_path);
        Transaction tx(db);
        ASSERT_TRUE(RemoveAccount(db, "bob"));
        tx.Commit();
    }
    ExpectSumsAsRecomputed();
    EXPECT_EQ(site.Community().active_week, 2);
}

TEST_F(SiteDataTest, PlacesMatchTheRankingPagesWithTiesAndPeriods) {
    SiteData site(*service_);
    std::mt19937 rng(5);
    std::vector<std::string> nicks = {"ann", "bob", "cy", "dee"};
    for (int i = 0; i < 40; ++i) {
        std::string nick = "m" + std::to_string(i);
        std::string problem;
        ASSERT_EQ(service_->SignUp(nick, "secret1", problem), SignUpResult::kCreated);
        keys_[nick] = KeyOf(service_->RequestKey(EncipherPayload(nick + "'secret1")), 3);
        nicks.push_back(nick);
    }
    for (int round = 0; round < 3; ++round) {
        for (const std::string& nick : nicks)
            if (rng() % 3 != 0) {
                auto r = [&rng](unsigned n) { return static_cast<int64_t>(rng() % n); };
                ASSERT_TRUE(Send(nick, {r(4), r(3), r(2), 0, 0, 0, 2, 1}));
            }
        now_ += 86400 * 3;
    }
    {
        Database db(config_.db_path);
        ASSERT_TRUE(SetHidden(db, "m7", true));
    }
    // Private: ranked at its place without its name, which finds neither place nor page.
    EXPECT_EQ(site.SetPrivate("m3", "wrong1", true, "10.0.0.1"), AccountResult::kWrongPassword);
    EXPECT_EQ(site.SetPrivate("nobody", "secret1", true, "10.0.0.1"), AccountResult::kUnknownNick);
    ASSERT_EQ(site.SetPrivate("m3", "secret1", true, "10.0.0.1"), AccountResult::kOk);
    int private_rows = 0;
    for (Quantity q : kAllQuantities)
        for (Period p : kAllPeriods) {
            std::vector<RankingRow> all;
            RankingResult r;
            for (int64_t page = 1; page == 1 || page <= r.pages; ++page) {
                r = site.Ranking(q, p, page, 7);
                all.insert(all.end(), r.rows.begin(), r.rows.end());
            }
            ASSERT_EQ(static_cast<int64_t>(all.size()), r.ranked);
            for (size_t i = 0; i < all.size(); ++i) {
                ASSERT_EQ(all[i].rank, static_cast<int64_t>(i) + 1);
                ASSERT_TRUE(i == 0 || all[i - 1].value >= all[i].value);
                if (all[i].private_page) { // the others' places show it holds its own
                    ASSERT_EQ(all[i].nick, "");
                    ++private_rows;
                    continue;
                }
                auto place = site.Place(all[i].nick, q, p, 7);
                ASSERT_EQ(place->rank, all[i].rank) << all[i].nick << " " << PeriodWord(p);
                ASSERT_EQ(place->page, static_cast<int64_t>(i) / 7 + 1);
                ASSERT_NE(all[i].nick, "m7");
            }
        }
    EXPECT_GE(private_rows, 6); // all time, in each quantity
    EXPECT_FALSE(site.Place("M3", Quantity::kDistance, Period::kAllTime));
    EXPECT_FALSE(site.Member("m3"));
    EXPECT_TRUE(OwnMemberOf(*service_->Reader(), "m3")->private_page);
    EXPECT_EQ(site.Ranking(Quantity::kClicks, Period::kWeek, 99, 7).page,
              site.Ranking(Quantity::kClicks, Period::kWeek, 1, 7).pages);
    // A ranking of a period reads its index alone and in order: no sort, no row read.
    auto db = service_->Reader();
    for (Quantity q : kAllQuantities) {
        Statement s = (*db).Prepare(
            std::string("EXPLAIN QUERY PLAN SELECT account_id, ") + QuantityExpression(q) +
            " FROM period_sums WHERE kind = 1 AND period = 2 AND hidden = 0 ORDER BY " +
            QuantityExpression(q) + " DESC, account_id LIMIT 5");
        std::string text;
        while (s.Step())
            text += s.Text(3) + ";";
        EXPECT_NE(text.find("COVERING INDEX period_"), std::string::npos) << text;
        EXPECT_EQ(text.find("TEMP B-TREE"), std::string::npos) << text;
    }
}

TEST_F(SiteDataTest, TheOwnerChangesThePasswordAndTheOldOneStopsWorking) {
    SiteData site(*service_);
    std::string problem;
    EXPECT_EQ(site.ChangePassword("bob", "secret1", "a b", "", problem), AccountResult::kInvalid);
    EXPECT_FALSE(problem.empty());
    ASSERT_EQ(site.ChangePassword("bob", "secret1", "newpass1", "", problem), AccountResult::kOk);
    MemberSummary summary;
    std::vector<SendingRow> rows;
    EXPECT_EQ(site.SignIn("bob", "secret1", "", 10, summary, rows), AccountResult::kWrongPassword);
    ASSERT_EQ(site.SignIn("BOB", "newpass1", "", 10, summary, rows), AccountResult::kOk);
    EXPECT_EQ(summary.nick, "bob");
    EXPECT_TRUE(rows.empty());
    EXPECT_EQ(service_->RequestKey(EncipherPayload("bob'secret1")), "Errpwd");
}

TEST(SchemaMigration, KeepsEveryTotalAndStartsTheHistoryEmpty) {
    test::TempDir dir;
    Database db(dir.File("old.db"));
    MigrateSchema(db, 2);
    db.Exec("INSERT INTO accounts (nick, pw_hash, created, distance, keystrokes, scrolls, "
            "usetime, sendings, hidden) VALUES ('old', 'h', 1, 9000000000000, 5, 7, 3, 40, 0), "
            "('two', 'h', 1, 1, 2, 3, 4, 5, 0), ('gone', 'h', 1, 8, 0, 0, 0, 0, 1)");
    MigrateSchema(db);
    Statement s = db.Prepare("SELECT distance, keystrokes, sendings FROM community_sums");
    ASSERT_TRUE(s.Step());
    EXPECT_EQ(s.Int(0), 9000000000009);
    EXPECT_EQ(s.Int(1), 7);
    EXPECT_EQ(s.Int(2), 45);
    std::optional<MemberSummary> old = MemberOf(db, "old");
    ASSERT_TRUE(old);
    EXPECT_EQ(old->totals.distance, 9000000000000);
    EXPECT_EQ(old->first_sent, 0);
    RankingResult all = RankingOf(db, Quantity::kDistance, Period::kAllTime, 1, 10, 0);
    EXPECT_EQ(all.rows.at(0).nick, "old");
    EXPECT_FALSE(all.rows.at(0).private_page);
    EXPECT_EQ(all.ranked, 2); // an account hidden before stays out, not merely private
    EXPECT_FALSE(MemberOf(db, "gone"));
    EXPECT_TRUE(RankingOf(db, Quantity::kDistance, Period::kToday, 1, 10, 0).rows.empty());
}

TEST(JsonApi, EscapesHostileTextIntoValidJsonAndWritesUtcDates) {
    // clang-format off
    const std::pair<std::string, std::string> cases[] = {
        {"ann", "\"ann\""}, {"a\"b\\c", "\"a\\\"b\\\\c\""},
        {"</script><b>&", "\"\\u003c/script\\u003e\\u003cb\\u003e\\u0026\""},
        {std::string("a\0b\n\x1f\x7f", 6), "\"a\\u0000b\\u000a\\u001f\\u007f\""},
        {"caf\xc3\xa9 \xe2\x82\xac \xf0\x9f\x98\x80", "\"caf\xc3\xa9 \xe2\x82\xac \xf0\x9f\x98\x80\""},
        {"\xff\xc3", "\"\\ufffd\\ufffd\""},               // stray and cut-off bytes
        {"\xc0\xaf\xed\xa0\x80", "\"\\ufffd\\ufffd\\ufffd\\ufffd\\ufffd\""}, // overlong, surrogate
        {"\xf4\x90\x80\x80", "\"\\ufffd\\ufffd\\ufffd\\ufffd\""},          // beyond U+10FFFF
        {"\xfc\xa0\xa0", "\"\\ufffd\\ufffd\\ufffd\""}};                           // no such lead byte
    // clang-format on
    for (const auto& [text, json] : cases)
        EXPECT_EQ(JsonString(text), json);
    EXPECT_EQ(IsoTime(1772323199), "2026-02-28T23:59:59Z");
    EXPECT_EQ(IsoTime(-1), "1969-12-31T23:59:59Z");
    RankingResult r;
    r.span = SpanOf(Period::kWeek, 1772323200);
    r.rows = {{1, "x\"<", 5}, {2, "", 4, true}};
    EXPECT_EQ(RankingJson(r),
              "{\"quantity\":\"distance\",\"unit\":\"cm\",\"period\":\"week\",\"period_title\":"
              "\"Week 9 of 2026 (from Monday 23 February)\",\"from\":\"2026-02-23T00:00:00Z\","
              "\"until\":\"2026-03-02T00:00:00Z\",\"page\":1,\"pages\":1,\"size\":100,"
              "\"ranked\":0,\"rows\":[{\"rank\":1,\"nick\":\"x\\\"\\u003c\",\"hidden\":false,"
              "\"value\":5},{\"rank\":2,\"nick\":null,\"hidden\":true,\"value\":4}]}");
}
