// The command line of trekhold-server.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace trekhold {

enum class Command {
    kServe,
    kHelp,
    kVersion,
    kAccountAdd,
    kAccountPasswd,
    kAccountRename,
    kAccountRemove,
    kAccountHide,
    kAccountShow,
    kReview,
    kReviewAccept,
    kReviewReject,
    kBackup,
    kDigestAdd,
    kDigestRemove,
    kDigestList,
    kEncipher,
    kDecodeKey
};

struct Options {
    Command command = Command::kServe;
    std::vector<std::string> arguments; // of the command (nickname, password, digest, text)
    std::string address = "127.0.0.1";
    int port = 8035;
    std::string db_path = "trekhold.db";
    int64_t required_version = 35;
    std::string update_folder;
    int threads = 32;
    int request_seconds = 10; // to receive a whole request
    bool ceiling_endpoint = false;
    bool behind_proxy = false;
    std::string access_log; // empty: none; "-": standard error
    // Tests only, refused unless the test harness's variable is set (TestOnlyProblem):
    bool minimum_hash_cost = false; // the cheapest Argon2id parameters
    bool trust_sendings = false;    // every sending counts, however implausible
    int64_t page_cache_ms = -1;     // how long pages and API answers are kept (-1: 30 s)
    std::string clock_file;         // the server's clock: Unix seconds read from this file
};

// The variable a test harness sets to allow the options meant for tests only.
constexpr const char* kTestHooksVariable = "TREKHOLD_TEST_HOOKS";
// Why these options may not be used (`test_hooks`: the value of that variable, or null);
// the empty text when they may.
std::string TestOnlyProblem(const Options& options, const char* test_hooks);

constexpr const char* kServerVersion = "trekhold-server 1.1 (protocol 35)";

// Fills `out`; on a mistake returns false and an explanation in `error`.
bool ParseOptions(const std::vector<std::string>& args, Options& out, std::string& error);

std::string HelpText();

} // namespace trekhold
