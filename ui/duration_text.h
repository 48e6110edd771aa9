// Durations in minutes as the user reads them: "2 Days  2 Hours  0 Min".
#pragma once

#include "base/counter_set.h"

#include <cstdint>
#include <functional>
#include <string>

// Localised words by identifier: 920 "Year", 930 "Day", 940 "Hour", 950 "Min" (the caller
// passes the string table lookup for the current language).
using LocalWords = std::function<std::wstring(int id)>;

enum DurationWord : int {
    kWordYear = 920,
    kWordDay = 930,
    kWordHour = 940,
    kWordMin = 950,
};

// The English words, for tests and as a fallback.
std::wstring EnglishDurationWord(int id);

// Years (only when there is at least one), days, hours and minutes, separated by two spaces;
// the year, day and hour words take an "s" when their number is greater than 1, the minute
// word never. 64-bit, so the sum of a total and a to-be-sent count never overflows.
std::wstring DurationText(int64_t minutes, const LocalWords& words);

// The four texts of `AfficheUpUseTime`.
struct UpUseTimeTexts {
    std::wstring total_uptime;    // UpTime_Ever + UpTime
    std::wstring total_usetime;   // UseTime_Ever + UseTime
    std::wstring current_uptime;  // UpTime
    std::wstring current_usetime; // UseTime
};

UpUseTimeTexts AfficheUpUseTime(const CounterSet& counters, const LocalWords& words);
