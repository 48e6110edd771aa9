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
    bool hidden = false;
    int64_t key_issued = 0, prev_key_issued = 0;
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
void StoreNewKey(Database& db, int64_t id, const std::string& key, int64_t now);
// An accepted sending: adds `added`, sets the new key (issued `now`) and what recognises a
// resend: the key the record came with and when that key was issued.
struct SendingChange {
    std::string new_key, prev_key;
    int64_t prev_key_issued = 0;
    std::string replay_text, answer;
    Counts added;
};
void StoreSending(Database& db, int64_t id, const SendingChange& change, int64_t now);

// The operator's changes; each false when there is no such account (or, for a rename, the
// new nickname is taken).
bool SetPasswordHash(Database& db, const std::string& nick, const std::string& pw_hash);
bool RenameAccount(Database& db, const std::string& nick, const std::string& new_nick);
bool RemoveAccount(Database& db, const std::string& nick); // with its held sendings
// Hidden: out of every ranking, no page (the operator's, for cheaters).
bool SetHidden(Database& db, const std::string& nick, bool hidden);
std::vector<std::string> HiddenAccounts(Database& db);
// Private: still ranked, as "hidden", without a page (the member's own choice).
bool SetPrivatePage(Database& db, const std::string& nick, bool private_page);
std::vector<std::string> PrivateAccounts(Database& db);

// Tamper-detection list.
std::vector<std::string> ListedDigests(Database& db);
bool DigestAccepted(Database& db, const std::string& digest); // true when the list is empty
int ListVersion(Database& db);
bool AddDigest(Database& db, const std::string& digest);    // false when already there
bool RemoveDigest(Database& db, const std::string& digest); // false when absent

enum class Quantity { kDistance, kKeystrokes, kClicks, kScrolls, kUptime, kUsetime };
struct RankingEntry {
    std::string nick; // empty for a private account: its name never leaves the database
    int64_t value = 0;
    bool private_page = false;
};
// Query words of the quantities: distance|keystrokes|clicks|scrolls|uptime|usetime.
const char* QuantityWord(Quantity quantity);
// The column of a quantity in the tables of totals (accounts, period_sums), which bears its
// word: from a fixed list, never from a request. Each ranking has its index (schema.cpp).
const char* QuantityExpression(Quantity by);
// The accounts not hidden, best first (ties by nickname); private ones at their place.
std::vector<RankingEntry> Ranking(Database& db, Quantity by, int64_t limit, int64_t offset);
int64_t RankedAccountCount(Database& db);

} // namespace trekhold
