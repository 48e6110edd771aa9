// Rendered pages kept for a while, so a busy rankings page costs one database query per
// page and period instead of one per visitor. At most `capacity` pages are kept: when full,
// expired pages go first, then the one closest to expiry.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <string>

namespace trekhold {

class PageCache {
  public:
    PageCache(int64_t lifetime_ms, size_t capacity)
        : lifetime_ms_(lifetime_ms), capacity_(capacity) {}

    struct Page {
        std::string body;
        int64_t expires_ms = 0;
    };
    // The page kept under `key`, or a new one from `render` (called without the lock held;
    // two visitors at once may both render).
    Page Get(const std::string& key, int64_t now_ms, const std::function<std::string()>& render);
    // Forgets every page, after a change that must show at once (a member hiding their
    // page). A page being rendered meanwhile is answered but not kept.
    void Clear();

  private:
    int64_t lifetime_ms_;
    size_t capacity_;
    std::mutex mutex_;
    std::map<std::string, Page> pages_;
    uint64_t generation_ = 0; // counts the Clear calls
};

} // namespace trekhold
