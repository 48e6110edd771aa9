#include "app/duration_text.h"
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

TEST(DurationText, YearsOnlyFromOneDaysHoursMinutesWithPlurals) {
    const LocalWords english = EnglishDurationWord;
    EXPECT_EQ(DurationText(3000, english), L"2 Days  2 Hours  0 Min");
    EXPECT_EQ(DurationText(0, english), L"0 Day  0 Hour  0 Min");
    EXPECT_EQ(DurationText(1501, english), L"1 Day  1 Hour  1 Min");
    EXPECT_EQ(DurationText(59, english), L"0 Day  0 Hour  59 Min"); // minutes never plural
    EXPECT_EQ(DurationText(525599, english), L"364 Days  23 Hours  59 Min");
    EXPECT_EQ(DurationText(525600, english), L"1 Year  0 Day  0 Hour  0 Min");
    EXPECT_EQ(DurationText(2 * 525600 + 1501, english), L"2 Years  1 Day  1 Hour  1 Min");
    EXPECT_EQ(DurationText(INT_MAX, english), L"4085 Years  283 Days  2 Hours  7 Min");
}

TEST(DurationText, WordsComeFromTheLookup) {
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
