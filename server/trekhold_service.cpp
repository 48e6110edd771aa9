#include "server/trekhold_service.h"

#include "server/answers.h"
#include "server/failure_log.h"
#include "server/protocol_codec.h"
#include "server/schema.h"
#include "server/update_folder.h"

#include <sodium.h>

#include <algorithm>
#include <chrono>

namespace trekhold {

namespace {

constexpr int64_t kMaxClientTotal = 2147483647;

int64_t Now() {
    return std::chrono::duration_cast<std::chrono::seconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
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

TrekholdService::TrekholdService(ServiceConfig config)
    : config_(std::move(config)), prepared_((PrepareDatabase(config_.db_path), true)),
      readers_(config_.db_path), writer_(config_.db_path), passwords_(config_.hash_cost) {}

std::string TrekholdService::VersionAnswer() const {
    if (config_.update_folder.empty())
        return answer::kNewVersion;
    auto description = DownloadDescription(config_.update_folder);
    if (!description)
        return answer::kNewVersion;
    return std::string(answer::kNewVersion) + answer::kFiller + *description;
}

std::string TrekholdService::RequestKey(const std::string& payload) {
    try {
        auto plain = DecipherPayload(payload);
        auto login = plain ? ParseLogin(*plain) : std::nullopt;
        if (!login)
            return answer::kFailure;
        auto account = Lookup(login->first);
        if (!account)
            return answer::kUnknownNick;
        if (!passwords_.Verify(account->id, account->pw_hash, login->second))
            return answer::kWrongPassword;
        std::string key = NewPlainKey();
        std::string stored = StoredKeyForm(key);
        bool stale = false;
        bool ok = writer_.Run([&](Database& db) {
            std::optional<Account> current = AccountById(db, account->id);
            stale = !current || current->pw_hash != account->pw_hash;
            if (!stale)
                StoreNewKey(db, account->id, key);
        });
        if (stale)
            directory_.Forget(login->first);
        if (!ok || stale)
            return answer::kFailure;
        return std::string(answer::kOk) + answer::kFiller + stored;
    } catch (const std::exception&) {
        LogFailure("Request_cle.php", std::current_exception());
        return answer::kFailure;
    }
}

std::string TrekholdService::Send(const std::string& payload) {
    try {
        SendingRecord record;
        if (auto early = ReadSending(payload, record))
            return *early;

        auto account = Lookup(record.nick);
        if (!account)
            return answer::kUnknownNick;
        if (!passwords_.Verify(account->id, account->pw_hash, record.password))
            return answer::kWrongPassword;

        std::string result;
        std::string new_key = NewPlainKey();
        int64_t now = Now();
        bool stale = false;
        bool ok = writer_.Run([&](Database& db) {
            std::optional<Account> current = AccountById(db, account->id);
            if (!current || current->pw_hash != account->pw_hash) {
                stale = true; // the password changed meanwhile: the client asks again
                result = answer::kFailure;
                return;
            }
            if (!DigestAccepted(db, record.program_digest)) {
                result = answer::kUnknownProgram;
                return;
            }
            if (record.key == current->key) {
                result = SendingAnswer(ListVersion(db), new_key);
                StoreSending(db, current->id, new_key, current->key, record.replay_text, result,
                             record.counts, now);
                return;
            }
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
            result = SendingAnswer(ListVersion(db), new_key);
            StoreSending(db, current->id, new_key, current->prev_key, record.replay_text, result,
                         Minus(record.counts, *earlier), now);
        });
        if (stale)
            directory_.Forget(record.nick);
        return ok ? result : answer::kFailure;
    } catch (const std::exception&) {
        LogFailure("Envoi.php", std::current_exception());
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

std::string TrekholdService::CheckData(const std::string& payload) {
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
        if (!passwords_.Verify(account->id, account->pw_hash, login->second))
            return answer::kCheckWrongPassword;
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
    } catch (const std::exception&) {
        LogFailure("CheckData.php", std::current_exception());
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
                                     std::string& problem) {
    problem = NewAccountProblem(nick, password);
    if (!problem.empty())
        return SignUpResult::kInvalid;
    try {
        {
            auto lease = readers_.Acquire();
            if (FindAccount(*lease, nick))
                return SignUpResult::kTaken;
        }
        auto hash = passwords_.Hash(password);
        if (!hash)
            return SignUpResult::kFailed;
        bool created = false;
        bool ok =
            writer_.Run([&](Database& db) { created = CreateAccount(db, nick, *hash, Now()); });
        if (!ok)
            return SignUpResult::kFailed;
        return created ? SignUpResult::kCreated : SignUpResult::kTaken;
    } catch (const std::exception&) {
        LogFailure("signup", std::current_exception());
        return SignUpResult::kFailed;
    }
}

std::vector<RankingEntry> TrekholdService::Ranking(Quantity by, int64_t limit, int64_t offset) {
    auto lease = readers_.Acquire();
    return trekhold::Ranking(*lease, by, limit, offset);
}

int64_t TrekholdService::AccountCount() {
    auto lease = readers_.Acquire();
    return trekhold::AccountCount(*lease);
}

} // namespace trekhold
