// Load generator for trekhold-server (a measurement, not a test).
//
// Starts the server on a loopback port with a fresh database in a temporary folder,
// creates the accounts, and has many connections send records at once, each for its own
// accounts, following the keys as a real client does. It measures accepted sendings per
// second and the latency percentiles, first against "/Envoi.php" (every "OK" durable on
// disk), then against "/bench/Envoi.php" (the same path without the database and the
// password check), the ceiling.
//
//   trekhold-load [--server PATH] [--accounts N] [--connections N] [--seconds N]
//                 [--server-port P --proxy-port Q]
//
// With a reverse proxy listening on Q and passing to port P (bench/server_behind_nginx.py
// starts nginx so), the durable phase is also run through the proxy.
#include "server/protocol_codec.h"
#include "server/sending_record.h"
#include "server/trekhold_service.h"

#include <httplib.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <iostream>
#include <map>
#include <random>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

using namespace trekhold;
using Clock = std::chrono::steady_clock;

namespace {

struct Settings {
    std::string server;
    int accounts = 200;
    int connections = 32;
    int seconds = 5;
    int server_port = 0; // 0: any free port
    int proxy_port = 0;  // 0: no phase through a proxy
};

struct PhaseResult {
    long accepted = 0, refused = 0;
    double server_cpu_seconds = 0;        // user + system time of the server during the phase
    std::map<std::string, long> refusals; // by answer (first 12 characters)
    double seconds = 0;
    std::vector<double> latencies_ms;
};

const std::string kDigest = "0123456789ABCDEF0123456789ABCDEF";

std::string Nick(int i) {
    return "load" + std::to_string(i);
}
std::string Password(int i) {
    return "pass" + std::to_string(i * 7919 % 100000) + "x";
}

// User + system CPU seconds of a process so far.
double CpuSeconds(pid_t pid) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    size_t close = text.rfind(')');
    if (close == std::string::npos)
        return 0;
    std::istringstream fields(text.substr(close + 2));
    std::string field;
    double ticks = 0;
    for (int i = 3; fields >> field; ++i)
        if (i == 14 || i == 15)
            ticks += std::stod(field);
    return ticks / static_cast<double>(sysconf(_SC_CLK_TCK));
}

double Percentile(std::vector<double>& v, double p) {
    if (v.empty())
        return 0;
    size_t index = std::min(v.size() - 1, static_cast<size_t>(p * static_cast<double>(v.size())));
    std::nth_element(v.begin(), v.begin() + static_cast<long>(index), v.end());
    return v[index];
}

PhaseResult RunPhase(pid_t server, int port, const Settings& s, std::vector<std::string>& keys,
                     const std::string& endpoint, bool follow_keys) {
    PhaseResult total;
    double cpu_before = CpuSeconds(server);
    std::vector<PhaseResult> per(static_cast<size_t>(s.connections));
    auto start = Clock::now();
    auto deadline = start + std::chrono::seconds(s.seconds);
    std::vector<std::thread> threads;
    for (int c = 0; c < s.connections; ++c)
        threads.emplace_back([&, c] {
            httplib::Client client("127.0.0.1", port);
            client.set_keep_alive(true);
            client.set_read_timeout(10);
            PhaseResult& r = per[static_cast<size_t>(c)];
            std::mt19937 rng(static_cast<unsigned>(c));
            int a = c;
            while (Clock::now() < deadline) {
                auto draw = [&rng](unsigned n) { return static_cast<int64_t>(rng() % n); };
                Counts counts{draw(5000), draw(300), draw(40), draw(10), draw(3), draw(50), 5, 4};
                std::string record =
                    FormatSendingRecord(35, Nick(a), Password(a), keys[static_cast<size_t>(a)],
                                        counts, "C293A4B5", kDigest);
                std::string path = endpoint + "?Data=" + EncipherPayload(record);
                auto sent = Clock::now();
                auto res = client.Get(path.c_str());
                double ms = std::chrono::duration<double, std::milli>(Clock::now() - sent).count();
                r.latencies_ms.push_back(ms);
                std::string body = res ? res->body : "";
                if (body.rfind("OK", 0) == 0 && body.size() > 5) {
                    ++r.accepted;
                    if (follow_keys)
                        keys[static_cast<size_t>(a)] = PlainKeyOf(body.substr(5));
                } else {
                    ++r.refused;
                    ++r.refusals[res ? body.substr(0, 12)
                                     : "no answer: " + httplib::to_string(res.error())];
                }
                a += s.connections;
                if (a >= s.accounts)
                    a = c;
            }
        });
    for (auto& t : threads)
        t.join();
    total.seconds = std::chrono::duration<double>(Clock::now() - start).count();
    total.server_cpu_seconds = CpuSeconds(server) - cpu_before;
    for (PhaseResult& r : per) {
        total.accepted += r.accepted;
        total.refused += r.refused;
        for (const auto& [word, n] : r.refusals)
            total.refusals[word] += n;
        total.latencies_ms.insert(total.latencies_ms.end(), r.latencies_ms.begin(),
                                  r.latencies_ms.end());
    }
    return total;
}

void Print(const char* name, PhaseResult& r) {
    double rate = static_cast<double>(r.accepted) / r.seconds;
    double p50 = Percentile(r.latencies_ms, 0.50), p99 = Percentile(r.latencies_ms, 0.99);
    std::printf("%-28s %8ld accepted %6ld refused  %8.0f/s  p50 %6.2f ms  p99 %6.2f ms  "
                "server CPU %5.0f us/sending\n",
                name, r.accepted, r.refused, rate, p50, p99,
                r.accepted ? 1e6 * r.server_cpu_seconds / static_cast<double>(r.accepted) : 0.0);
    for (const auto& [word, n] : r.refusals)
        std::printf("    refused %ld times: %s\n", n, word.c_str());
}

} // namespace

int main(int argc, char** argv) {
    Settings s;
    s.server = (std::filesystem::path(argv[0]).parent_path() / "trekhold-server").string();
    for (int i = 1; i + 1 < argc; i += 2) {
        std::string a = argv[i], v = argv[i + 1];
        if (a == "--server")
            s.server = v;
        else if (a == "--accounts")
            s.accounts = std::max(1, std::stoi(v));
        else if (a == "--connections")
            s.connections = std::max(1, std::stoi(v));
        else if (a == "--seconds")
            s.seconds = std::max(1, std::stoi(v));
        else if (a == "--server-port")
            s.server_port = std::stoi(v);
        else if (a == "--proxy-port")
            s.proxy_port = std::stoi(v);
    }
    s.connections = std::min(s.connections, s.accounts);
    if (!InitSodium())
        return 1;

    auto dir =
        std::filesystem::temp_directory_path() / ("trekhold-load-" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);
    std::string db = (dir / "load.db").string();
    {
        // The cost of the password hash does not enter the figures: the server checks each
        // password once and then keeps a fast verifier.
        ServiceConfig config;
        config.db_path = db;
        config.hash_cost = HashCost::kMinimum;
        TrekholdService service(config);
        std::atomic<int> next{0};
        std::vector<std::thread> makers;
        for (int t = 0; t < 2; ++t)
            makers.emplace_back([&] {
                std::string problem;
                for (int i; (i = next++) < s.accounts;)
                    service.SignUp(Nick(i), Password(i), problem);
            });
        for (auto& t : makers)
            t.join();
    }

    int out[2];
    if (pipe(out) != 0)
        return 1;
    pid_t child = fork();
    if (child == 0) {
        dup2(out[1], STDOUT_FILENO);
        close(out[0]);
        std::string threads = std::to_string(s.connections + 8);
        std::string port = std::to_string(s.server_port);
        execl(s.server.c_str(), s.server.c_str(), "--db", db.c_str(), "--port", port.c_str(),
              "--threads", threads.c_str(), "--ceiling-endpoint", static_cast<char*>(nullptr));
        _exit(127);
    }
    close(out[1]);
    std::string line;
    char ch;
    while (read(out[0], &ch, 1) == 1 && ch != '\n')
        line += ch;
    size_t colon = line.rfind(':');
    if (colon == std::string::npos) {
        std::cerr << "trekhold-load: the server did not start (" << s.server << ")\n";
        kill(child, SIGTERM);
        waitpid(child, nullptr, 0);
        std::filesystem::remove_all(dir);
        return 1;
    }
    int port = std::stoi(line.substr(colon + 1));

    // Keys for every account; this also makes the server check each password once.
    std::vector<std::string> keys(static_cast<size_t>(s.accounts));
    {
        std::atomic<int> next{0};
        std::vector<std::thread> askers;
        for (int t = 0; t < 4; ++t)
            askers.emplace_back([&] {
                httplib::Client client("127.0.0.1", port);
                for (int i; (i = next++) < s.accounts;) {
                    std::string path =
                        "/Request_cle.php?Data=" + EncipherPayload(Nick(i) + "'" + Password(i));
                    auto res = client.Get(path.c_str());
                    if (res && res->body.rfind("OK", 0) == 0)
                        keys[static_cast<size_t>(i)] = PlainKeyOf(res->body.substr(3));
                    else
                        std::fprintf(stderr, "trekhold-load: no key for %s: %s\n", Nick(i).c_str(),
                                     res ? res->body.c_str() : "no answer");
                }
            });
        for (auto& t : askers)
            t.join();
    }

    std::printf("trekhold-load: %d accounts, %d connections, %d s per phase, %u cores\n",
                s.accounts, s.connections, s.seconds, std::thread::hardware_concurrency());
    // A first phase warms the database up (its log, pages and statements); not counted.
    Settings warm_up = s;
    warm_up.seconds = 2;
    RunPhase(child, port, warm_up, keys, "/Envoi.php", true);
    PhaseResult durable = RunPhase(child, port, s, keys, "/Envoi.php", true);
    PhaseResult proxied;
    if (s.proxy_port)
        proxied = RunPhase(child, s.proxy_port, s, keys, "/Envoi.php", true);
    PhaseResult ceiling = RunPhase(child, port, s, keys, "/bench/Envoi.php", false);
    Print("durable (/Envoi.php)", durable);
    if (s.proxy_port) {
        Print("durable through the proxy", proxied);
        std::printf("through the proxy / direct: %.0f %%\n",
                    100.0 * (static_cast<double>(proxied.accepted) / proxied.seconds) /
                        (static_cast<double>(durable.accepted) / durable.seconds));
    }
    Print("ceiling (/bench/Envoi.php)", ceiling);
    std::printf("durable / ceiling: %.0f %%\n",
                100.0 * (static_cast<double>(durable.accepted) / durable.seconds) /
                    (static_cast<double>(ceiling.accepted) / ceiling.seconds));

    kill(child, SIGTERM);
    waitpid(child, nullptr, 0);
    close(out[0]);
    std::filesystem::remove_all(dir);
    return durable.refused == 0 && proxied.refused == 0 ? 0 : 1;
}
