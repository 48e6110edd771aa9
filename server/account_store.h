// Accounts, keys, totals and the tamper-detection list in the database. Callers hold the
// connection; writes are meant to run inside a transaction or savepoint.
#pragma once

#include "server/sending_record.h"
#include "server/sqlite_db.h"

#include <optional>
#include <string>
#include <vector>

namespace trekhold {

struct Account {
    int64_t id = 0;
    std::string nick, pw_hash, key, prev_key, last_record, last_answer;
    Counts totals;
    int64_t sendings = 0;
};

// What a nickname or password may hold: letters, digits and - _ . ! $ ( ) * , ; : @.
// These reach the server intact through the protocol cipher and a plain query string
// (no apostrophe, blank, quote, hash or percent sign), and the pair code can carry them.
// Returns an explanation, or the empty text when acceptable.
std::string NewAccountProblem(const std::string& nick, const std::string& password);

std::optional<Account> FindAccount(Database& db, const std::string& nick);
std::optional<Account> AccountById(Database& db, int64_t id);
// False when the nickname is taken (compared without case).
bool CreateAccount(Database& db, const std::string& nick, const std::string& pw_hash, int64_t now);

// A fresh key: the computer that asked is now the account's one; replays end.
void StoreNewKey(Database& db, int64_t id, const std::string& key);
// An accepted sending: adds `added`, sets the new key and what recognises a resend.
void StoreSending(Database& db, int64_t id, const std::string& new_key, const std::string& prev_key,
                  const std::string& replay_text, const std::string& answer, const Counts& added,
                  int64_t now);

// Tamper-detection list.
std::vector<std::string> ListedDigests(Database& db);
bool DigestAccepted(Database& db, const std::string& digest); // true when the list is empty
int ListVersion(Database& db);
bool AddDigest(Database& db, const std::string& digest);    // false when already there
bool RemoveDigest(Database& db, const std::string& digest); // false when absent

enum class Quantity { kDistance, kKeystrokes, kClicks, kScrolls, kUptime, kUsetime };
struct RankingEntry {
    std::string nick;
    int64_t value = 0;
};
std::vector<RankingEntry> Ranking(Database& db, Quantity by, int64_t limit, int64_t offset);
int64_t AccountCount(Database& db);

} // namespace trekhold
