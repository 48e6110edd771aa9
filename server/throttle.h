// Back-off for repeated failures of one key (an address, an account): the first few are
// free, then each further failure doubles the wait before the next try, up to a ceiling.
// A key is forgotten once its wait has passed and it stayed quiet for `forget_after_ms`.
// The table holds at most `max_keys` keys: when full, forgotten keys go first, then
// arbitrary ones (an attacker who fills it from many addresses only loses his own waits
// sooner; the per-account throttle still holds).
#pragma once

#include <cstdint>
#include <mutex>
#include <string>
#include <unordered_map>

namespace trekhold {

struct ThrottlePolicy {
    int free_failures = 5;
    int64_t first_wait_ms = 1000;
    int64_t max_wait_ms = 15 * 60 * 1000;
    int64_t forget_after_ms = 60 * 60 * 1000;
    size_t max_keys = 100000;
};

class Throttle {
  public:
    explicit Throttle(ThrottlePolicy policy = {}) : policy_(policy) {}

    // Milliseconds before `key` may try again; 0 when it may try now.
    int64_t WaitLeft(const std::string& key, int64_t now_ms);
    void Failed(const std::string& key, int64_t now_ms);
    void Forget(const std::string& key);
    size_t size();

  private:
    struct Entry {
        int failures = 0;
        int64_t last_ms = 0;
        int64_t until_ms = 0; // no try before
    };
    void MakeRoom(int64_t now_ms);

    ThrottlePolicy policy_;
    std::mutex mutex_;
    std::unordered_map<std::string, Entry> entries_;
};

// Monotonic milliseconds, for the throttles.
int64_t SteadyMilliseconds();

} // namespace trekhold
