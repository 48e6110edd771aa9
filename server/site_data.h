// What the website and the JSON API show, read from the database as plain values: rankings
// by period, a member's totals, ranks, computers and history, the community's totals, and
// the member's own account page (password checked like the account endpoints').
//
// Periods are UTC: today from 00:00:00, this week from Monday 00:00:00 (ISO weeks), this
// month from the 1st 00:00:00. Their sums are kept per account and per community while
// each sending is stored (history.h), so no page adds up sendings. A database migrated from
// a layout without history has none before the migration: its all-time totals are the
// accounts' totals, which stay exact; the periods and charts start at the migration.
//
// Only counted sendings reach any of it: a sending held as implausible adds nothing until
// the operator accepts it (plausibility.h), just as for the all-time totals.
#pragma once

#include "server/account_store.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace trekhold {

class TrekholdService;

enum class Period { kAllTime, kMonth, kWeek, kToday };

// Query words: all|month|week|today.
std::optional<Period> PeriodFromWord(const std::string& word);
const char* PeriodWord(Period period);
// QuantityWord (account_store.h) names the quantities; this reads them back.
std::optional<Quantity> QuantityFromWord(const std::string& word);
constexpr std::array<Quantity, 6> kAllQuantities = {Quantity::kDistance, Quantity::kKeystrokes,
                                                    Quantity::kClicks,   Quantity::kScrolls,
                                                    Quantity::kUptime,   Quantity::kUsetime};
constexpr std::array<Period, 4> kAllPeriods = {Period::kAllTime, Period::kMonth, Period::kWeek,
                                               Period::kToday};

// Calendar arithmetic in UTC on Unix seconds (negative ones too).
int64_t DayNumber(int64_t unix_seconds);   // days since 1970-01-01
int64_t WeekNumber(int64_t unix_seconds);  // the day number of the week's Monday
int64_t MonthNumber(int64_t unix_seconds); // year * 12 + month - 1
int64_t MonthStart(int64_t month_number);  // Unix seconds of its 1st, 00:00:00
struct CivilDate {
    int64_t year = 1970;
    int month = 1, day = 1; // from 1
};
CivilDate DateOfDay(int64_t day_number);
const char* MonthName(int month); // "January" for 1 .. "December" for 12
// ISO 8601 week-numbering year and week (1 to 53) of a day.
std::pair<int64_t, int> IsoWeekOfDay(int64_t day_number);

// The period holding `now`: [start, end) in Unix seconds. All time: from the smallest
// value to the largest. `key` is its number in the sum tables (day, Monday's day or month number;
// 0 for all time).
struct PeriodSpan {
    Period period = Period::kAllTime;
    int64_t key = 0, start = 0, end = 0;
};
PeriodSpan SpanOf(Period period, int64_t now);
// How a page names it: "All time", "December 2026", "Week 50 of 2026 (from Monday
// 7 December)", "Monday 7 December 2026"; always UTC.
std::string PeriodTitle(Period period, int64_t now);

int64_t CountOf(const Counts& counts, Quantity quantity); // clicks: left + right + special

struct RankingRow {
    int64_t rank = 0; // from 1
    std::string nick; // empty for a private member (shown as "hidden")
    int64_t value = 0; // centimetres, a count, or minutes: units are the page's matter
    bool private_page = false;
};
struct RankingResult {
    Quantity by = Quantity::kDistance;
    PeriodSpan span;
    int64_t page = 1;  // from 1, within 1 .. pages
    int64_t pages = 1; // at least 1
    int64_t page_size = 100;
    int64_t ranked = 0; // members in this ranking (not hidden, private ones too; for a period:
                        // with a sending in it)
    std::vector<RankingRow> rows;
};
constexpr int64_t kMaxPageSize = 1000;
// A page beyond the last gives the last; page_size is clamped to 1 .. kMaxPageSize.
RankingResult RankingOf(Database& db, Quantity by, Period period, int64_t page, int64_t page_size,
                        int64_t now);

// Where a nickname stands in a ranking. Empty when there is no such account, or when it is
// hidden or private: those answer as an unknown nickname, so that a private member's place
// cannot be found by name. Those without a sending in the period have rank and page 0.
struct NickPlace {
    std::string nick; // as the account spells it
    int64_t rank = 0, page = 0, value = 0;
};
std::optional<NickPlace> PlaceOf(Database& db, const std::string& nick, Quantity by, Period period,
                                 int64_t page_size, int64_t now);

struct ComputerShare {
    std::string machine;    // the machine identity as sent
    std::string short_name; // its first 8 characters (with "…" when longer)
    Counts counts;
    int64_t sendings = 0;
    int64_t last_sent = 0;
    double share = 0; // of the member's counted usetime (of sendings when that is 0), 0 to 1
};
struct MemberSummary {
    int64_t id = 0;
    std::string nick;
    bool hidden = false;       // by the operator: out of the rankings
    bool private_page = false; // by its owner: ranked as "hidden"
    int64_t created = 0;
    Counts totals;     // all time, exact (also what came before the history)
    int64_t sendings = 0;
    int64_t first_sent = 0, last_sent = 0; // 0: none (first: the first one with history)
    // Rank in the all-time ranking of each quantity, in kAllQuantities order; 0 when hidden.
    std::array<int64_t, 6> ranks{};
    std::vector<ComputerShare> computers; // most usetime first; sendings since the history began
};
// The public's view: empty when there is no such account, or when it is hidden or private
// (they answer as an unknown nickname).
std::optional<MemberSummary> MemberOf(Database& db, const std::string& nick);
// The owner's view (the account page): hidden and private accounts too.
std::optional<MemberSummary> OwnMemberOf(Database& db, const std::string& nick);

struct HistoryPoint {
    int64_t start = 0; // Unix seconds of the day's or month's start
    Counts counts;
    int64_t sendings = 0;
};
// The last `days` days (today last) and the last `months` months (this one last), every
// one present, zero when nothing was sent.
std::vector<HistoryPoint> DailyHistory(Database& db, int64_t account_id, int64_t now, int days = 30);
std::vector<HistoryPoint> MonthlyHistory(Database& db, int64_t account_id, int64_t now,
                                         int months = 12);

struct CommunityTotals {
    Counts all_time; // every account's totals, hidden ones too
    Counts today;
    int64_t sendings_today = 0;
    int64_t members = 0;     // accounts
    int64_t active_week = 0; // accounts with a counted sending this week
    int64_t active_today = 0;
    int64_t history_since = 0; // when the history began (Unix seconds): no period before
};
CommunityTotals CommunityOf(Database& db, int64_t now);

struct SendingRow {
    int64_t sent = 0;
    std::string machine;
    Counts counts;     // what it brought (a held one: what it would add)
    bool held = false; // judged implausible, not counted (unless the operator accepts it)
};
// Newest first.
std::vector<SendingRow> LastSendings(Database& db, int64_t account_id, int limit);

// The account page: every action checks the password as the account endpoints do (the
// throttle of wrong passwords included).
enum class AccountResult { kOk, kUnknownNick, kWrongPassword, kWait, kInvalid, kFailed };

// The website's reads, each on a connection of the service's pool and at the service's
// clock; and the member's own changes.
class SiteData {
  public:
    explicit SiteData(TrekholdService& service) : service_(service) {}

    int64_t Now();
    RankingResult Ranking(Quantity by, Period period, int64_t page, int64_t page_size = 100);
    std::optional<NickPlace> Place(const std::string& nick, Quantity by, Period period,
                                   int64_t page_size = 100);
    std::optional<MemberSummary> Member(const std::string& nick); // MemberOf: the public's
    std::vector<HistoryPoint> Daily(int64_t account_id, int days = 30);
    std::vector<HistoryPoint> Monthly(int64_t account_id, int months = 12);
    CommunityTotals Community();

    // `address`: the client's, for the throttle. kOk fills `summary` (OwnMemberOf) and the
    // last `limit` sendings.
    AccountResult SignIn(const std::string& nick, const std::string& password,
                         const std::string& address, int limit, MemberSummary& summary,
                         std::vector<SendingRow>& sendings);
    // The same page without the check, for a request whose password SetPrivate or
    // ChangePassword has just accepted.
    AccountResult OwnPage(const std::string& nick, int limit, MemberSummary& summary,
                          std::vector<SendingRow>& sendings);
    // The member's privacy: ranked as "hidden", no page, no history shown.
    AccountResult SetPrivate(const std::string& nick, const std::string& password,
                             bool private_page, const std::string& address);
    // `problem` explains kInvalid (the sign-up's rules for a password).
    AccountResult ChangePassword(const std::string& nick, const std::string& password,
                                 const std::string& new_password, const std::string& address,
                                 std::string& problem);

  private:
    TrekholdService& service_;
};

} // namespace trekhold
