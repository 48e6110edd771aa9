// Whether the counts of a sending could have come from a person at a computer. The record
// check proves nothing (anyone can compute it), so the server judges the counts itself.
//
// Time: a client counts a minute of uptime at most once per minute of wall time, and its
// counters start from zero when a key is issued (a key request clears them, an accepted
// sending hands out the next key). So the uptime of a sending is at most the minutes since
// the key it carries was issued, plus an allowance for the minute under way, a clock that
// ticks a little fast and a client that sends just after a key change: kAllowanceMinutes
// plus 1 % of the time passed. Usetime (minutes with input) is at most the uptime.
//
// Rates, per minute of usetime (a minute with input: every count of a sending happened in
// such a minute, or in the minute under way, which is counted too). Each limit is well above what a person sustains for a whole minute:
//  - keystrokes 1,500: the fastest typists on record keep about 200 words per minute, some
//    1,000 to 1,100 keystrokes with the spaces and shifts;
//  - clicks (left + right + special) 1,200: 20 a second, beyond the bursts of clicking
//    contests (about 14 a second by one finger, some 20 with two fingers, a few seconds);
//  - wheel scrolls 6,000: 100 notches a second, what a free-spinning wheel gives at full
//    spin;
//  - distance 100,000 cm (1 km): the pointer's path on the screen, which a high pointer
//    speed makes several times the hand's; a hand flick peaks at a few metres a second and
//    a whole minute of play stays far below 16 metres a second.
// A sending over a limit is not refused (the client would send it again forever); it is
// held for the operator (see the review command).
#pragma once

#include "server/sending_record.h"

#include <cstdint>
#include <string>

namespace trekhold {

constexpr int64_t kAllowanceMinutes = 5;
constexpr int64_t kMaxKeystrokesPerMinute = 1500;
constexpr int64_t kMaxClicksPerMinute = 1200;
constexpr int64_t kMaxScrollsPerMinute = 6000;
constexpr int64_t kMaxCentimetresPerMinute = 100000;

// Why `counts`, gathered in `elapsed_seconds` of wall time, cannot be a person's; the empty
// text when they can. A negative elapsed time (a clock set back) counts as zero.
std::string ImplausibleReason(const Counts& counts, int64_t elapsed_seconds);

} // namespace trekhold
