#include "ui/duration_text.h"
#include "app/minute_accounting.h"

#include <gtest/gtest.h>

#include <climits>

namespace {

TEST(MinuteAccounting, FrozenDuringASendingActivityCountedInTheFirstMinuteAfter) {
    CounterSet c;
    bool activity = false;
    EXPECT_TRUE(MinuteAccounting(c, activity, false));
    activity = true; // input seen while a sending runs
    for (int i = 0; i < 3; ++i)
        EXPECT_FALSE(MinuteAccounting(c, activity, true));
    EXPECT_EQ(c.UpTime, 1);
    EXPECT_EQ(c.UseTime, 0);
    EXPECT_TRUE(MinuteAccounting(c, activity, false));
    EXPECT_FALSE(activity);
    EXPECT_EQ(c.UpTime, 2);
    EXPECT_EQ(c.UseTime, 1);

    c.UpTime = c.UseTime = INT_MAX; // saturates, never wraps
    activity = true;
    MinuteAccounting(c, activity, false);
    EXPECT_EQ(c.UpTime, INT_MAX);
    EXPECT_EQ(c.UseTime, INT_MAX);
}

TEST(DurationText, YearsOnlyFromOneDaysHoursMinutesWithPluralsAndLocalWords) {
    const std::pair<int64_t, const wchar_t*> cases[] = {
        {0, L"0 Day  0 Hour  0 Min"},
        {1501, L"1 Day  1 Hour  1 Min"},
        {3000, L"2 Days  2 Hours  0 Min"}, // minutes never plural
        {525599, L"364 Days  23 Hours  59 Min"},
        {525600, L"1 Year  0 Day  0 Hour  0 Min"},
        {INT_MAX, L"4085 Years  283 Days  2 Hours  7 Min"}};
    for (auto [minutes, text] : cases)
        EXPECT_EQ(DurationText(minutes, EnglishDurationWord), text) << minutes;

    const LocalWords french = [](int id) -> std::wstring {
        return id == kWordYear   ? L"An"
               : id == kWordDay  ? L"Jour"
               : id == kWordHour ? L"Heure"
                                 : L"Min";
    };
    EXPECT_EQ(DurationText(525600 * 2 + 3000, french), L"2 Ans  2 Jours  2 Heures  0 Min");
    EXPECT_EQ(DurationText(61, nullptr), L"0 Day  1 Hour  1 Min"); // no lookup: English
}

TEST(AfficheUpUseTime, TotalsAddTheConfirmedAndTheCurrentMinutes) {
    CounterSet c;
    c.UpTime = 3000;
    c.UpTime_Ever = INT_MAX; // the sum does not fit 32 bits
    c.UseTime = 1;
    c.UseTime_Ever = 59;
    const UpUseTimeTexts t = AfficheUpUseTime(c, EnglishDurationWord);
    EXPECT_EQ(t.current_uptime, L"2 Days  2 Hours  0 Min");
    EXPECT_EQ(t.total_uptime, DurationText(int64_t{INT_MAX} + 3000, EnglishDurationWord));
    EXPECT_EQ(t.current_usetime, L"0 Day  0 Hour  1 Min");
    EXPECT_EQ(t.total_usetime, L"0 Day  1 Hour  0 Min");
}

} // namespace
