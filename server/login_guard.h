// Password guessing, slowed per address and per account. Wrong passwords count against the
// address they came from and against the account; once either has had its free failures,
// each further try waits longer (see Throttle). A locked account stays open to addresses
// that gave its right password lately, so an attacker elsewhere cannot lock its owner out;
// those addresses still answer for their own failures.
#pragma once

#include "server/throttle.h"

#include <cstdint>
#include <mutex>
#include <string>
#include <unordered_map>

namespace trekhold {

class LoginGuard {
  public:
    LoginGuard(ThrottlePolicy per_address = {10}, ThrottlePolicy per_account = {10});

    // False while a further try of this account from this address must wait.
    bool MayTry(int64_t account, const std::string& address, int64_t now_ms);
    void Record(int64_t account, const std::string& address, bool matched, int64_t now_ms);

  private:
    static std::string AccountKey(int64_t account) { return std::to_string(account); }
    static std::string PairKey(int64_t account, const std::string& address) {
        return std::to_string(account) + " " + address;
    }

    Throttle by_address_, by_account_;
    std::mutex mutex_;
    std::unordered_map<std::string, int64_t> trusted_; // pair -> time of the last success
};

} // namespace trekhold
