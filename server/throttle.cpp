#include "server/throttle.h"

#include <algorithm>
#include <chrono>

namespace trekhold {

int64_t SteadyMilliseconds() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

int64_t Throttle::WaitLeft(const std::string& key, int64_t now_ms) {
    std::lock_guard<std::mutex> lock(mutex_);
    auto it = entries_.find(key);
    if (it == entries_.end())
        return 0;
    return std::max<int64_t>(0, it->second.until_ms - now_ms);
}

void Throttle::Failed(const std::string& key, int64_t now_ms) {
    std::lock_guard<std::mutex> lock(mutex_);
    auto it = entries_.find(key);
    if (it == entries_.end()) {
        MakeRoom(now_ms);
        it = entries_.emplace(key, Entry{}).first;
    }
    Entry& e = it->second;
    if (e.failures > 0 && now_ms - std::max(e.last_ms, e.until_ms) > policy_.forget_after_ms)
        e = Entry{};
    ++e.failures;
    e.last_ms = now_ms;
    int over = e.failures - policy_.free_failures;
    if (over <= 0)
        return;
    int64_t wait = policy_.first_wait_ms;
    for (int i = 1; i < over && wait < policy_.max_wait_ms; ++i)
        wait *= 2;
    e.until_ms = now_ms + std::min(wait, policy_.max_wait_ms);
}

void Throttle::Forget(const std::string& key) {
    std::lock_guard<std::mutex> lock(mutex_);
    entries_.erase(key);
}

size_t Throttle::size() {
    std::lock_guard<std::mutex> lock(mutex_);
    return entries_.size();
}

void Throttle::MakeRoom(int64_t now_ms) {
    if (entries_.size() < policy_.max_keys)
        return;
    for (auto it = entries_.begin(); it != entries_.end();) {
        const Entry& e = it->second;
        if (now_ms - std::max(e.last_ms, e.until_ms) > policy_.forget_after_ms)
            it = entries_.erase(it);
        else
            ++it;
    }
    while (entries_.size() >= policy_.max_keys)
        entries_.erase(entries_.begin());
}

} // namespace trekhold
