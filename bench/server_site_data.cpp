// Server CPU per website and API answer of trekhold-server at scale (a measurement, not a
// test).
//
// Fills a fresh database with SQL in one transaction: N members with random totals, S
// sendings spread over the last year, and the sums a year of sendings leaves: every member
// active today, this week and this month (the largest each ranking of a period can be),
// with 30 days and 12 months of history. Then measures, on one connection and one thread,
// the CPU time of each kind of answer as the JSON API makes it (the query and the JSON;
// the HTTP exchange adds what trekhold-rankings measures):
//  - a random page of a random ranking of each period, and the page of a random nickname;
//  - a member (totals, ranks, computers, 30 days, 12 months); the community totals;
//  - the last sendings of a member (account page);
// and the CPU time of storing one sending with its history and sums.
//
//   trekhold-site-data [--members N] [--sendings S] [--samples K] [--keep]  (keep: the database)
#include "server/history.h"
#include "server/json_api.h"
#include "server/schema.h"
#include "server/site_data.h"

#include <algorithm>
#include <chrono>
#include <ctime>
#include <filesystem>
#include <functional>
#include <iomanip>
#include <iostream>
#include <random>
#include <unistd.h>
#include <vector>

using namespace trekhold;
using Clock = std::chrono::steady_clock;

namespace {

double ThreadCpuMs() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}

void Step(Database& db, const std::string& what, const std::string& sql) {
    auto start = Clock::now();
    db.Exec(sql);
    std::cout << "  " << what << ": " << std::fixed << std::setprecision(1)
              << std::chrono::duration<double>(Clock::now() - start).count() << " s\n";
}

const char* const kRandomCounts =
    "abs(random()) % 100000000, abs(random()) % 1000000, abs(random()) % 300000, "
    "abs(random()) % 30000, abs(random()) % 3000, abs(random()) % 200000, "
    "abs(random()) % 50000, abs(random()) % 30000";

void Fill(Database& db, int64_t members, int64_t sendings, int64_t now) {
    MigrateSchema(db);
    db.Exec("PRAGMA cache_size = -262144"); // 256 MiB while filling
    Transaction tx(db);
    const std::string n = std::to_string(members), s = std::to_string(sendings);
    const std::string today = std::to_string(DayNumber(now)),
                      week = std::to_string(WeekNumber(now)),
                      month = std::to_string(MonthNumber(now));
    Step(db, n + " members",
         "WITH RECURSIVE i(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM i WHERE x < " + n +
             ") INSERT INTO accounts (id, nick, pw_hash, created, distance, keystrokes, "
             "left_clicks, right_clicks, special_clicks, scrolls, uptime, usetime, sendings, "
             "last_sent, hidden, private_page) SELECT x, 'walker' || x, 'x', 0, " +
             kRandomCounts + ", 100, " + std::to_string(now) +
             ", x % 1000 = 0, x % 100 = 7 FROM i");
    const std::string per = std::to_string(std::max<int64_t>(1, sendings / members));
    Step(db, s + " sendings",
         "WITH RECURSIVE i(x) AS (SELECT 0 UNION ALL SELECT x + 1 FROM i WHERE x < " + s +
             " - 1) INSERT INTO sendings (account_id, sent, machine, distance, keystrokes, "
             "left_clicks, right_clicks, special_clicks, scrolls, uptime, usetime) "
             "SELECT x / " + per + " % " + n + " + 1, " + std::to_string(now) + " - x % " + per +
             " * (31536000 / " + per + "), 'C293A4B5' || (x % 2), 1000, 50, 10, 1, 0, 20, 15, 10 "
             "FROM i");
    auto sums = [&](const std::string& kind, const std::string& first, const std::string& last) {
        return "WITH RECURSIVE i(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM i WHERE x < " + n +
               "), p(y) AS (SELECT " + first + " UNION ALL SELECT y + 1 FROM p WHERE y < " +
               last + ") INSERT INTO period_sums (account_id, kind, period, hidden, distance, "
               "keystrokes, left_clicks, right_clicks, special_clicks, scrolls, uptime, "
               "usetime, sendings, clicks) SELECT x, " + kind + ", y, x % 1000 = 0, " +
               kRandomCounts + ", 5, abs(random()) % 300000 FROM i, p";
    };
    // The rankings' indexes are built once the rows are in: sorting beats inserting.
    const char* const kIndexes[] = {"distance", "keystrokes", "clicks", "scrolls", "uptime",
                                    "usetime"};
    for (const char* column : kIndexes)
        db.Exec(std::string("DROP INDEX period_") + column);
    Step(db, "30 days of sums per member", sums("0", today + " - 29", today));
    Step(db, "this week's sums per member", sums("1", week, week));
    Step(db, "12 months of sums per member", sums("2", month + " - 11", month));
    std::string create;
    for (const char* column : kIndexes)
        create += std::string("CREATE INDEX period_") + column + " ON period_sums (kind, period, " +
                  "hidden, " + column + " DESC, account_id);";
    Step(db, "indexes of the sums", create);
    Step(db, "community and computer sums",
         "INSERT INTO community_sums (kind, period, distance, sendings, members) "
         "SELECT kind, period, SUM(distance), SUM(sendings), COUNT(*) FROM period_sums "
         "GROUP BY kind, period; "
         "INSERT INTO machine_sums (account_id, machine, usetime, sendings, last_sent) "
         "SELECT id, 'C293A4B5' || m.y, 100 + m.y, 50, " + std::to_string(now) +
             " FROM accounts, (SELECT 0 AS y UNION ALL SELECT 1) m");
    tx.Commit();
    // db.Exec("ANALYZE");
}

struct Figures {
    std::vector<double> ms;
    void Report(const std::string& what) {
        std::sort(ms.begin(), ms.end());
        double sum = 0;
        for (double m : ms)
            sum += m;
        std::cout << std::left << std::setw(44) << what << std::right << std::fixed
                  << std::setprecision(2) << " mean " << std::setw(6) << sum / ms.size()
                  << " ms  p99 " << std::setw(6) << ms[ms.size() * 99 / 100] << " ms  max "
                  << std::setw(6) << ms.back() << " ms\n";
    }
};

void Measure(const std::string& what, int samples, const std::function<void(int)>& answer) {
    Figures f;
    for (int i = 0; i < samples; ++i) {
        double start = ThreadCpuMs();
        answer(i);
        f.ms.push_back(ThreadCpuMs() - start);
    }
    f.Report(what);
}

} // namespace

int main(int argc, char** argv) {
    int64_t members = 100000, sendings = 10000000;
    int samples = 300;
    bool keep = false;
    for (int i = 1; i < argc; ++i)
        keep = keep || std::string(argv[i]) == "--keep";
    for (int i = 1; i + 1 < argc; i += 2) {
        std::string a = argv[i];
        int64_t v = std::max<int64_t>(1, std::stoll(argv[i + 1]));
        if (a == "--members")
            members = v;
        else if (a == "--sendings")
            sendings = v;
        else if (a == "--samples")
            samples = static_cast<int>(v);
    }
    auto dir = std::filesystem::temp_directory_path() /
               ("trekhold-site-data-" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);
    const int64_t now = std::time(nullptr);
    {
        Database db((dir / "site.db").string());
        auto fill_start = Clock::now();
        std::cout << "filling:\n";
        Fill(db, members, sendings, now);
        std::cout << "  in all " << std::chrono::duration<double>(Clock::now() - fill_start).count()
                  << " s, " << std::filesystem::file_size(dir / "site.db") / (1 << 20)
                  << " MiB\n";
        std::mt19937_64 rng(11);
        auto pick = [&rng](int64_t n) { return static_cast<int64_t>(rng() % static_cast<uint64_t>(n)); };
        auto nick = [&] { return "walker" + std::to_string(1 + pick(members)); };
        size_t bytes = 0;
        for (Period period : kAllPeriods)
            Measure(std::string("rankings, random page, ") + PeriodWord(period), samples, [&](int) {
                RankingResult r = RankingOf(db, kAllQuantities[pick(6)], period,
                                            1 + pick(members / 100), 100, now);
                bytes += RankingJson(r).size();
            });
        for (Period period : kAllPeriods)
            Measure(std::string("find nickname, ") + PeriodWord(period), samples, [&](int) {
                PlaceOf(db, nick(), kAllQuantities[pick(6)], period, 100, now);
            });
        Measure("member (totals, ranks, 30 days, 12 months)", samples, [&](int) {
            std::optional<MemberSummary> m = OwnMemberOf(db, nick()); // hidden ones too
            bytes += MemberJson(*m, DailyHistory(db, m->id, now), MonthlyHistory(db, m->id, now)).size();
        });
        Measure("community", samples, [&](int) { bytes += CommunityJson(CommunityOf(db, now), now).size(); });
        Measure("last 20 sendings of a member", samples,
                [&](int) { LastSendings(db, 1 + pick(members), 20); });
        {
            Transaction tx(db);
            Measure("storing a sending with its history and sums", samples * 10, [&](int i) {
                RecordSending(db, 1 + pick(members), now, "C293A4B5" + std::to_string(i % 3),
                              {100, 10, 2, 1, 0, 5, 3, 2}, false);
            });
        }
        if (bytes == 0)
            std::cout << "(nothing rendered)\n";
    }
    if (keep)
        std::cout << "kept: " << (dir / "site.db").string() << "\n";
    else
        std::filesystem::remove_all(dir);
    return 0;
}
