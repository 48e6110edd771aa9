// Rankings page throughput of trekhold-server (a measurement, not a test).
//
// Fills a fresh database with N accounts of random totals, then measures:
//  - a page rendered without the cache (query + HTML), one thread: the cost of a miss;
//  - pages per second over HTTP with C keep-alive connections for S seconds, first for
//    the first page of every ranking (what most visitors open: served from the cache),
//    then for pages drawn at random from every ranking, unit and page (mostly misses).
// The server runs in this process, on a loopback port, with the routes of trekhold-server.
// Each figure comes with the CPU time it took (for HTTP: the server's and the clients'
// together, so the server alone does better), which holds on a busy machine where the
// wall-clock rate does not: pages per CPU-second is the rate one free core gives.
//
//   trekhold-rankings [--accounts N] [--connections C] [--seconds S]
#include "server/http_front.h"
#include "server/schema.h"
#include "server/trekhold_service.h"
#include "server/website.h"

#include <httplib.h>

#include <atomic>
#include <chrono>
#include <ctime>
#include <filesystem>
#include <iostream>
#include <random>
#include <thread>
#include <unistd.h>

using namespace trekhold;
using Clock = std::chrono::steady_clock;

namespace {

double CpuSeconds(clockid_t clock) {
    timespec t{};
    clock_gettime(clock, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

void Report(const std::string& what, long pages, double wall, double cpu) {
    std::cout << what << ": " << static_cast<long>(pages / wall) << " pages/s, "
              << static_cast<long>(pages / cpu) << " pages per CPU-second\n";
}

const char* const kWords[] = {"distance", "keystrokes", "clicks", "scrolls", "uptime", "usetime"};
const Quantity kQuantities[] = {Quantity::kDistance, Quantity::kKeystrokes, Quantity::kClicks,
                                Quantity::kScrolls,  Quantity::kUptime,     Quantity::kUsetime};

void Fill(const std::string& path, int accounts) {
    Database db(path);
    MigrateSchema(db);
    Transaction tx(db);
    Statement insert = db.Prepare(
        "INSERT INTO accounts (nick, pw_hash, created, distance, keystrokes, left_clicks, "
        "right_clicks, special_clicks, scrolls, uptime, usetime) "
        "VALUES (?, 'x', 0, ?, ?, ?, ?, ?, ?, ?, ?)");
    std::mt19937_64 rng(1);
    for (int i = 0; i < accounts; ++i) {
        insert.Bind(1, "walker" + std::to_string(i));
        for (int column = 2; column <= 9; ++column)
            insert.Bind(column, static_cast<int64_t>(rng() % 2000000000));
        insert.Run();
        insert.Reset();
    }
    tx.Commit();
}

void PagesPerSecond(const std::string& what, int port, int connections, int seconds,
                    bool front_pages, int64_t pages) {
    std::atomic<long> served{0}, failed{0};
    auto deadline = Clock::now() + std::chrono::seconds(seconds);
    auto start = Clock::now();
    double cpu_start = CpuSeconds(CLOCK_PROCESS_CPUTIME_ID);
    std::vector<std::thread> threads;
    for (int c = 0; c < connections; ++c)
        threads.emplace_back([&, c] {
            httplib::Client client("127.0.0.1", port);
            client.set_keep_alive(true);
            std::mt19937 rng(static_cast<unsigned>(c));
            while (Clock::now() < deadline) {
                std::string path = "/?by=" + std::string(kWords[rng() % 6]) +
                                   (rng() % 2 ? "&units=english" : "");
                if (!front_pages)
                    path += "&page=" + std::to_string(1 + rng() % pages);
                auto res = client.Get(path.c_str());
                (res && res->status == 200 ? served : failed)++;
            }
        });
    for (auto& t : threads)
        t.join();
    double elapsed = std::chrono::duration<double>(Clock::now() - start).count();
    if (failed)
        std::cerr << "  " << failed << " requests failed\n";
    Report(what, served, elapsed, CpuSeconds(CLOCK_PROCESS_CPUTIME_ID) - cpu_start);
}

} // namespace

int main(int argc, char** argv) {
    int accounts = 100000, connections = 8, seconds = 5;
    for (int i = 1; i + 1 < argc; i += 2) {
        std::string a = argv[i];
        int v = std::max(1, std::stoi(argv[i + 1]));
        if (a == "--accounts")
            accounts = v;
        else if (a == "--connections")
            connections = v;
        else if (a == "--seconds")
            seconds = v;
    }
    auto dir = std::filesystem::temp_directory_path() /
               ("trekhold-rankings-" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);
    std::string db = (dir / "rankings.db").string();
    auto fill_start = Clock::now();
    Fill(db, accounts);
    std::cout << accounts << " accounts in "
              << std::chrono::duration<double>(Clock::now() - fill_start).count() << " s\n";
    {
        ServiceConfig config;
        config.db_path = db;
        config.hash_cost = HashCost::kMinimum;
        TrekholdService service(config);
        const int64_t pages = (accounts + kRankingPageSize - 1) / kRankingPageSize;

        // A miss: the query and the HTML of a page drawn at random.
        std::mt19937 rng(9);
        int rendered = 0;
        auto start = Clock::now();
        double cpu_start = CpuSeconds(CLOCK_THREAD_CPUTIME_ID);
        for (; Clock::now() - start < std::chrono::seconds(seconds); ++rendered) {
            RankingView view;
            view.result.by = kQuantities[rng() % 6];
            view.result.pages = pages;
            view.result.page = 1 + static_cast<int64_t>(rng() % static_cast<unsigned>(pages));
            const int64_t first = (view.result.page - 1) * kRankingPageSize;
            int64_t rank = first;
            for (RankingEntry& entry : service.Ranking(view.result.by, kRankingPageSize, first))
                view.result.rows.push_back(
                    {++rank, std::move(entry.nick), entry.value, entry.private_page});
            RenderRankingPage(view);
        }
        Report("uncached, one thread, random pages", rendered,
               std::chrono::duration<double>(Clock::now() - start).count(),
               CpuSeconds(CLOCK_THREAD_CPUTIME_ID) - cpu_start);

        httplib::Server server;
        server.new_task_queue = [connections] {
            return new httplib::ThreadPool(static_cast<size_t>(connections + 2));
        };
        InstallRoutes(server, service, FrontOptions{});
        int port = server.bind_to_any_port("127.0.0.1");
        std::thread listener([&] { server.listen_after_bind(); });
        for (int i = 0; i < 500 && !server.is_running(); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        const std::string over = "HTTP, " + std::to_string(connections) + " connections, ";
        PagesPerSecond(over + "first pages", port, connections, seconds, true, pages);
        PagesPerSecond(over + "random pages", port, connections, seconds, false, pages);
        server.stop();
        listener.join();
    }
    std::filesystem::remove_all(dir);
    return 0;
}
