#include "server/site_data.h"

#include "server/history.h"
#include "server/trekhold_service.h"

#include <algorithm>
#include <limits>

namespace trekhold {

namespace {

constexpr int64_t kDaySeconds = 86400;

int64_t FloorDiv(int64_t a, int64_t b) {
    return a / b - ((a % b != 0) && ((a < 0) != (b < 0)) ? 1 : 0);
}
int64_t FloorMod(int64_t a, int64_t b) { return a - FloorDiv(a, b) * b; }

// Days since 1970-01-01 of a date of the proleptic Gregorian calendar (H. Hinnant's
// days_from_civil).
int64_t DaysFromCivil(int64_t y, int m, int d) {
    y -= m <= 2 ? 1 : 0;
    const int64_t era = FloorDiv(y, 400);
    const int64_t yoe = y - era * 400;
    const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

const char* const kMonthNames[] = {"January", "February", "March",     "April",
                                   "May",     "June",     "July",      "August",
                                   "September", "October", "November", "December"};
const char* const kDayNames[] = {"Monday", "Tuesday",  "Wednesday", "Thursday",
                                 "Friday", "Saturday", "Sunday"};

std::string DayTitle(int64_t day, bool with_year) {
    CivilDate date = DateOfDay(day);
    return std::string(kDayNames[FloorMod(day + 3, 7)]) + " " + std::to_string(date.day) + " " +
           MonthName(date.month) + (with_year ? " " + std::to_string(date.year) : "");
}

int SumKindOf(Period period) {
    switch (period) {
    case Period::kToday:
        return kDaySums;
    case Period::kWeek:
        return kWeekSums;
    case Period::kMonth:
        return kMonthSums;
    case Period::kAllTime:
        break;
    }
    return kAllTimeSums;
}

Counts ReadCounts(const Statement& s, int first) {
    return {s.Int(first),     s.Int(first + 1), s.Int(first + 2), s.Int(first + 3),
            s.Int(first + 4), s.Int(first + 5), s.Int(first + 6), s.Int(first + 7)};
}

const char* const kCountColumns = "distance, keystrokes, left_clicks, right_clicks, "
                                  "special_clicks, scrolls, uptime, usetime";

// Members ahead of `value` (ties: of the nickname, or the account id in a period) in a
// ranking, plus one.
int64_t RankOf(Database& db, Quantity by, const PeriodSpan& span, int64_t value,
               const std::string& nick, int64_t account_id) {
    if (span.period == Period::kAllTime) {
        const std::string e = QuantityExpression(by);
        auto s = db.Reuse("SELECT (SELECT COUNT(*) FROM accounts WHERE hidden = 0 AND " + e +
                          " > ?1) + (SELECT COUNT(*) FROM accounts WHERE hidden = 0 AND " + e +
                          " = ?1 AND nick < ?2)");
        s->Bind(1, value).Bind(2, nick);
        return s->Step() ? s->Int(0) + 1 : 0;
    }
    const std::string e = QuantityExpression(by);
    auto s = db.Reuse("SELECT (SELECT COUNT(*) FROM period_sums WHERE kind = ?1 AND period = ?2 "
                      "AND hidden = 0 AND " + e + " > ?3) + (SELECT COUNT(*) FROM period_sums "
                      "WHERE kind = ?1 AND period = ?2 AND hidden = 0 AND " + e +
                      " = ?3 AND account_id < ?4)");
    s->Bind(1, SumKindOf(span.period)).Bind(2, span.key).Bind(3, value).Bind(4, account_id);
    return s->Step() ? s->Int(0) + 1 : 0;
}

int64_t RankedCount(Database& db, const PeriodSpan& span) {
    if (span.period == Period::kAllTime)
        return RankedAccountCount(db);
    auto s = db.Reuse("SELECT COALESCE((SELECT members FROM community_sums WHERE kind = ?1 AND "
                      "period = ?2), 0) - (SELECT COUNT(*) FROM period_sums WHERE kind = ?1 AND "
                      "period = ?2 AND account_id IN (SELECT id FROM accounts WHERE hidden = 1))");
    s->Bind(1, SumKindOf(span.period)).Bind(2, span.key);
    return s->Step() ? std::max<int64_t>(0, s->Int(0)) : 0;
}

struct AccountRow {
    int64_t id = 0;
    std::string nick;
    bool shown = false; // neither hidden nor private: has a page, can be found by name
};

std::optional<AccountRow> FindRow(Database& db, const std::string& nick) {
    auto s = db.Reuse("SELECT id, nick, hidden = 0 AND private_page = 0 FROM accounts WHERE nick = ?");
    s->Bind(1, nick);
    if (!s->Step())
        return std::nullopt;
    return AccountRow{s->Int(0), s->Text(1), s->Int(2) != 0};
}

std::string ShortMachine(const std::string& machine) {
    return machine.size() <= 8 ? machine : machine.substr(0, 8) + "\u2026";
}

} // namespace

std::optional<Quantity> QuantityFromWord(const std::string& word) {
    for (Quantity quantity : kAllQuantities)
        if (word == QuantityWord(quantity))
            return quantity;
    return std::nullopt;
}

std::optional<Period> PeriodFromWord(const std::string& word) {
    for (Period period : kAllPeriods)
        if (word == PeriodWord(period))
            return period;
    return std::nullopt;
}

const char* PeriodWord(Period period) {
    switch (period) {
    case Period::kAllTime:
        break;
    case Period::kMonth:
        return "month";
    case Period::kWeek:
        return "week";
    case Period::kToday:
        return "today";
    }
    return "all";
}

int64_t DayNumber(int64_t unix_seconds) { return FloorDiv(unix_seconds, kDaySeconds); }

int64_t WeekNumber(int64_t unix_seconds) {
    const int64_t day = DayNumber(unix_seconds);
    return day - FloorMod(day + 3, 7); // 1970-01-01 was a Thursday
}

int64_t MonthNumber(int64_t unix_seconds) {
    CivilDate date = DateOfDay(DayNumber(unix_seconds));
    return date.year * 12 + date.month - 1;
}

int64_t MonthStart(int64_t month_number) {
    return DaysFromCivil(FloorDiv(month_number, 12), static_cast<int>(FloorMod(month_number, 12)) + 1,
                         1) *
           kDaySeconds;
}

CivilDate DateOfDay(int64_t z) { // H. Hinnant's civil_from_days
    z += 719468;
    const int64_t era = FloorDiv(z, 146097);
    const int64_t doe = z - era * 146097;
    const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const int64_t mp = (5 * doy + 2) / 153;
    CivilDate date;
    date.day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    date.month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    date.year = yoe + era * 400 + (date.month <= 2 ? 1 : 0);
    return date;
}

const char* MonthName(int month) { return kMonthNames[month - 1]; }

std::pair<int64_t, int> IsoWeekOfDay(int64_t day_number) {
    // The week belongs to the year of its Thursday.
    const int64_t thursday = day_number - FloorMod(day_number + 3, 7) + 3;
    const int64_t year = DateOfDay(thursday).year;
    return {year, static_cast<int>((thursday - DaysFromCivil(year, 1, 1)) / 7 + 1)};
}

PeriodSpan SpanOf(Period period, int64_t now) {
    PeriodSpan span{period, 0, std::numeric_limits<int64_t>::min(),
                    std::numeric_limits<int64_t>::max()};
    switch (period) {
    case Period::kAllTime:
        break;
    case Period::kMonth:
        span.key = MonthNumber(now);
        span.start = MonthStart(span.key);
        span.end = MonthStart(span.key + 1);
        break;
    case Period::kWeek:
        span.key = WeekNumber(now);
        span.start = span.key * kDaySeconds;
        span.end = span.start + 7 * kDaySeconds;
        break;
    case Period::kToday:
        span.key = DayNumber(now);
        span.start = span.key * kDaySeconds;
        span.end = span.start + kDaySeconds;
        break;
    }
    return span;
}

std::string PeriodTitle(Period period, int64_t now) {
    const int64_t day = DayNumber(now);
    switch (period) {
    case Period::kAllTime:
        break;
    case Period::kMonth: {
        CivilDate date = DateOfDay(day);
        return std::string(MonthName(date.month)) + " " + std::to_string(date.year);
    }
    case Period::kWeek: {
        auto [year, week] = IsoWeekOfDay(day);
        return "Week " + std::to_string(week) + " of " + std::to_string(year) + " (from " +
               DayTitle(WeekNumber(now), false) + ")";
    }
    case Period::kToday:
        return DayTitle(day, true);
    }
    return "All time";
}

int64_t CountOf(const Counts& c, Quantity quantity) {
    switch (quantity) {
    case Quantity::kDistance:
        break;
    case Quantity::kKeystrokes:
        return c.keystrokes;
    case Quantity::kClicks:
        return c.left_clicks + c.right_clicks + c.special_clicks;
    case Quantity::kScrolls:
        return c.scrolls;
    case Quantity::kUptime:
        return c.uptime;
    case Quantity::kUsetime:
        return c.usetime;
    }
    return c.distance;
}

RankingResult RankingOf(Database& db, Quantity by, Period period, int64_t page, int64_t page_size,
                        int64_t now) {
    RankingResult result;
    result.by = by;
    result.span = SpanOf(period, now);
    result.page_size = std::clamp<int64_t>(page_size, 1, kMaxPageSize);
    result.ranked = RankedCount(db, result.span);
    result.pages = std::max<int64_t>(1, (result.ranked + result.page_size - 1) / result.page_size);
    result.page = std::clamp<int64_t>(page, 1, result.pages);
    const int64_t offset = (result.page - 1) * result.page_size;
    if (period == Period::kAllTime) {
        for (RankingEntry& entry : Ranking(db, by, result.page_size, offset))
            result.rows.push_back({offset + static_cast<int64_t>(result.rows.size()) + 1,
                                   std::move(entry.nick), entry.value, entry.private_page});
        return result;
    }
    // The page is cut from the index alone; only its rows meet the accounts table.
    const std::string e = QuantityExpression(by);
    auto s = db.Reuse("SELECT a.nick, r.v, a.private_page FROM (SELECT account_id, " + e +
                      " AS v FROM period_sums WHERE kind = ? AND period = ? AND hidden = 0 "
                      "ORDER BY " + e + " DESC, account_id LIMIT ? OFFSET ?) r "
                      "JOIN accounts a ON a.id = r.account_id ORDER BY r.v DESC, r.account_id");
    s->Bind(1, SumKindOf(period)).Bind(2, result.span.key).Bind(3, result.page_size).Bind(4, offset);
    while (s->Step()) {
        const bool private_page = s->Int(2) != 0;
        result.rows.push_back({offset + static_cast<int64_t>(result.rows.size()) + 1,
                               private_page ? std::string() : s->Text(0), s->Int(1),
                               private_page});
    }
    return result;
}

std::optional<NickPlace> PlaceOf(Database& db, const std::string& nick, Quantity by, Period period,
                                 int64_t page_size, int64_t now) {
    std::optional<AccountRow> account = FindRow(db, nick);
    if (!account || !account->shown)
        return std::nullopt;
    NickPlace place{account->nick};
    const PeriodSpan span = SpanOf(period, now);
    const std::string e = QuantityExpression(by);
    if (period == Period::kAllTime) {
        auto s = db.Reuse("SELECT " + e + " FROM accounts WHERE id = ?");
        s->Bind(1, account->id);
        if (!s->Step())
            return place;
        place.value = s->Int(0);
    } else {
        auto s = db.Reuse("SELECT " + e +
                          " FROM period_sums WHERE account_id = ? AND kind = ? AND period = ?");
        s->Bind(1, account->id).Bind(2, SumKindOf(period)).Bind(3, span.key);
        if (!s->Step())
            return place; // nothing sent in this period: not ranked
        place.value = s->Int(0);
    }
    place.rank = RankOf(db, by, span, place.value, account->nick, account->id);
    place.page = (place.rank - 1) / std::clamp<int64_t>(page_size, 1, kMaxPageSize) + 1;
    return place;
}

namespace {

// The member's summary; `shown_only`: empty for a hidden or private account (as FindRow).
std::optional<MemberSummary> SummaryOf(Database& db, const std::string& nick, bool shown_only) {
    MemberSummary m;
    {
        auto s = db.Reuse(std::string("SELECT id, nick, hidden, private_page, created, "
                                      "sendings, last_sent, ") +
                          kCountColumns + " FROM accounts WHERE nick = ?");
        s->Bind(1, nick);
        if (!s->Step())
            return std::nullopt;
        m.id = s->Int(0);
        m.nick = s->Text(1);
        m.hidden = s->Int(2) != 0;
        m.private_page = s->Int(3) != 0;
        m.created = s->Int(4);
        m.sendings = s->Int(5);
        m.last_sent = s->Int(6);
        m.totals = ReadCounts(*s, 7);
    }
    if (shown_only && (m.hidden || m.private_page))
        return std::nullopt;
    {
        auto s = db.Reuse("SELECT MIN(sent) FROM sendings WHERE account_id = ?");
        s->Bind(1, m.id);
        if (s->Step() && !s->IsNull(0))
            m.first_sent = s->Int(0);
    }
    if (!m.hidden)
        for (size_t i = 0; i < kAllQuantities.size(); ++i)
            m.ranks[i] = RankOf(db, kAllQuantities[i], SpanOf(Period::kAllTime, 0),
                                CountOf(m.totals, kAllQuantities[i]), m.nick, m.id);
    auto s = db.Reuse(std::string("SELECT machine, sendings, last_sent, ") + kCountColumns +
                      " FROM machine_sums WHERE account_id = ?");
    s->Bind(1, m.id);
    int64_t usetime = 0, sendings = 0;
    while (s->Step()) {
        ComputerShare c{s->Text(0), ShortMachine(s->Text(0)), ReadCounts(*s, 3), s->Int(1), s->Int(2)};
        usetime += c.counts.usetime;
        sendings += c.sendings;
        m.computers.push_back(std::move(c));
    }
    for (ComputerShare& c : m.computers)
        c.share = usetime > 0 ? static_cast<double>(c.counts.usetime) / static_cast<double>(usetime)
                  : sendings > 0 ? static_cast<double>(c.sendings) / static_cast<double>(sendings)
                                 : 0;
    std::stable_sort(m.computers.begin(), m.computers.end(),
                     [](const ComputerShare& a, const ComputerShare& b) {
                         return a.share != b.share ? a.share > b.share : a.machine < b.machine;
                     });
    return m;
}

} // namespace

std::optional<MemberSummary> MemberOf(Database& db, const std::string& nick) {
    return SummaryOf(db, nick, true);
}

std::optional<MemberSummary> OwnMemberOf(Database& db, const std::string& nick) {
    return SummaryOf(db, nick, false);
}

namespace {

// The rows of one kind of sums from `first` to `last`, each period present; `start` gives
// a period's first second.
std::vector<HistoryPoint> History(Database& db, int64_t account_id, int kind, int64_t first,
                                  int64_t last, int64_t (*start)(int64_t)) {
    std::vector<HistoryPoint> points;
    for (int64_t period = first; period <= last; ++period)
        points.push_back({start(period), Counts{}, 0});
    auto s = db.Reuse(std::string("SELECT period, sendings, ") + kCountColumns +
                      " FROM period_sums WHERE account_id = ? AND kind = ? AND period BETWEEN ? "
                      "AND ?");
    s->Bind(1, account_id).Bind(2, kind).Bind(3, first).Bind(4, last);
    while (s->Step()) {
        HistoryPoint& point = points[static_cast<size_t>(s->Int(0) - first)];
        point.sendings = s->Int(1);
        point.counts = ReadCounts(*s, 2);
    }
    return points;
}

int64_t DayStart(int64_t day) { return day * kDaySeconds; }

} // namespace

std::vector<HistoryPoint> DailyHistory(Database& db, int64_t account_id, int64_t now, int days) {
    const int64_t today = DayNumber(now);
    return History(db, account_id, kDaySums, today - std::max(days, 1) + 1, today, DayStart);
}

std::vector<HistoryPoint> MonthlyHistory(Database& db, int64_t account_id, int64_t now,
                                         int months) {
    const int64_t month = MonthNumber(now);
    return History(db, account_id, kMonthSums, month - std::max(months, 1) + 1, month, MonthStart);
}

CommunityTotals CommunityOf(Database& db, int64_t now) {
    CommunityTotals t;
    auto s = db.Reuse(std::string("SELECT kind, sendings, members, ") + kCountColumns +
                      " FROM community_sums WHERE (kind = 3 AND period = 0) OR "
                      "(kind = 0 AND period = ?) OR (kind = 1 AND period = ?)");
    s->Bind(1, DayNumber(now)).Bind(2, WeekNumber(now));
    while (s->Step()) {
        switch (s->Int(0)) {
        case kAllTimeSums:
            t.all_time = ReadCounts(*s, 3);
            break;
        case kDaySums:
            t.today = ReadCounts(*s, 3);
            t.sendings_today = s->Int(1);
            t.active_today = s->Int(2);
            break;
        case kWeekSums:
            t.active_week = s->Int(2);
            break;
        }
    }
    auto members = db.Reuse("SELECT (SELECT COUNT(*) FROM accounts), "
                            "(SELECT CAST(value AS INTEGER) FROM meta WHERE name = 'history_since')");
    if (members->Step()) {
        t.members = members->Int(0);
        t.history_since = members->Int(1);
    }
    return t;
}

std::vector<SendingRow> LastSendings(Database& db, int64_t account_id, int limit) {
    auto s = db.Reuse(std::string("SELECT sent, machine, held, ") + kCountColumns +
                      " FROM sendings WHERE account_id = ? ORDER BY sent DESC, id DESC LIMIT ?");
    s->Bind(1, account_id).Bind(2, std::max(limit, 0));
    std::vector<SendingRow> rows;
    while (s->Step())
        rows.push_back({s->Int(0), s->Text(1), ReadCounts(*s, 3), s->Int(2) != 0});
    return rows;
}

int64_t SiteData::Now() { return service_.config().wall_seconds(); }

RankingResult SiteData::Ranking(Quantity by, Period period, int64_t page, int64_t page_size) {
    auto lease = service_.Reader();
    return RankingOf(*lease, by, period, page, page_size, Now());
}

std::optional<NickPlace> SiteData::Place(const std::string& nick, Quantity by, Period period,
                                         int64_t page_size) {
    auto lease = service_.Reader();
    return PlaceOf(*lease, nick, by, period, page_size, Now());
}

std::optional<MemberSummary> SiteData::Member(const std::string& nick) {
    auto lease = service_.Reader();
    return MemberOf(*lease, nick);
}

std::vector<HistoryPoint> SiteData::Daily(int64_t account_id, int days) {
    auto lease = service_.Reader();
    return DailyHistory(*lease, account_id, Now(), days);
}

std::vector<HistoryPoint> SiteData::Monthly(int64_t account_id, int months) {
    auto lease = service_.Reader();
    return MonthlyHistory(*lease, account_id, Now(), months);
}

CommunityTotals SiteData::Community() {
    auto lease = service_.Reader();
    return CommunityOf(*lease, Now());
}

AccountResult SiteData::SignIn(const std::string& nick, const std::string& password,
                               const std::string& address, int limit, MemberSummary& summary,
                               std::vector<SendingRow>& sendings) {
    AccountResult result = service_.CheckOwner(nick, password, address);
    if (result != AccountResult::kOk)
        return result;
    return OwnPage(nick, limit, summary, sendings);
}

AccountResult SiteData::OwnPage(const std::string& nick, int limit, MemberSummary& summary,
                                std::vector<SendingRow>& sendings) {
    auto lease = service_.Reader();
    std::optional<MemberSummary> member = OwnMemberOf(*lease, nick);
    if (!member)
        return AccountResult::kUnknownNick; // removed meanwhile
    sendings = LastSendings(*lease, member->id, limit);
    summary = std::move(*member);
    return AccountResult::kOk;
}

AccountResult SiteData::SetPrivate(const std::string& nick, const std::string& password,
                                   bool private_page, const std::string& address) {
    return service_.SetOwnPrivate(nick, password, private_page, address);
}

AccountResult SiteData::ChangePassword(const std::string& nick, const std::string& password,
                                       const std::string& new_password, const std::string& address,
                                       std::string& problem) {
    return service_.ChangeOwnPassword(nick, password, new_password, address, problem);
}

} // namespace trekhold
