#include "server/page_cache.h"

namespace trekhold {

PageCache::Page PageCache::Get(const std::string& key, int64_t now_ms,
                               const std::function<std::string()>& render) {
    uint64_t generation;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        auto it = pages_.find(key);
        if (it != pages_.end() && it->second.expires_ms > now_ms)
            return it->second;
        generation = generation_;
    }
    Page page{render(), now_ms + lifetime_ms_};
    std::lock_guard<std::mutex> lock(mutex_);
    if (generation != generation_)
        return page;
    if (pages_.size() >= capacity_ && !pages_.count(key)) {
        for (auto it = pages_.begin(); it != pages_.end();)
            it = it->second.expires_ms <= now_ms ? pages_.erase(it) : std::next(it);
        while (pages_.size() >= capacity_) {
            auto soonest = pages_.begin();
            for (auto it = pages_.begin(); it != pages_.end(); ++it)
                if (it->second.expires_ms < soonest->second.expires_ms)
                    soonest = it;
            pages_.erase(soonest);
        }
    }
    pages_[key] = page;
    return page;
}

void PageCache::Clear() {
    std::lock_guard<std::mutex> lock(mutex_);
    pages_.clear();
    ++generation_;
}

} // namespace trekhold
