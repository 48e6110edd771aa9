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
//
// At most `parallel_hashes` Argon2 computations run at once and at most `max_waiting` wait
// for their turn; beyond that a check or hash is not queued but answered at once as busy,
// so a flood of guesses cannot make real logins wait for seconds.
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

enum class PasswordCheck { kMatch, kMismatch, kBusy };

// Initialises libsodium; false when it cannot be used.
bool InitSodium();

class PasswordBook {
  public:
    explicit PasswordBook(HashCost cost = HashCost::kInteractive, unsigned parallel_hashes = 2,
                          unsigned max_waiting = 8);

    // Argon2id hash in string form; empty when memory is short or too many hashes wait.
    std::optional<std::string> Hash(const std::string& password);
    // Whether `password` matches `stored_hash` of account `account_id`.
    PasswordCheck Verify(int64_t account_id, const std::string& stored_hash,
                         const std::string& password);
    // True when `password` is one of the account's recently refused ones (no hash needed;
    // tells nothing about the right password).
    bool KnownRefused(int64_t account_id, const std::string& stored_hash,
                      const std::string& password);

  private:
    using Digest = std::array<unsigned char, 32>;
    struct Entry {
        std::string stored_hash;
        std::optional<Digest> good;
        std::vector<Digest> refused; // most recent last
    };
    Digest Keyed(const std::string& password) const;
    // Holds one of the few Argon2 turns while it lives; `taken` false when too many wait.
    class Turn {
      public:
        explicit Turn(PasswordBook& book);
        ~Turn();
        Turn(const Turn&) = delete;
        Turn& operator=(const Turn&) = delete;
        bool taken() const { return taken_; }

      private:
        PasswordBook& book_;
        bool taken_ = false;
    };

    unsigned long long opslimit_;
    size_t memlimit_;
    std::array<unsigned char, 32> secret_;
    std::mutex mutex_;
    std::unordered_map<int64_t, Entry> entries_;
    // Argon2 takes tens of megabytes each: only a few run at once.
    std::mutex gate_mutex_;
    std::condition_variable gate_cv_;
    unsigned gate_free_;
    unsigned gate_waiting_ = 0;
    unsigned max_waiting_;
};

} // namespace trekhold
