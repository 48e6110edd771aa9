// The command line of trekhold-server.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace trekhold {

enum class Command {
    kServe,
    kHelp,
    kAccountAdd,
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
    bool minimum_hash_cost = false; // tests only: the cheapest Argon2id parameters
};

// Fills `out`; on a mistake returns false and an explanation in `error`.
bool ParseOptions(const std::vector<std::string>& args, Options& out, std::string& error);

std::string HelpText();

} // namespace trekhold
