#include "server/passwords.h"

#include <sodium.h>

namespace trekhold {

namespace {
constexpr size_t kRememberedRefusals = 4;
}

bool InitSodium() {
    return sodium_init() >= 0;
}

PasswordBook::PasswordBook(HashCost cost, unsigned parallel_hashes, unsigned max_waiting)
    : opslimit_(cost == HashCost::kInteractive ? crypto_pwhash_OPSLIMIT_INTERACTIVE
                                               : crypto_pwhash_OPSLIMIT_MIN),
      memlimit_(cost == HashCost::kInteractive ? crypto_pwhash_MEMLIMIT_INTERACTIVE
                                               : crypto_pwhash_MEMLIMIT_MIN),
      gate_free_(parallel_hashes ? parallel_hashes : 1), max_waiting_(max_waiting) {
    randombytes_buf(secret_.data(), secret_.size());
}

PasswordBook::Turn::Turn(PasswordBook& book) : book_(book) {
    std::unique_lock<std::mutex> lock(book_.gate_mutex_);
    if (book_.gate_free_ == 0 && book_.gate_waiting_ >= book_.max_waiting_)
        return;
    ++book_.gate_waiting_;
    book_.gate_cv_.wait(lock, [&] { return book_.gate_free_ > 0; });
    --book_.gate_waiting_;
    --book_.gate_free_;
    taken_ = true;
}

PasswordBook::Turn::~Turn() {
    if (!taken_)
        return;
    std::lock_guard<std::mutex> lock(book_.gate_mutex_);
    ++book_.gate_free_;
    book_.gate_cv_.notify_one();
}

std::optional<std::string> PasswordBook::Hash(const std::string& password) {
    char out[crypto_pwhash_STRBYTES];
    Turn turn(*this);
    if (!turn.taken() ||
        crypto_pwhash_str(out, password.data(), password.size(), opslimit_, memlimit_) != 0)
        return std::nullopt;
    return std::string(out);
}

PasswordBook::Digest PasswordBook::Keyed(const std::string& password) const {
    Digest d;
    crypto_generichash(d.data(), d.size(), reinterpret_cast<const unsigned char*>(password.data()),
                       password.size(), secret_.data(), secret_.size());
    return d;
}

bool PasswordBook::KnownRefused(int64_t account_id, const std::string& stored_hash,
                                const std::string& password) {
    Digest digest = Keyed(password);
    std::lock_guard<std::mutex> lock(mutex_);
    auto it = entries_.find(account_id);
    if (it == entries_.end() || it->second.stored_hash != stored_hash)
        return false;
    for (const Digest& refused : it->second.refused)
        if (sodium_memcmp(refused.data(), digest.data(), digest.size()) == 0)
            return true;
    return false;
}

PasswordCheck PasswordBook::Verify(int64_t account_id, const std::string& stored_hash,
                                   const std::string& password) {
    Digest digest = Keyed(password);
    {
        std::lock_guard<std::mutex> lock(mutex_);
        auto it = entries_.find(account_id);
        if (it != entries_.end() && it->second.stored_hash == stored_hash) {
            if (it->second.good &&
                sodium_memcmp(it->second.good->data(), digest.data(), digest.size()) == 0)
                return PasswordCheck::kMatch;
            for (const Digest& refused : it->second.refused)
                if (sodium_memcmp(refused.data(), digest.data(), digest.size()) == 0)
                    return PasswordCheck::kMismatch;
        }
    }
    bool ok = false;
    {
        Turn turn(*this);
        if (!turn.taken())
            return PasswordCheck::kBusy;
        ok = crypto_pwhash_str_verify(stored_hash.c_str(), password.data(), password.size()) == 0;
    }
    std::lock_guard<std::mutex> lock(mutex_);
    Entry& entry = entries_[account_id];
    if (entry.stored_hash != stored_hash)
        entry = Entry{stored_hash, std::nullopt, {}};
    if (ok) {
        entry.good = digest;
    } else {
        if (entry.refused.size() >= kRememberedRefusals)
            entry.refused.erase(entry.refused.begin());
        entry.refused.push_back(digest);
    }
    return ok ? PasswordCheck::kMatch : PasswordCheck::kMismatch;
}

} // namespace trekhold
