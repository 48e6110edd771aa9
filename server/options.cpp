#include "server/options.h"

#include "server/sending_record.h"

#include <algorithm>

namespace trekhold {

namespace {

struct CommandShape {
    std::vector<std::string> words;
    Command command;
    size_t arguments;
};

const CommandShape kCommands[] = {
    {{"serve"}, Command::kServe, 0},
    {{"account", "add"}, Command::kAccountAdd, 1},
    {{"account", "passwd"}, Command::kAccountPasswd, 1},
    {{"account", "rename"}, Command::kAccountRename, 2},
    {{"account", "remove"}, Command::kAccountRemove, 1},
    {{"account", "hide"}, Command::kAccountHide, 1},
    {{"account", "show"}, Command::kAccountShow, 1},
    {{"review", "accept"}, Command::kReviewAccept, 1},
    {{"review", "reject"}, Command::kReviewReject, 1},
    {{"review"}, Command::kReview, 0},
    {{"backup"}, Command::kBackup, 1},
    {{"digest", "add"}, Command::kDigestAdd, 1},
    {{"digest", "remove"}, Command::kDigestRemove, 1},
    {{"digest", "list"}, Command::kDigestList, 0},
    {{"encipher"}, Command::kEncipher, 1},
    {{"decode-key"}, Command::kDecodeKey, 1},
};

bool Number(const std::string& text, int64_t max, int64_t& out) {
    auto n = ParseCount(text, max);
    if (!n)
        return false;
    out = *n;
    return true;
}

} // namespace

bool ParseOptions(const std::vector<std::string>& args, Options& out, std::string& error) {
    std::vector<std::string> words;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--help" || a == "-h") {
            out.command = Command::kHelp;
            return true;
        }
        if (a == "--version") {
            out.command = Command::kVersion;
            return true;
        }
        if (a == "--behind-proxy") {
            out.behind_proxy = true;
            continue;
        }
        if (a == "--trust-sendings") {
            out.trust_sendings = true;
            continue;
        }
        if (a == "--ceiling-endpoint") {
            out.ceiling_endpoint = true;
            continue;
        }
        if (a == "--minimum-hash-cost") {
            out.minimum_hash_cost = true;
            continue;
        }
        if (a.rfind("--", 0) != 0) {
            words.push_back(a);
            continue;
        }
        if (i + 1 >= args.size()) {
            error = a + " needs a value";
            return false;
        }
        const std::string& value = args[++i];
        int64_t n = 0;
        if (a == "--address") {
            out.address = value;
        } else if (a == "--port") {
            if (!Number(value, 65535, n)) {
                error = "--port takes a number from 0 to 65535";
                return false;
            }
            out.port = static_cast<int>(n);
        } else if (a == "--db") {
            out.db_path = value;
        } else if (a == "--required-version") {
            if (!Number(value, 999999999, n)) {
                error = "--required-version takes a number";
                return false;
            }
            out.required_version = n;
        } else if (a == "--page-cache-ms") {
            if (!Number(value, 3600000, n)) {
                error = "--page-cache-ms takes a number of milliseconds";
                return false;
            }
            out.page_cache_ms = n;
        } else if (a == "--clock-file") {
            out.clock_file = value;
        } else if (a == "--access-log") {
            out.access_log = value;
        } else if (a == "--update-folder") {
            out.update_folder = value;
        } else if (a == "--threads") {
            if (!Number(value, 1024, n) || n < 1) {
                error = "--threads takes a number from 1 to 1024";
                return false;
            }
            out.threads = static_cast<int>(n);
        } else if (a == "--request-seconds") {
            if (!Number(value, 300, n) || n < 1) {
                error = "--request-seconds takes a number from 1 to 300";
                return false;
            }
            out.request_seconds = static_cast<int>(n);
        } else {
            error = "unknown option " + a;
            return false;
        }
    }
    if (words.empty()) {
        out.command = Command::kServe;
        return true;
    }
    for (const CommandShape& shape : kCommands) {
        if (words.size() < shape.words.size() ||
            !std::equal(shape.words.begin(), shape.words.end(), words.begin()))
            continue;
        if (words.size() != shape.words.size() + shape.arguments) {
            error = "wrong number of arguments for \"" + words[0] + "\" (see --help)";
            return false;
        }
        out.command = shape.command;
        out.arguments.assign(words.begin() + static_cast<long>(shape.words.size()), words.end());
        return true;
    }
    error = "unknown command \"" + words[0] + "\" (see --help)";
    return false;
}

std::string TestOnlyProblem(const Options& options, const char* test_hooks) {
    if (test_hooks && std::string(test_hooks) == "1")
        return "";
    for (auto [set, name] : {std::pair{options.minimum_hash_cost, "--minimum-hash-cost"},
                             std::pair{options.trust_sendings, "--trust-sendings"},
                             std::pair{options.page_cache_ms >= 0, "--page-cache-ms"},
                             std::pair{!options.clock_file.empty(), "--clock-file"}})
        if (set)
            return std::string(name) + " is for tests only";
    return "";
}

std::string HelpText() {
    return R"(trekhold-server: accounts, keys and totals of TheWandrel, with its website.

Usage:
  trekhold-server [serve] [options]          run the server
  trekhold-server account add NICK           create an account; the password is read
                                             from standard input (one line)
  trekhold-server account passwd NICK        set a new password, read likewise
  trekhold-server account rename NICK NEW    give an account a new nickname
  trekhold-server account remove NICK        delete an account and its held sendings
  trekhold-server account hide|show NICK     leave an account out of the rankings, or not
  trekhold-server review                     list the held sendings, hidden and private
                                             accounts
  trekhold-server review accept|reject ID    count a held sending, or not
  trekhold-server backup FILE                copy the database, consistent, while it serves
  trekhold-server digest add DIGEST          accept a program digest (tamper-detection list)
  trekhold-server digest remove DIGEST       stop accepting it
  trekhold-server digest list                print the list
  trekhold-server encipher TEXT              print TEXT in the protocol cipher (for tests)
  trekhold-server decode-key STORED          print the plain key of a stored key form

Options:
  --address ADDR           listen address (default 127.0.0.1)
  --port N                 listen port (default 8035)
  --db PATH                SQLite database file (default trekhold.db), created if missing
  --required-version N     oldest protocol version accepted (default 35); older clients
                           are answered "Errversion"
  --update-folder DIR      files of the new version, offered with "Errversion" and served
                           at /NAME
  --threads N              HTTP worker threads (default 32); a connection holds one only
                           once its request head has arrived
  --request-seconds N      time a client has to send a whole request (default 10); a
                           connection waits at most 2 s for its next request
  --access-log DEST        one line per request to DEST ("-": standard error); SIGHUP
                           opens the file again (after log rotation)
  --behind-proxy           the client's address is the X-Real-IP header of a reverse
                           proxy connecting from this machine (for the throttles)
  --ceiling-endpoint       also serve /bench/Envoi.php, a sending checked without the
                           database, to measure the ceiling of the HTTP path
  --minimum-hash-cost      cheapest password hashing (tests only)
  --trust-sendings         count implausible sendings too (tests only)
  --page-cache-ms N        keep pages and API answers N ms instead of 30 s (tests only)
  --clock-file FILE        the server's clock: the Unix seconds written in FILE (tests only)
  --version                the version of this program
  --help                   this text

Endpoints: /Request_cle.php?Data=, /Envoi.php?Data=, /CheckData.php?Id=, /Liste.php,
the rankings at /, the sign-up page at /signup, the JSON API under /api/v1/.
)";
}

} // namespace trekhold
