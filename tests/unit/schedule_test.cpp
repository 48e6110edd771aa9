#include "app/schedule.h"

#include <gtest/gtest.h>

#include <map>
#include <utility>
#include <vector>

namespace {

class FakeClock : public Clock {
  public:
    LocalTime now;
    LocalTime Now() const override { return now; }
};

class Schedule : public ::testing::Test {
  protected:
    ScheduleState state;
    FakeClock clock;
    std::map<std::string, std::string> settings; // default written back, as the program does
    MinuteTickDecision Tick(bool counting = true, bool sending = false) {
        return MinuteTick(state, counting, sending, clock, [this](Setting s) {
            return settings.emplace(InfoOf(s).name, DefaultOf(s)).first->second;
        });
    }
};

} // namespace

TEST_F(Schedule, FixedHourSendsOnceADayInTheFirstMinuteOfTheHour) {
    state.Autos = true;
    state.Hautos = 0;
    std::vector<int> sent;
    for (int minute = 0; minute < 24 * 60; ++minute) {
        clock.now = LocalTime{minute / 60, minute % 60};
        if (Tick().send)
            sent.push_back(minute);
    }
    EXPECT_EQ(sent, std::vector<int>{0});
    state.Autos = false;
    clock.now = LocalTime{0, 0};
    EXPECT_FALSE(Tick().send);
    EXPECT_TRUE(Tick(true).timer1Enabled);
    EXPECT_FALSE(Tick(false).timer1Enabled);
}

TEST_F(Schedule, PeriodicSaveComesOnEveryNPlusFirstTickAndWritesItsDefaults) {
    std::vector<int> saves;
    for (int tick = 1; tick <= 40; ++tick)
        if (Tick().save)
            saves.push_back(tick);
    EXPECT_EQ(saves, (std::vector<int>{16, 32}));
    EXPECT_EQ(settings["Save_dist"], "True");
    EXPECT_EQ(settings["Save_distance"], "15");

    // Off: the minute counter stays where it was and nothing is saved.
    settings["Save_dist"] = "False";
    const int16_t before = state.Min_save_actuelle;
    for (int tick = 0; tick < 100; ++tick)
        EXPECT_FALSE(Tick().save);
    EXPECT_EQ(state.Min_save_actuelle, before);

    // A damaged interval falls back to the default pace.
    settings["Save_dist"] = "true";
    settings["Save_distance"] = "lots";
    state.Min_save_actuelle = 0;
    int count = 0;
    for (int tick = 0; tick < 32; ++tick)
        count += Tick().save;
    EXPECT_EQ(count, 2);
}

TEST_F(Schedule, WhileASendingRunsSamplingStaysStoppedAndTheDueSaveWaits) {
    for (int tick = 0; tick < 15; ++tick)
        Tick();
    // The save falls due during a sending whose box stays up for a while.
    for (int tick = 0; tick < 3; ++tick) {
        const MinuteTickDecision during = Tick(true, true);
        EXPECT_FALSE(during.timer1Enabled);
        EXPECT_FALSE(during.save);
    }
    const MinuteTickDecision after = Tick();
    EXPECT_TRUE(after.timer1Enabled);
    EXPECT_TRUE(after.save);
    EXPECT_EQ(state.Min_save_actuelle, 0);
}

TEST(ScheduleRules, DistanceWindowAutoSendModeAndByteSettings) {
    const std::tuple<int, int32_t, bool> window[] = {
        {1, 99999, false},   {1, 100000, true},       {1, 102000, true}, {1, 102001, false},
        {99, 9900000, true}, {255, INT32_MAX, false}, {0, -1, false},    {0, 0, true}};
    for (auto [km, distance, send] : window)
        EXPECT_EQ(DistanceTickShouldSend(km, distance), send) << km << " " << distance;

    EXPECT_TRUE(ParseAutoSend("H").Autos);
    EXPECT_FALSE(ParseAutoSend("H").AutosKm);
    EXPECT_TRUE(ParseAutoSend("K").AutosKm);
    for (const char* other : {"none", "", "h", "HK"})
        EXPECT_FALSE(ParseAutoSend(other).Autos || ParseAutoSend(other).AutosKm) << other;

    EXPECT_EQ(SettingAsByte("23", 0), 23);
    for (const char* bad : {"256", "-1", "abc", ""})
        EXPECT_EQ(SettingAsByte(bad, 1), 1) << bad;
}

TEST(ScheduleRules, TickClockMovesOneMinuteEachTickAndWrapsAtMidnight) {
    const auto start = ParseClockTime("23:58");
    ASSERT_TRUE(start);
    TickClock clock(*start);
    std::vector<std::pair<int, int>> seen;
    for (int tick = 0; tick < 3; ++tick) {
        clock.Tick();
        seen.emplace_back(clock.Now().hour, clock.Now().minute);
    }
    EXPECT_EQ(seen, (std::vector<std::pair<int, int>>{{23, 59}, {0, 0}, {0, 1}}));
    for (const char* bad : {"24:00", "12:60", "1:00", "12-00", "", "12:00 "})
        EXPECT_FALSE(ParseClockTime(bad)) << bad;
}
