#include "server/login_guard.h"

namespace trekhold {

namespace {
constexpr int64_t kTrustMs = 30LL * 24 * 60 * 60 * 1000;
constexpr size_t kMaxTrusted = 100000;
} // namespace

LoginGuard::LoginGuard(ThrottlePolicy per_address, ThrottlePolicy per_account)
    : by_address_(per_address), by_account_(per_account) {}

bool LoginGuard::MayTry(int64_t account, const std::string& address, int64_t now_ms) {
    if (by_address_.WaitLeft(address, now_ms) > 0)
        return false;
    if (by_account_.WaitLeft(AccountKey(account), now_ms) == 0)
        return true;
    std::lock_guard<std::mutex> lock(mutex_);
    auto it = trusted_.find(PairKey(account, address));
    return it != trusted_.end() && now_ms - it->second < kTrustMs;
}

void LoginGuard::Record(int64_t account, const std::string& address, bool matched,
                        int64_t now_ms) {
    if (!matched) {
        by_address_.Failed(address, now_ms);
        by_account_.Failed(AccountKey(account), now_ms);
        return;
    }
    std::lock_guard<std::mutex> lock(mutex_);
    if (trusted_.size() >= kMaxTrusted && !trusted_.count(PairKey(account, address))) {
        for (auto it = trusted_.begin(); it != trusted_.end();)
            it = now_ms - it->second >= kTrustMs ? trusted_.erase(it) : std::next(it);
        if (trusted_.size() >= kMaxTrusted)
            trusted_.erase(trusted_.begin());
    }
    trusted_[PairKey(account, address)] = now_ms;
}

} // namespace trekhold
