#include "server/trekhold_service.h"

#include "server/answers.h"
#include "server/history.h"
#include "server/plausibility.h"
#include "server/problem_log.h"
#include "server/protocol_codec.h"
#include "server/review.h"
#include "server/schema.h"
#include "server/update_folder.h"

#include <sodium.h>

#include <algorithm>
#include <chrono>

namespace trekhold {

namespace {

constexpr int64_t kMaxClientTotal = 2147483647;

// Four sign-ups from one address go at once; then one after a minute, two, four... up to
// an hour; an hour without one starts the count over.
const ThrottlePolicy kSignUpPolicy{3, 60 * 1000, 60 * 60 * 1000, 60 * 60 * 1000};

int64_t Now() {
    return std::chrono::duration_cast<std::chrono::seconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

ServiceConfig WithClocks(ServiceConfig config) {
    if (!config.wall_seconds)
        config.wall_seconds = Now;
    if (!config.steady_ms)
        config.steady_ms = SteadyMilliseconds;
    return config;
}

bool SameNick(const std::string& a, const std::string& b) { // as the database compares
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               auto fold = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
               return fold(x) == fold(y);
           });
}

// The account still has the nickname and password hash it was looked up with (the operator
// may have renamed it, changed its password or removed it meanwhile).
bool Unchanged(const std::optional<Account>& current, const std::string& nick,
               const std::string& pw_hash) {
    return current && current->pw_hash == pw_hash && SameNick(current->nick, nick);
}

std::string ThreeDigits(int n) {
    std::string text = std::to_string(n % 1000);
    return std::string(3 - text.size(), '0') + text;
}

std::string SendingAnswer(int list_version, const std::string& key) {
    return std::string(answer::kOk) + ThreeDigits(list_version) + StoredKeyForm(key);
}

bool AtLeast(const Counts& a, const Counts& b) {
    return a.distance >= b.distance && a.keystrokes >= b.keystrokes &&
           a.left_clicks >= b.left_clicks && a.right_clicks >= b.right_clicks &&
           a.special_clicks >= b.special_clicks && a.scrolls >= b.scrolls && a.uptime >= b.uptime &&
           a.usetime >= b.usetime;
}

Counts Minus(const Counts& a, const Counts& b) {
    return {a.distance - b.distance,
            a.keystrokes - b.keystrokes,
            a.left_clicks - b.left_clicks,
            a.right_clicks - b.right_clicks,
            a.special_clicks - b.special_clicks,
            a.scrolls - b.scrolls,
            a.uptime - b.uptime,
            a.usetime - b.usetime};
}

} // namespace

std::string NewPlainKey() {
    static const char kAlphabet[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    constexpr unsigned kLetters = sizeof kAlphabet - 1; // 62
    // Random bytes fetched a few hundred at a time: one system call serves many keys.
    thread_local unsigned char pool[512];
    thread_local size_t used = sizeof pool;
    std::string key;
    while (key.size() < kKeyLength) {
        if (used == sizeof pool) {
            randombytes_buf(pool, sizeof pool);
            used = 0;
        }
        unsigned char b = pool[used];
        pool[used++] = 0;
        if (b < 256 / kLetters * kLetters) // no bias
            key += kAlphabet[b % kLetters];
    }
    return key;
}

void PrepareDatabase(const std::string& path) {
    Database db(path);
    std::string damage;
    try {
        damage = db.QuickCheck();
    } catch (const DbError& e) {
        damage = e.what();
    }
    if (!damage.empty())
        // The dump of a damaged file ends in a rollback; committing instead keeps every
        // row that could be read.
        throw DbError("the database " + path + " is damaged (" + damage +
                      "). Restore a backup, or copy what can still be read into a new file "
                      "with: sqlite3 '" + path +
                      "' .dump | sed 's/^ROLLBACK; -- due to errors$/COMMIT;/' | sqlite3 '" +
                      path + ".recovered' and start the server on that file");
    MigrateSchema(db);
}

ReaderPool::Lease::~Lease() {
    std::lock_guard<std::mutex> lock(pool_.mutex_);
    pool_.idle_.push_back(std::move(db_));
}

ReaderPool::Lease ReaderPool::Acquire() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (!idle_.empty()) {
            std::unique_ptr<Database> db = std::move(idle_.back());
            idle_.pop_back();
            return Lease(*this, std::move(db));
        }
    }
    return Lease(*this, std::make_unique<Database>(path_));
}

std::string AccountDirectory::Folded(const std::string& nick) {
    std::string folded = nick;
    for (char& c : folded)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return folded;
}

std::optional<AccountDirectory::Entry> AccountDirectory::Find(const std::string& nick) {
    std::lock_guard<std::mutex> lock(mutex_);
    auto it = entries_.find(Folded(nick));
    if (it == entries_.end())
        return std::nullopt;
    return it->second;
}

void AccountDirectory::Remember(const std::string& nick, const Entry& entry) {
    std::lock_guard<std::mutex> lock(mutex_);
    entries_[Folded(nick)] = entry;
}

void AccountDirectory::Forget(const std::string& nick) {
    std::lock_guard<std::mutex> lock(mutex_);
    entries_.erase(Folded(nick));
}

std::optional<AccountDirectory::Entry> TrekholdService::Lookup(const std::string& nick) {
    if (auto entry = directory_.Find(nick))
        return entry;
    std::optional<Account> account;
    {
        auto lease = readers_.Acquire();
        account = FindAccount(*lease, nick);
    }
    if (!account)
        return std::nullopt;
    AccountDirectory::Entry entry{account->id, account->pw_hash};
    directory_.Remember(nick, entry);
    return entry;
}

namespace {

ServiceConfig Checked(ServiceConfig config) {
    std::string problem = UpdateFolderProblem(config.update_folder, config.db_path);
    if (!problem.empty())
        throw std::runtime_error(problem);
    return config;
}

} // namespace

TrekholdService::TrekholdService(ServiceConfig config)
    : config_(Checked(WithClocks(std::move(config)))),
      prepared_((PrepareDatabase(config_.db_path), true)), readers_(config_.db_path),
      writer_(config_.db_path), passwords_(config_.hash_cost), signups_(kSignUpPolicy) {}

std::optional<std::string> TrekholdService::PasswordRefusal(int64_t account,
                                                            const std::string& pw_hash,
                                                            const std::string& password,
                                                            const std::string& address,
                                                            const char* wrong) {
    // A password already refused is answered so again at once and does not count again: a
    // client whose user changed the password retries with the old one.
    if (passwords_.KnownRefused(account, pw_hash, password))
        return std::string(wrong);
    int64_t now = config_.steady_ms();
    if (!address.empty() && !guard_.MayTry(account, address, now))
        return std::string(answer::kFailure);
    PasswordCheck check = passwords_.Verify(account, pw_hash, password);
    if (check == PasswordCheck::kBusy)
        return std::string(answer::kFailure);
    if (!address.empty())
        guard_.Record(account, address, check == PasswordCheck::kMatch, now);
    if (check == PasswordCheck::kMismatch)
        return std::string(wrong);
    return std::nullopt;
}

std::string TrekholdService::VersionAnswer() const {
    if (config_.update_folder.empty())
        return answer::kNewVersion;
    auto description = DownloadDescription(config_.update_folder, config_.db_path);
    if (!description)
        return answer::kNewVersion;
    return std::string(answer::kNewVersion) + answer::kFiller + *description;
}

std::string TrekholdService::RequestKey(const std::string& payload, const std::string& address) {
    try {
        auto plain = DecipherPayload(payload);
        auto login = plain ? ParseLogin(*plain) : std::nullopt;
        if (!login)
            return answer::kFailure;
        auto account = Lookup(login->first);
        if (!account)
            return answer::kUnknownNick;
        if (auto refusal = PasswordRefusal(account->id, account->pw_hash, login->second, address,
                                           answer::kWrongPassword))
            return *refusal;
        std::string key = NewPlainKey();
        std::string stored = StoredKeyForm(key);
        int64_t now = config_.wall_seconds();
        bool stale = false;
        bool ok = writer_.Run([&](Database& db) {
            stale = !Unchanged(AccountById(db, account->id), login->first, account->pw_hash);
            if (!stale)
                StoreNewKey(db, account->id, key, now);
        });
        if (stale)
            directory_.Forget(login->first);
        if (!ok || stale)
            return answer::kFailure;
        return std::string(answer::kOk) + answer::kFiller + stored;
    } catch (const std::exception& e) {
        LogProblem(std::string("key request not answered: ") + e.what());
        return answer::kFailure;
    }
}

std::string TrekholdService::Send(const std::string& payload, const std::string& address) {
    try {
        SendingRecord record;
        if (auto early = ReadSending(payload, record))
            return *early;

        auto account = Lookup(record.nick);
        if (!account)
            return answer::kUnknownNick;
        if (auto refusal = PasswordRefusal(account->id, account->pw_hash, record.password,
                                           address, answer::kWrongPassword))
            return *refusal;

        std::string result;
        std::string new_key = NewPlainKey();
        int64_t now = config_.wall_seconds();
        bool stale = false, unknown_program = false;
        bool ok = writer_.Run([&](Database& db) {
            std::optional<Account> current = AccountById(db, account->id);
            if (!Unchanged(current, record.nick, account->pw_hash)) {
                stale = true; // the operator changed the account meanwhile: the client asks again
                result = answer::kFailure;
                return;
            }
            if (!DigestAccepted(db, record.program_digest)) {
                unknown_program = true;
                return;
            }
            SendingChange change{new_key, current->key, current->key_issued,
                                 record.replay_text, "", record.counts};
            if (record.key != current->key) {
                if (current->prev_key.empty() || record.key != current->prev_key) {
                    result = answer::kWrongKey;
                    return;
                }
                // The key of the last accepted sending: its answer never arrived.
                if (record.replay_text == current->last_record) {
                    result = current->last_answer;
                    return;
                }
                std::optional<Counts> earlier = ReplayCounts(current->last_record);
                if (!earlier || !AtLeast(record.counts, *earlier)) {
                    result = answer::kWrongKey;
                    return;
                }
                change.prev_key = current->prev_key;
                change.prev_key_issued = current->prev_key_issued;
                change.added = Minus(record.counts, *earlier);
            }
            // The record's counts were gathered since the key it carries was issued.
            std::string doubt = config_.judge_sendings
                                    ? ImplausibleReason(record.counts, now - change.prev_key_issued)
                                    : "";
            result = change.answer = SendingAnswer(ListVersion(db), new_key);
            int64_t sending = RecordSending(db, current->id, now, record.machine, change.added,
                                            !doubt.empty());
            if (!doubt.empty()) {
                HoldSending(db, current->id, now, record.replay_text, doubt, change.added, sending);
                change.added = Counts{};
            }
            StoreSending(db, current->id, change, now);
        });
        if (stale)
            directory_.Forget(record.nick);
        if (!ok)
            return answer::kFailure;
        if (unknown_program) {
            // A changed or foreign client: offer the current one when there is one to offer.
            std::string offer = VersionAnswer();
            return offer.size() > std::string(answer::kNewVersion).size()
                       ? offer
                       : std::string(answer::kUnknownProgram);
        }
        return result;
    } catch (const std::exception& e) {
        LogProblem(std::string("sending not stored: ") + e.what());
        return answer::kFailure;
    }
}

std::optional<std::string> TrekholdService::ReadSending(const std::string& payload,
                                                        SendingRecord& record) const {
    auto plain = DecipherPayload(payload);
    if (!plain)
        return std::string(answer::kBadRecord);
    auto version = RecordVersion(*plain);
    if (!version)
        return std::string(answer::kBadRecord);
    if (*version < config_.required_version)
        return VersionAnswer();
    if (ParseSendingRecord(*plain, record) != RecordFault::kNone)
        return std::string(answer::kBadRecord);
    return std::nullopt;
}

std::string TrekholdService::SendWithoutDatabase(const std::string& payload) {
    SendingRecord record;
    if (auto early = ReadSending(payload, record))
        return *early;
    return SendingAnswer(0, NewPlainKey());
}

std::string TrekholdService::CheckData(const std::string& payload, const std::string& address) {
    try {
        auto plain = DecipherPayload(payload);
        auto login = plain ? ParseLogin(*plain) : std::nullopt;
        if (!login)
            return answer::kCheckFailure;
        std::optional<Account> account;
        {
            auto lease = readers_.Acquire();
            account = FindAccount(*lease, login->first);
        }
        if (!account)
            return answer::kCheckUnknownNick;
        if (auto refusal = PasswordRefusal(account->id, account->pw_hash, login->second, address,
                                           answer::kCheckWrongPassword))
            return *refusal;
        // The client holds each total in a signed 32-bit number and refuses a larger field,
        // so a total beyond that range is answered as the largest it can hold; the exact
        // sums stay in the database.
        const Counts& t = account->totals;
        std::string text;
        for (int64_t total : {t.distance, t.left_clicks, t.right_clicks, t.special_clicks,
                              t.scrolls, t.keystrokes, t.uptime, t.usetime}) {
            if (!text.empty())
                text += ';';
            text += std::to_string(std::min<int64_t>(total, kMaxClientTotal));
        }
        return text;
    } catch (const std::exception& e) {
        LogProblem(std::string("totals check not answered: ") + e.what());
        return answer::kCheckFailure;
    }
}

std::string TrekholdService::DigestList() {
    auto lease = readers_.Acquire();
    std::string text = ThreeDigits(ListVersion(*lease)) + "\r\n";
    for (const std::string& digest : ListedDigests(*lease))
        text += digest + "\r\n";
    return text;
}

SignUpResult TrekholdService::SignUp(const std::string& nick, const std::string& password,
                                     std::string& problem, const std::string& address) {
    problem = NewAccountProblem(nick, password);
    if (!problem.empty())
        return SignUpResult::kInvalid;
    try {
        {
            auto lease = readers_.Acquire();
            if (FindAccount(*lease, nick))
                return SignUpResult::kTaken;
        }
        if (!address.empty()) {
            int64_t now = config_.steady_ms();
            if (signups_.WaitLeft(address, now) > 0)
                return SignUpResult::kTooMany;
            signups_.Failed(address, now);
        }
        auto hash = passwords_.Hash(password);
        if (!hash)
            return SignUpResult::kFailed;
        bool created = false;
        bool ok =
            writer_.Run([&](Database& db) { created = CreateAccount(db, nick, *hash, config_.wall_seconds()); });
        if (!ok)
            return SignUpResult::kFailed;
        return created ? SignUpResult::kCreated : SignUpResult::kTaken;
    } catch (const std::exception& e) {
        LogProblem(std::string("sign-up not stored: ") + e.what());
        return SignUpResult::kFailed;
    }
}

std::vector<RankingEntry> TrekholdService::Ranking(Quantity by, int64_t limit, int64_t offset) {
    auto lease = readers_.Acquire();
    return trekhold::Ranking(*lease, by, limit, offset);
}

int64_t TrekholdService::RankedAccountCount() {
    auto lease = readers_.Acquire();
    return trekhold::RankedAccountCount(*lease);
}

bool TrekholdService::SetPassword(const std::string& nick, const std::string& password) {
    auto hash = passwords_.Hash(password);
    if (!hash)
        throw std::runtime_error("the password could not be hashed (memory is short)");
    bool changed = false;
    if (!writer_.Run([&](Database& db) { changed = SetPasswordHash(db, nick, *hash); }))
        throw DbError("the new password could not be stored");
    return changed;
}

AccountResult TrekholdService::Owner(const std::string& nick, const std::string& password,
                                     const std::string& address, AccountDirectory::Entry& entry) {
    try {
        auto account = Lookup(nick);
        if (!account)
            return AccountResult::kUnknownNick;
        auto refusal = PasswordRefusal(account->id, account->pw_hash, password, address,
                                       answer::kWrongPassword);
        if (refusal)
            return *refusal == answer::kWrongPassword ? AccountResult::kWrongPassword
                                                      : AccountResult::kWait;
        entry = *account;
        return AccountResult::kOk;
    } catch (const std::exception& e) {
        LogProblem(std::string("account page password not checked: ") + e.what());
        return AccountResult::kFailed;
    }
}

AccountResult TrekholdService::CheckOwner(const std::string& nick, const std::string& password,
                                          const std::string& address) {
    AccountDirectory::Entry entry;
    return Owner(nick, password, address, entry);
}

AccountResult TrekholdService::ChangeOwn(
    const std::string& nick, const AccountDirectory::Entry& entry,
    const std::function<void(Database&, const Account&)>& change) {
    bool stale = false;
    bool ok = writer_.Run([&](Database& db) {
        std::optional<Account> current = AccountById(db, entry.id);
        stale = !Unchanged(current, nick, entry.pw_hash);
        if (!stale)
            change(db, *current);
    });
    if (stale)
        directory_.Forget(nick);
    return ok && !stale ? AccountResult::kOk : AccountResult::kFailed;
}

AccountResult TrekholdService::SetOwnPrivate(const std::string& nick,
                                             const std::string& password, bool private_page,
                                             const std::string& address) {
    AccountDirectory::Entry entry;
    AccountResult result = Owner(nick, password, address, entry);
    if (result != AccountResult::kOk)
        return result;
    return ChangeOwn(nick, entry, [private_page](Database& db, const Account& account) {
        SetPrivatePage(db, account.nick, private_page);
    });
}

AccountResult TrekholdService::ChangeOwnPassword(const std::string& nick,
                                                 const std::string& password,
                                                 const std::string& new_password,
                                                 const std::string& address,
                                                 std::string& problem) {
    AccountDirectory::Entry entry;
    AccountResult result = Owner(nick, password, address, entry);
    if (result != AccountResult::kOk)
        return result;
    problem = NewAccountProblem("x", new_password);
    if (!problem.empty())
        return AccountResult::kInvalid;
    auto hash = passwords_.Hash(new_password);
    if (!hash) {
        LogProblem("new password of " + nick + " not hashed: memory is short or too many wait");
        return AccountResult::kFailed;
    }
    result = ChangeOwn(nick, entry, [&hash](Database& db, const Account& account) {
        SetPasswordHash(db, account.nick, *hash);
    });
    if (result == AccountResult::kOk)
        directory_.Forget(nick);
    return result;
}

} // namespace trekhold
