#include "server/history.h"

#include "server/site_data.h"

namespace trekhold {

namespace {

// The counts bound at parameters first .. first + 7, in record order.
void BindCounts(Statement& s, int first, const Counts& c) {
    s.Bind(first, c.distance).Bind(first + 1, c.keystrokes).Bind(first + 2, c.left_clicks);
    s.Bind(first + 3, c.right_clicks).Bind(first + 4, c.special_clicks).Bind(first + 5, c.scrolls);
    s.Bind(first + 6, c.uptime).Bind(first + 7, c.usetime);
}

// Adds the counts bound at ?1 .. ?8 and one sending to a row of sums.
const std::string kAddCounts =
    "distance = distance + ?1, keystrokes = keystrokes + ?2, left_clicks = left_clicks + ?3, "
    "right_clicks = right_clicks + ?4, special_clicks = special_clicks + ?5, "
    "scrolls = scrolls + ?6, uptime = uptime + ?7, usetime = usetime + ?8, "
    "sendings = sendings + 1";

// Adds to the account's row of a period; true when the row is new (its first sending).
bool AddToPeriod(Database& db, int64_t account_id, int kind, int64_t period, const Counts& c) {
    {
        auto update = db.Reuse("UPDATE period_sums SET " + kAddCounts +
                               ", clicks = clicks + ?3 + ?4 + ?5 WHERE account_id = ?9 AND kind = ?10 AND period = ?11");
        BindCounts(*update, 1, c);
        update->Bind(9, account_id).Bind(10, kind).Bind(11, period);
        update->Run();
    }
    if (db.Changes() == 1)
        return false;
    auto insert = db.Reuse(
        "INSERT INTO period_sums (distance, keystrokes, left_clicks, right_clicks, "
        "special_clicks, scrolls, uptime, usetime, sendings, account_id, kind, period, clicks, "
        "hidden) VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, 1, ?9, ?10, ?11, ?3 + ?4 + ?5, "
        "(SELECT hidden FROM accounts WHERE id = ?9))");
    BindCounts(*insert, 1, c);
    insert->Bind(9, account_id).Bind(10, kind).Bind(11, period);
    insert->Run();
    return true;
}

void AddToCommunity(Database& db, int kind, int64_t period, const Counts& c, bool new_member) {
    auto s = db.Reuse(
        "INSERT INTO community_sums (distance, keystrokes, left_clicks, right_clicks, "
        "special_clicks, scrolls, uptime, usetime, sendings, kind, period, members) "
        "VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, 1, ?9, ?10, ?11) "
        "ON CONFLICT (kind, period) DO UPDATE SET " + kAddCounts +
        ", members = members + ?11");
    BindCounts(*s, 1, c);
    s->Bind(9, kind).Bind(10, period).Bind(11, new_member ? 1 : 0);
    s->Run();
}

} // namespace

int64_t RecordSending(Database& db, int64_t account_id, int64_t when, const std::string& machine,
                      const Counts& counts, bool held) {
    {
        auto s = db.Reuse("INSERT INTO sendings (distance, keystrokes, left_clicks, "
                          "right_clicks, special_clicks, scrolls, uptime, usetime, account_id, "
                          "sent, machine, held) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)");
        BindCounts(*s, 1, counts);
        s->Bind(9, account_id).Bind(10, when).Bind(11, machine).Bind(12, held ? 1 : 0);
        s->Run();
    }
    int64_t id = db.LastInsertId();
    if (!held)
        AddToSums(db, account_id, when, machine, counts);
    return id;
}

void AddToSums(Database& db, int64_t account_id, int64_t when, const std::string& machine,
               const Counts& counts) {
    const std::pair<int, int64_t> periods[] = {
        {kDaySums, DayNumber(when)}, {kWeekSums, WeekNumber(when)}, {kMonthSums, MonthNumber(when)}};
    for (const auto& [kind, period] : periods)
        AddToCommunity(db, kind, period, counts, AddToPeriod(db, account_id, kind, period, counts));
    AddToCommunity(db, kAllTimeSums, 0, counts, false);
    auto s = db.Reuse(
        "INSERT INTO machine_sums (distance, keystrokes, left_clicks, right_clicks, "
        "special_clicks, scrolls, uptime, usetime, sendings, account_id, machine, last_sent) "
        "VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, 1, ?9, ?10, ?11) "
        "ON CONFLICT (account_id, machine) DO UPDATE SET " + kAddCounts +
        ", last_sent = MAX(last_sent, ?11)");
    BindCounts(*s, 1, counts);
    s->Bind(9, account_id).Bind(10, machine).Bind(11, when);
    s->Run();
}

void CountHeldSending(Database& db, int64_t sending_id) {
    Statement s = db.Prepare(
        "UPDATE sendings SET held = 0 WHERE id = ? AND held = 1 RETURNING account_id, sent, "
        "machine, distance, keystrokes, left_clicks, right_clicks, special_clicks, scrolls, "
        "uptime, usetime");
    s.Bind(1, sending_id);
    if (!s.Step())
        return;
    int64_t account_id = s.Int(0), sent = s.Int(1);
    std::string machine = s.Text(2);
    Counts c{s.Int(3), s.Int(4), s.Int(5), s.Int(6), s.Int(7), s.Int(8), s.Int(9), s.Int(10)};
    while (s.Step()) {
    }
    AddToSums(db, account_id, sent, machine, c);
}

} // namespace trekhold
