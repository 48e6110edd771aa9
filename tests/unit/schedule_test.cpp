#include "app/schedule.h"
#include "storage/settings_store.h"

#include <gtest/gtest.h>

#include <map>

namespace {

class FakeClock : public Clock {
  public:
    LocalTime now;
    LocalTime Now() const override { return now; }
};

// Settings with default-and-write-back, as the program reads them.
struct FakeSettings {
    std::map<std::string, std::string> values;
    SettingReader reader() {
        return [this](const std::string& name, const std::string& def) {
            auto it = values.find(name);
            if (it == values.end())
                it = values.emplace(name, def).first;
            return it->second;
        };
    }
};

} // namespace

TEST(Schedule, FixedHourSendsOnceADayInTheFirstMinuteOfTheHour) {
    ScheduleState state;
    state.Autos = true;
    state.Hautos = 0;
    FakeClock clock;
    FakeSettings settings;
    int sendings = 0;
    for (int minute = 0; minute < 24 * 60; ++minute) {
        clock.now = LocalTime{minute / 60, minute % 60};
        if (MinuteTick(state, true, clock, settings.reader()).send) {
            EXPECT_EQ(minute, 0);
            ++sendings;
        }
    }
    EXPECT_EQ(sendings, 1);

    state.Autos = false;
    clock.now = LocalTime{0, 0};
    EXPECT_FALSE(MinuteTick(state, true, clock, settings.reader()).send);
}

TEST(Schedule, PeriodicSaveComesOnEveryNPlusFirstTickAndWritesItsDefaults) {
    ScheduleState state;
    FakeClock clock;
    FakeSettings settings;
    std::vector<int> saves;
    for (int tick = 1; tick <= 40; ++tick) {
        if (MinuteTick(state, true, clock, settings.reader()).save)
            saves.push_back(tick);
    }
    EXPECT_EQ(saves, (std::vector<int>{16, 32}));
    EXPECT_EQ(settings.values["Save_dist"], "True");
    EXPECT_EQ(settings.values["Save_distance"], "15");

    // Off: the minute counter stays where it was and nothing is saved.
    settings.values["Save_dist"] = "False";
    const int16_t before = state.Min_save_actuelle;
    for (int tick = 0; tick < 100; ++tick)
        EXPECT_FALSE(MinuteTick(state, true, clock, settings.reader()).save);
    EXPECT_EQ(state.Min_save_actuelle, before);

    // A damaged interval falls back to the default pace.
    settings.values["Save_dist"] = "true";
    settings.values["Save_distance"] = "lots";
    state.Min_save_actuelle = 0;
    int count = 0;
    for (int tick = 0; tick < 32; ++tick)
        count += MinuteTick(state, true, clock, settings.reader()).save;
    EXPECT_EQ(count, 2);
}

TEST(Schedule, SamplingFollowsTheCountingMenuEntry) {
    ScheduleState state;
    FakeClock clock;
    FakeSettings settings;
    EXPECT_TRUE(MinuteTick(state, true, clock, settings.reader()).timer1Enabled);
    EXPECT_FALSE(MinuteTick(state, false, clock, settings.reader()).timer1Enabled);
}

TEST(Schedule, DistanceWindowIncludesBothBounds) {
    EXPECT_FALSE(DistanceTickShouldSend(1, 99999));
    EXPECT_TRUE(DistanceTickShouldSend(1, 100000));
    EXPECT_TRUE(DistanceTickShouldSend(1, 102000));
    EXPECT_FALSE(DistanceTickShouldSend(1, 102001));
    EXPECT_TRUE(DistanceTickShouldSend(99, 9900000));
    EXPECT_FALSE(DistanceTickShouldSend(255, INT32_MAX));
    EXPECT_FALSE(DistanceTickShouldSend(0, -1));
    EXPECT_TRUE(DistanceTickShouldSend(0, 0));
}

TEST(Schedule, AutoSendModeAndByteSettings) {
    EXPECT_TRUE(ParseAutoSend("H").Autos);
    EXPECT_FALSE(ParseAutoSend("H").AutosKm);
    EXPECT_TRUE(ParseAutoSend("K").AutosKm);
    for (const char* other : {"none", "", "h", "k", "HK"}) {
        EXPECT_FALSE(ParseAutoSend(other).Autos) << other;
        EXPECT_FALSE(ParseAutoSend(other).AutosKm) << other;
    }
    EXPECT_EQ(SettingAsByte("23", 0), 23);
    EXPECT_EQ(SettingAsByte("7", 0), 7);
    EXPECT_EQ(SettingAsByte("256", 1), 1);
    EXPECT_EQ(SettingAsByte("-1", 1), 1);
    EXPECT_EQ(SettingAsByte("abc", 1), 1);
    EXPECT_EQ(SettingAsByte("", 0), 0);
}
