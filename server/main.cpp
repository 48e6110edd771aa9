// trekhold-server: entry point and command-line tools.
#include "server/account_store.h"
#include "server/bounded_server.h"
#include "server/http_front.h"
#include "server/options.h"
#include "server/protocol_codec.h"
#include "server/schema.h"
#include "server/trekhold_service.h"

#include <httplib.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <iostream>
#include <pthread.h>
#include <signal.h>
#include <unistd.h>
#include <thread>

using namespace trekhold;

namespace {

ServiceConfig ConfigOf(const Options& o) {
    ServiceConfig config;
    config.db_path = o.db_path;
    config.required_version = o.required_version;
    config.update_folder = o.update_folder;
    config.hash_cost = o.minimum_hash_cost ? HashCost::kMinimum : HashCost::kInteractive;
    return config;
}

ConnectionLimits LimitsOf(const Options& o) {
    ConnectionLimits limits;
    limits.request_deadline = std::chrono::seconds(o.request_seconds);
    return limits;
}

int Serve(const Options& o) {
    // SIGINT and SIGTERM are taken by one thread that stops the server cleanly.
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);
    std::signal(SIGPIPE, SIG_IGN);

    TrekholdService service(ConfigOf(o));
    // After a failed sync of the database log nothing more can be called durable: the
    // server stops (exit status 1) so that its supervisor starts it again, and SQLite
    // recovers the log from what is on disk.
    service.OnSyncFailure([] { ::kill(::getpid(), SIGTERM); });
    BoundedServer server(LimitsOf(o));
    int threads = o.threads;
    server.new_task_queue = [threads] {
        return new httplib::ThreadPool(static_cast<size_t>(threads));
    };
    server.set_tcp_nodelay(true);
    FrontOptions front;
    front.ceiling_endpoint = o.ceiling_endpoint;
    InstallRoutes(server, service, front);

    std::string error;
    int port = server.Bind(o.address, o.port, error);
    if (port < 0) {
        std::cerr << "trekhold-server: " << error << "\n";
        return 1;
    }
    std::cout << "trekhold-server listening on " << o.address << ":" << port << std::endl;

    std::atomic<bool> listening_ended{false};
    std::thread waiter([&server, &listening_ended, signals] {
        int received = 0;
        sigwait(&signals, &received);
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

int AccountAdd(const Options& o) {
    TrekholdService service(ConfigOf(o));
    std::string problem;
    switch (service.SignUp(o.arguments[0], o.arguments[1], problem)) {
    case SignUpResult::kCreated:
        std::cout << "account " << o.arguments[0] << " created\n";
        return 0;
    case SignUpResult::kInvalid:
        std::cerr << "trekhold-server: " << problem << "\n";
        return 1;
    case SignUpResult::kTaken:
        std::cerr << "trekhold-server: the nickname is already taken\n";
        return 1;
    case SignUpResult::kFailed:
        std::cerr << "trekhold-server: the account could not be created\n";
        return 1;
    }
    return 1;
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
    if (!ParseOptions(std::vector<std::string>(argv + 1, argv + argc), options, error)) {
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
        case Command::kServe:
            return Serve(options);
        case Command::kAccountAdd:
            return AccountAdd(options);
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
