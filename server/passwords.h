// Password hashing and verification.
//
// Passwords are stored only as Argon2id hashes (libsodium's string form). The hash is
// deliberately costly, and every sending carries the password, so a password is checked
// against its hash once per process; afterwards a keyed BLAKE2b digest of it (the key is a
// random secret of this process, never stored) is kept in memory and a sending costs one
// fast digest. A few recently refused passwords are remembered the same way, so a client
// retrying with a wrong password is answered quickly too. A wrong password is never
// accepted: anything that does not match a remembered verifier goes to the full check.
// The cache is tied to the hash it was checked against, so a changed password empties it.
#pragma once

#include <array>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

namespace trekhold {

enum class HashCost { kInteractive, kMinimum }; // kMinimum: tests only

// Initialises libsodium; false when it cannot be used.
bool InitSodium();

class PasswordBook {
  public:
    explicit PasswordBook(HashCost cost = HashCost::kInteractive, unsigned parallel_hashes = 2);

    // Argon2id hash in string form; empty when memory is short.
    std::optional<std::string> Hash(const std::string& password);
    // True when `password` matches `stored_hash` of account `account_id`.
    bool Verify(int64_t account_id, const std::string& stored_hash, const std::string& password);

  private:
    using Digest = std::array<unsigned char, 32>;
    struct Entry {
        std::string stored_hash;
        std::optional<Digest> good;
        std::vector<Digest> refused; // most recent last
    };
    Digest Keyed(const std::string& password) const;
    bool CostlyVerify(const std::string& stored_hash, const std::string& password);

    unsigned long long opslimit_;
    size_t memlimit_;
    std::array<unsigned char, 32> secret_;
    std::mutex mutex_;
    std::unordered_map<int64_t, Entry> entries_;
    // Argon2 takes tens of megabytes each: only a few run at once.
    std::mutex gate_mutex_;
    std::condition_variable gate_cv_;
    unsigned gate_free_;
};

} // namespace trekhold
