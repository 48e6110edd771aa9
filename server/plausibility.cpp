#include "server/plausibility.h"

#include <algorithm>

namespace trekhold {

namespace {

std::string OverRate(const char* what, int64_t count, int64_t usetime, int64_t per_minute) {
    // The minute under way is not in the usetime yet. Counts and usetime are at most 2^31:
    // no overflow.
    if (count <= (usetime + 1) * per_minute)
        return "";
    return std::to_string(count) + " " + what + " in " + std::to_string(usetime) +
           " min of usetime (at most " + std::to_string(per_minute) + " a minute)";
}

} // namespace

std::string ImplausibleReason(const Counts& c, int64_t elapsed_seconds) {
    int64_t elapsed_minutes = std::max<int64_t>(elapsed_seconds, 0) / 60;
    int64_t most = elapsed_minutes + elapsed_minutes / 100 + kAllowanceMinutes;
    if (c.uptime > most)
        return "uptime " + std::to_string(c.uptime) + " min, but only " +
               std::to_string(elapsed_minutes) + " min since the key was issued";
    if (c.usetime > c.uptime)
        return "usetime " + std::to_string(c.usetime) + " min above uptime " +
               std::to_string(c.uptime) + " min";
    std::string reason = OverRate("keystrokes", c.keystrokes, c.usetime, kMaxKeystrokesPerMinute);
    if (reason.empty())
        reason = OverRate("clicks", c.left_clicks + c.right_clicks + c.special_clicks, c.usetime,
                          kMaxClicksPerMinute);
    if (reason.empty())
        reason = OverRate("wheel scrolls", c.scrolls, c.usetime, kMaxScrollsPerMinute);
    if (reason.empty())
        reason = OverRate("cm", c.distance, c.usetime, kMaxCentimetresPerMinute);
    return reason;
}

} // namespace trekhold
