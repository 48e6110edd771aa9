// trekhold-server: entry point and command-line tools.
#include "server/access_log.h"
#include "server/account_store.h"
#include "server/bounded_server.h"
#include "server/http_front.h"
#include "server/options.h"
#include "server/protocol_codec.h"
#include "server/review.h"
#include "server/schema.h"
#include "server/trekhold_service.h"

#include <httplib.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <iostream>
#include <memory>
#include <pthread.h>
#include <signal.h>
#include <termios.h>
#include <thread>
#include <unistd.h>

using namespace trekhold;

namespace {

// The clock of the tests that move the server's time: the number in the file, or the
// system's clock (said on stderr) while the file cannot be read.
int64_t ClockFileSeconds(const std::string& path) {
    std::ifstream file(path);
    long long seconds = 0;
    if (file >> seconds)
        return seconds;
    std::cerr << "trekhold-server: clock file " << path << " unreadable: " << std::strerror(errno)
              << "; the system clock is used\n";
    return std::chrono::duration_cast<std::chrono::seconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

ServiceConfig ConfigOf(const Options& o) {
    ServiceConfig config;
    config.db_path = o.db_path;
    config.required_version = o.required_version;
    config.update_folder = o.update_folder;
    config.hash_cost = o.minimum_hash_cost ? HashCost::kMinimum : HashCost::kInteractive;
    config.judge_sendings = !o.trust_sendings;
    if (!o.clock_file.empty())
        config.wall_seconds = [path = o.clock_file] { return ClockFileSeconds(path); };
    return config;
}

ConnectionLimits LimitsOf(const Options& o) {
    ConnectionLimits limits;
    limits.worker_threads = static_cast<size_t>(o.threads);
    limits.request_deadline = std::chrono::seconds(o.request_seconds);
    return limits;
}

int Serve(const Options& o) {
    // SIGINT and SIGTERM are taken by one thread that stops the server cleanly; SIGHUP by
    // the same thread, which opens the access log again.
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    sigaddset(&signals, SIGHUP);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);
    std::signal(SIGPIPE, SIG_IGN);

    std::unique_ptr<AccessLog> access_log;
    if (!o.access_log.empty())
        access_log = std::make_unique<AccessLog>(o.access_log);
    TrekholdService service(ConfigOf(o));
    // After a failed sync of the database log nothing more can be called durable: the
    // server stops (exit status 1) so that its supervisor starts it again, and SQLite
    // recovers the log from what is on disk.
    service.OnSyncFailure([] { ::kill(::getpid(), SIGTERM); });
    BoundedServer server(LimitsOf(o));
    server.set_tcp_nodelay(true);
    FrontOptions front;
    front.ceiling_endpoint = o.ceiling_endpoint;
    front.behind_proxy = o.behind_proxy;
    front.access_log = access_log.get();
    if (o.page_cache_ms >= 0)
        front.ranking_cache_ms = o.page_cache_ms;
    InstallRoutes(server, service, front);

    std::string error;
    int port = server.Bind(o.address, o.port, error);
    if (port < 0) {
        std::cerr << "trekhold-server: " << error << "\n";
        return 1;
    }
    std::cout << "trekhold-server listening on " << o.address << ":" << port << std::endl;

    std::atomic<bool> listening_ended{false};
    std::thread waiter([&server, &access_log, &listening_ended, signals] {
        int received = 0;
        while (sigwait(&signals, &received) == 0 && received == SIGHUP)
            if (access_log)
                access_log->Reopen();
        // stop() does nothing until the server has begun to listen.
        while (!listening_ended) {
            server.stop();
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
    });
    bool ok = server.listen_after_bind();
    listening_ended = true;
    // Wake the waiter if listening ended on its own.
    pthread_kill(waiter.native_handle(), SIGTERM);
    waiter.join();
    CommitQueue::Counters written = service.write_counters();
    std::cerr << "trekhold-server: stopped; " << written.changes << " changes in "
              << written.commits << " commits, " << written.syncs << " log syncs\n";
    if (service.SyncFailed()) {
        std::cerr << "trekhold-server: stopped because the database log could not be synced "
                     "to disk; every answered change is safe. Start it again (its supervisor "
                     "does) once the disk is sound.\n";
        return 1;
    }
    return ok ? 0 : 1;
}

// One line of standard input, without echo when it is a terminal.
std::string ReadPassword() {
    bool terminal = isatty(STDIN_FILENO);
    termios saved{};
    if (terminal && tcgetattr(STDIN_FILENO, &saved) == 0) {
        termios quiet = saved;
        quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
        tcsetattr(STDIN_FILENO, TCSANOW, &quiet);
        std::cerr << "Password: " << std::flush;
    }
    std::string line;
    std::getline(std::cin, line);
    if (terminal) {
        tcsetattr(STDIN_FILENO, TCSANOW, &saved);
        std::cerr << "\n";
    }
    if (!line.empty() && line.back() == '\r')
        line.pop_back();
    return line;
}

int Fail(const std::string& message) {
    std::cerr << "trekhold-server: " << message << "\n";
    return 1;
}

int AccountAdd(const Options& o) {
    std::string password = ReadPassword();
    TrekholdService service(ConfigOf(o));
    std::string problem;
    switch (service.SignUp(o.arguments[0], password, problem)) {
    case SignUpResult::kCreated:
        std::cout << "account " << o.arguments[0] << " created\n";
        return 0;
    case SignUpResult::kInvalid:
        return Fail(problem);
    case SignUpResult::kTaken:
        return Fail("the nickname is already taken");
    case SignUpResult::kTooMany:
    case SignUpResult::kFailed:
        return Fail("the account could not be created");
    }
    return 1;
}

int AccountPasswd(const Options& o) {
    std::string password = ReadPassword();
    std::string problem = NewAccountProblem("x", password);
    if (!problem.empty())
        return Fail(problem);
    TrekholdService service(ConfigOf(o));
    if (!service.SetPassword(o.arguments[0], password))
        return Fail("no account " + o.arguments[0]);
    std::cout << "password of " << o.arguments[0] << " changed\n";
    return 0;
}

// rename, remove, hide, show: one change in one transaction.
int AccountChange(const Options& o) {
    const std::string& nick = o.arguments[0];
    if (o.command == Command::kAccountRename) {
        std::string problem = NewAccountProblem(o.arguments[1], "xxxxxx");
        if (!problem.empty())
            return Fail(problem);
    }
    Database db(o.db_path);
    MigrateSchema(db);
    Transaction tx(db);
    bool done = false;
    switch (o.command) {
    case Command::kAccountRename:
        done = RenameAccount(db, nick, o.arguments[1]);
        break;
    case Command::kAccountRemove:
        done = RemoveAccount(db, nick);
        break;
    case Command::kAccountHide:
    case Command::kAccountShow:
        done = SetHidden(db, nick, o.command == Command::kAccountHide);
        break;
    default:
        break;
    }
    tx.Commit();
    if (!done)
        return Fail(o.command == Command::kAccountRename
                        ? "no account " + nick + ", or the new nickname is taken"
                        : "no account " + nick);
    std::cout << "done\n";
    return 0;
}

std::string UtcText(int64_t unix_seconds) {
    std::time_t t = static_cast<std::time_t>(unix_seconds);
    std::tm utc{};
    gmtime_r(&t, &utc);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%SZ", &utc);
    return text;
}

int Review(const Options& o) {
    Database db(o.db_path);
    MigrateSchema(db);
    if (o.command != Command::kReview) {
        auto id = ParseCount(o.arguments[0], INT64_MAX);
        if (!id)
            return Fail("a held sending is named by its number (see review)");
        Transaction tx(db);
        bool done = Decide(db, *id, o.command == Command::kReviewAccept ? Decision::kAccept
                                                                        : Decision::kReject);
        tx.Commit();
        if (!done)
            return Fail("no held sending " + o.arguments[0]);
        std::cout << "done\n";
        return 0;
    }
    auto held = HeldSendings(db);
    std::cout << held.size() << " held sendings\n";
    for (const HeldSending& h : held) {
        const Counts& c = h.counts;
        std::cout << "#" << h.id << " " << h.nick << " " << UtcText(h.received) << ": " << h.reason
                  << "\n    adds distance " << c.distance << " cm, keystrokes " << c.keystrokes
                  << ", clicks " << c.left_clicks << "/" << c.right_clicks << "/"
                  << c.special_clicks << ", scrolls " << c.scrolls << ", uptime " << c.uptime
                  << " min, usetime " << c.usetime << " min\n    record " << h.record << "\n";
    }
    auto hidden = HiddenAccounts(db);
    std::cout << hidden.size() << " hidden accounts\n";
    for (const std::string& nick : hidden)
        std::cout << "  " << nick << "\n";
    auto private_pages = PrivateAccounts(db);
    std::cout << private_pages.size() << " private accounts (ranked as \"hidden\")\n";
    for (const std::string& nick : private_pages)
        std::cout << "  " << nick << "\n";
    return 0;
}

int Backup(const Options& o) {
    Database db(o.db_path);
    MigrateSchema(db);
    db.BackupInto(o.arguments[0]);
    std::cout << "backup written to " << o.arguments[0] << "\n";
    return 0;
}

int Digests(const Options& o) {
    Database db(o.db_path);
    MigrateSchema(db);
    if (o.command == Command::kDigestList) {
        for (const std::string& digest : ListedDigests(db))
            std::cout << digest << "\n";
        return 0;
    }
    const std::string& digest = o.arguments[0];
    if (digest.size() != 32 || digest.find_first_not_of("0123456789ABCDEF") != std::string::npos) {
        std::cerr << "trekhold-server: a digest is 32 uppercase hexadecimal digits\n";
        return 1;
    }
    Transaction tx(db);
    bool changed =
        o.command == Command::kDigestAdd ? AddDigest(db, digest) : RemoveDigest(db, digest);
    tx.Commit();
    if (!changed)
        std::cerr << "trekhold-server: nothing to change\n";
    return changed ? 0 : 1;
}

} // namespace

int main(int argc, char** argv) {
    Options options;
    std::string error;
    if (!ParseOptions(std::vector<std::string>(argv + 1, argv + argc), options, error) ||
        !(error = TestOnlyProblem(options, std::getenv(kTestHooksVariable))).empty()) {
        std::cerr << "trekhold-server: " << error << "\n";
        return 2;
    }
    if (!InitSodium()) {
        std::cerr << "trekhold-server: libsodium cannot be initialised\n";
        return 1;
    }
    try {
        switch (options.command) {
        case Command::kHelp:
            std::cout << HelpText();
            return 0;
        case Command::kVersion:
            std::cout << kServerVersion << "\n";
            return 0;
        case Command::kServe:
            return Serve(options);
        case Command::kAccountAdd:
            return AccountAdd(options);
        case Command::kAccountPasswd:
            return AccountPasswd(options);
        case Command::kAccountRename:
        case Command::kAccountRemove:
        case Command::kAccountHide:
        case Command::kAccountShow:
            return AccountChange(options);
        case Command::kReview:
        case Command::kReviewAccept:
        case Command::kReviewReject:
            return Review(options);
        case Command::kBackup:
            return Backup(options);
        case Command::kDigestAdd:
        case Command::kDigestRemove:
        case Command::kDigestList:
            return Digests(options);
        case Command::kEncipher:
            std::cout << EncipherPayload(options.arguments[0]) << "\n";
            return 0;
        case Command::kDecodeKey:
            std::cout << PlainKeyOf(options.arguments[0]) << "\n";
            return 0;
        }
    } catch (const std::exception& e) {
        std::cerr << "trekhold-server: " << e.what() << "\n";
        return 1;
    }
    return 1;
}
