#include "server/passwords.h"

#include <sodium.h>

namespace trekhold {

namespace {
constexpr size_t kRememberedRefusals = 4;
}

bool InitSodium() {
    return sodium_init() >= 0;
}

PasswordBook::PasswordBook(HashCost cost, unsigned parallel_hashes)
    : opslimit_(cost == HashCost::kInteractive ? crypto_pwhash_OPSLIMIT_INTERACTIVE
                                               : crypto_pwhash_OPSLIMIT_MIN),
      memlimit_(cost == HashCost::kInteractive ? crypto_pwhash_MEMLIMIT_INTERACTIVE
                                               : crypto_pwhash_MEMLIMIT_MIN),
      gate_free_(parallel_hashes ? parallel_hashes : 1) {
    randombytes_buf(secret_.data(), secret_.size());
}

std::optional<std::string> PasswordBook::Hash(const std::string& password) {
    char out[crypto_pwhash_STRBYTES];
    std::unique_lock<std::mutex> lock(gate_mutex_);
    gate_cv_.wait(lock, [&] { return gate_free_ > 0; });
    --gate_free_;
    lock.unlock();
    int rc = crypto_pwhash_str(out, password.data(), password.size(), opslimit_, memlimit_);
    lock.lock();
    ++gate_free_;
    gate_cv_.notify_one();
    if (rc != 0)
        return std::nullopt;
    return std::string(out);
}

bool PasswordBook::CostlyVerify(const std::string& stored_hash, const std::string& password) {
    std::unique_lock<std::mutex> lock(gate_mutex_);
    gate_cv_.wait(lock, [&] { return gate_free_ > 0; });
    --gate_free_;
    lock.unlock();
    bool ok = crypto_pwhash_str_verify(stored_hash.c_str(), password.data(), password.size()) == 0;
    lock.lock();
    ++gate_free_;
    gate_cv_.notify_one();
    return ok;
}

PasswordBook::Digest PasswordBook::Keyed(const std::string& password) const {
    Digest d;
    crypto_generichash(d.data(), d.size(), reinterpret_cast<const unsigned char*>(password.data()),
                       password.size(), secret_.data(), secret_.size());
    return d;
}

bool PasswordBook::Verify(int64_t account_id, const std::string& stored_hash,
                          const std::string& password) {
    Digest digest = Keyed(password);
    {
        std::lock_guard<std::mutex> lock(mutex_);
        auto it = entries_.find(account_id);
        if (it != entries_.end() && it->second.stored_hash == stored_hash) {
            if (it->second.good &&
                sodium_memcmp(it->second.good->data(), digest.data(), digest.size()) == 0)
                return true;
            for (const Digest& refused : it->second.refused)
                if (sodium_memcmp(refused.data(), digest.data(), digest.size()) == 0)
                    return false;
        }
    }
    bool ok = CostlyVerify(stored_hash, password);
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
    return ok;
}

} // namespace trekhold
