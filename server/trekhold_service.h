// The account endpoints and the website's data, independent of HTTP.
//
//  Request_cle  payload "nickname'password"  -> "OK-" + stored key | Errlogin | Errpwd
//  Envoi        payload: a sending record    -> "OK" + list version (3 digits) + stored key
//               | Errlogin | Errpwd | Errcle | Errversion[-description] | Errdata
//               | Errprogram | Erreur
//  CheckData    payload "nickname'password"  -> eight totals joined by ";" (distance cm,
//               left, right, special clicks, scrolls, keystrokes, uptime, usetime; each
//               at most 2147483647) | ErrPseudo | ErrPwd | Erreur
//
// Each account has one current key. A key request issues a fresh one (another computer's
// key stops working: Errcle). Every accepted sending issues the next one. A client whose
// answer was lost sends again with the key it had: the same record gets the same answer
// and nothing is added twice; a later record from it (the counts given back plus what was
// counted since, so every count at least the earlier one's) adds just the difference.
#pragma once

#include "server/account_store.h"
#include "server/commit_queue.h"
#include "server/login_guard.h"
#include "server/passwords.h"
#include "server/site_data.h"

#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

namespace trekhold {

struct ServiceConfig {
    std::string db_path;
    int64_t required_version = 35;
    std::string update_folder; // empty: no description with "Errversion"
    HashCost hash_cost = HashCost::kInteractive;
    // False (tests of other matters only): every sending counts, however implausible.
    bool judge_sendings = true;
    // Unix seconds (the plausibility of sendings) and steady milliseconds (the throttles);
    // tests replace them.
    std::function<int64_t()> wall_seconds;
    std::function<int64_t()> steady_ms;
};

// Read-only connections, one per request in flight.
class ReaderPool {
  public:
    explicit ReaderPool(std::string path) : path_(std::move(path)) {}
    class Lease {
      public:
        Lease(ReaderPool& pool, std::unique_ptr<Database> db) : pool_(pool), db_(std::move(db)) {}
        ~Lease();
        Lease(const Lease&) = delete;
        Lease& operator=(const Lease&) = delete;
        Database& operator*() { return *db_; }

      private:
        ReaderPool& pool_;
        std::unique_ptr<Database> db_;
    };
    Lease Acquire();

  private:
    std::string path_;
    std::mutex mutex_;
    std::vector<std::unique_ptr<Database>> idle_;
};

// Nickname -> account id and password hash, read from the database on first use. Spares
// a database read on every sending; the writer still checks the hash it was given.
class AccountDirectory {
  public:
    struct Entry {
        int64_t id = 0;
        std::string pw_hash;
    };
    std::optional<Entry> Find(const std::string& nick);
    void Remember(const std::string& nick, const Entry& entry);
    void Forget(const std::string& nick);

  private:
    static std::string Folded(const std::string& nick); // the database compares ASCII
                                                        // letters without case
    std::mutex mutex_;
    std::unordered_map<std::string, Entry> entries_;
};

enum class SignUpResult { kCreated, kInvalid, kTaken, kTooMany, kFailed };

class TrekholdService {
  public:
    // Opens the database (creating and migrating it). Throws DbError, or runtime_error
    // for an update folder the server must not serve (see UpdateFolderProblem).
    explicit TrekholdService(ServiceConfig config);

    // `address`: where the request came from, for the throttles of password guessing and
    // sign-ups; empty for the tools of this machine, which are not throttled.
    std::string RequestKey(const std::string& payload, const std::string& address = "");
    std::string Send(const std::string& payload, const std::string& address = "");
    std::string CheckData(const std::string& payload, const std::string& address = "");
    // A sending checked like Send but without the database or the password: the ceiling
    // of the HTTP and cipher path, for load measurements.
    std::string SendWithoutDatabase(const std::string& payload);
    // The tamper-detection list: version line, then one digest per line (CR LF).
    std::string DigestList();

    SignUpResult SignUp(const std::string& nick, const std::string& password, std::string& problem,
                        const std::string& address = "");
    // A new password for an existing account (the operator's tool). False when there is no
    // such account; throws when the password cannot be hashed.
    bool SetPassword(const std::string& nick, const std::string& password);
    std::vector<RankingEntry> Ranking(Quantity by, int64_t limit, int64_t offset);
    int64_t RankedAccountCount();

    // A read-only connection of the pool, for the website (site_data.h).
    ReaderPool::Lease Reader() { return readers_.Acquire(); }
    // The member's own account page: the password is checked as by the account endpoints,
    // with their throttle of wrong passwords (`address`: the client's).
    AccountResult CheckOwner(const std::string& nick, const std::string& password,
                             const std::string& address);
    AccountResult SetOwnPrivate(const std::string& nick, const std::string& password,
                                bool private_page, const std::string& address);
    // `problem` explains kInvalid.
    AccountResult ChangeOwnPassword(const std::string& nick, const std::string& password,
                                    const std::string& new_password, const std::string& address,
                                    std::string& problem);

    const ServiceConfig& config() const { return config_; }
    CommitQueue::Counters write_counters() { return writer_.counters(); }
    bool AcceptsChanges() { return writer_.AcceptsChanges(); }
    bool SyncFailed() { return writer_.SyncFailed(); }
    void OnSyncFailure(std::function<void()> notify) { writer_.OnSyncFailure(std::move(notify)); }

  private:
    // CheckOwner, and the account's id and hash once it passes.
    AccountResult Owner(const std::string& nick, const std::string& password,
                        const std::string& address, AccountDirectory::Entry& entry);
    // Runs `change` on the account if it still has the nickname and hash it was checked with.
    AccountResult ChangeOwn(const std::string& nick, const AccountDirectory::Entry& entry,
                            const std::function<void(Database&, const Account&)>& change);
    std::string VersionAnswer() const;
    // The first checks of a sending: the payload deciphers into a record of the required
    // version that parses. The answer to give at once, or nothing when `record` is ready.
    std::optional<std::string> ReadSending(const std::string& payload, SendingRecord& record) const;
    // The account of a nickname, from the directory or the database.
    std::optional<AccountDirectory::Entry> Lookup(const std::string& nick);
    // The answer refusing `password` for `account` (`wrong` for a wrong password, "Erreur"
    // while this address or account must wait or too many password checks wait), or
    // nothing when it matches.
    std::optional<std::string> PasswordRefusal(int64_t account, const std::string& pw_hash,
                                               const std::string& password,
                                               const std::string& address, const char* wrong);

    ServiceConfig config_;
    bool prepared_; // the database is migrated before any connection below opens
    ReaderPool readers_;
    AccountDirectory directory_;
    CommitQueue writer_;
    PasswordBook passwords_;
    LoginGuard guard_;
    Throttle signups_; // per address: each sign-up counts
};

// A fresh six-character plain key of letters and digits.
std::string NewPlainKey();
// Checks (PRAGMA quick_check), opens and migrates the database once; throws DbError for a
// damaged one, saying what helps.
void PrepareDatabase(const std::string& path);

} // namespace trekhold
