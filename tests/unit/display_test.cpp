#include "app/speed_meter.h"
#include "tests/fakes/display_flags.h"
#include "tests/fakes/memory_stores.h"
#include "ui/display_layout.h"
#include "ui/display_lines.h"
#include "ui/window_effects.h"

#include <gtest/gtest.h>

#include <limits>
#include <map>
#include <vector>

using namespace display;

namespace {

class FakeInputsLabels : public InputsLabels {
  public:
    void SetLabel(InputsLabel label, const std::wstring& text) override {
        texts[label] = text;
        ++writes;
    }
    std::map<InputsLabel, std::wstring> texts;
    int writes = 0;
};

const Units kMetric{true, L"."};
const Units kEnglish{false, L","};

} // namespace

TEST(DisplayLayout, SizeTableLinesAndTwips) {
    const DisplaySize two_lines = DDSize(2, true, DisplayFlagsOf("13"));
    EXPECT_EQ(two_lines.lines, 2);
    EXPECT_EQ(two_lines.height, 480);
    EXPECT_EQ(two_lines.width, 2300);

    const DisplaySize with_uptime = DDSize(2, true, DisplayFlagsOf("04"));
    EXPECT_EQ(with_uptime.font_points, 10);
    EXPECT_EQ(with_uptime.width, 4069); // 2300 + 1769
    EXPECT_EQ(with_uptime.height, 480);

    EXPECT_EQ(DDSize(7, false, DisplayFlagsOf("5")).width, 9800 + 7538); // usetime alone widens too
    EXPECT_EQ(DDSize(-1, false, DisplayFlagsOf("0")).width, 1800);
    // Nothing shown still leaves one line; an out-of-range size takes the nearest row.
    EXPECT_EQ(DDSize(1, true, DisplayFlags{}).height, 200);
    EXPECT_EQ(DDSize(42, true, DisplayFlags{}).font_points, 36);
    EXPECT_EQ(DDSize(-9, true, DisplayFlags{}).font_points, 6);

    EXPECT_EQ(TwipsToPixels(4069, 96), 271);
    EXPECT_EQ(TwipsToPixels(4069, 144), 407);
    EXPECT_EQ(TwipsToPixels(480, 144), 48);
    EXPECT_EQ(TwipsToPixels(-15, 96), -1);
    EXPECT_EQ(TwipsToPixels(7, 96), 0);  // 0.47 pixel
    EXPECT_EQ(TwipsToPixels(5, 144), 0); // half a pixel: to the even one
    EXPECT_EQ(TwipsToPixels(15, 144), 2);
    EXPECT_EQ(PixelsToTwips(100, 96), 1500);
    EXPECT_EQ(PixelsToTwips(100, 144), 1000);
    EXPECT_EQ(TwipsToPixels(PixelsToTwips(913, 144), 144), 913);
}

TEST(DisplayLayout, OpacityAndStoredPositions) {
    EXPECT_EQ(OpacityFromTransparency(30), 188); // 187.5, half to even
    EXPECT_EQ(OpacityFromTransparency(0), 255);
    EXPECT_EQ(OpacityFromTransparency(100), 30);
    EXPECT_EQ(OpacityFromTransparency(10), 232); // 232.5
    EXPECT_EQ(OpacityFromTransparency(95), 41);  // 41.25
    EXPECT_EQ(OpacityFromTransparency(-50), 255);
    EXPECT_EQ(OpacityFromTransparency(5000), 0);

    EXPECT_EQ(PositionFromSetting("4500"), 4500);
    EXPECT_EQ(PositionFromSetting("-150"), -150);
    EXPECT_EQ(PositionFromSetting("40000"), 40000); // beyond 16 bits on a wide screen
    for (const char* bad : {"x", "", "-", "+5", "12a", " 12", "99999999999", "1e3"})
        EXPECT_EQ(PositionFromSetting(bad), std::nullopt) << bad;

    EXPECT_EQ(ColourFromSetting("16777215"), 0xFFFFFFu);
    EXPECT_EQ(ColourFromSetting("255"), 0xFFu);
    for (const char* bad : {"x", "-1", "16777216", "red"})
        EXPECT_EQ(ColourFromSetting(bad), std::nullopt) << bad;
}

TEST(DisplayLayout, PlacementOnTheWorkArea) {
    const Rect screen{0, 0, 1024, 768};
    const Rect work = WithoutTaskbar(screen, {0, 738, 1024, 768}); // a taskbar of 30 pixels
    EXPECT_EQ(work.bottom, 738);
    EXPECT_EQ(WithoutTaskbar(screen, {0, 0, 1024, 30}).top, 30);
    EXPECT_EQ(WithoutTaskbar(screen, {984, 0, 1024, 768}).right, 984);
    EXPECT_EQ(WithoutTaskbar(screen, {0, 0, 40, 768}).left, 40);
    EXPECT_EQ(WithoutTaskbar(work, {0, 738, 1024, 768}).bottom, 738); // already outside
    const Rect first = FirstPosition(153, 64, work, 8);
    EXPECT_EQ(first.right, 1016);
    EXPECT_EQ(first.bottom, 730);
    EXPECT_EQ(first.width(), 153);

    // Left on a monitor that is gone: moved onto the remaining one, size kept.
    const Rect gone{1500, 200, 1653, 264};
    EXPECT_FALSE(Intersects(gone, work));
    const Rect back = MoveInside(gone, work);
    EXPECT_EQ(back.left, 871);
    EXPECT_EQ(back.top, 200);
    EXPECT_EQ(back.height(), 64);
    const Rect above = MoveInside({-300, -900, -100, -800}, work);
    EXPECT_EQ(above.left, 0);
    EXPECT_EQ(above.top, 0);
    // Larger than the area: its top-left corner stays on the area.
    const Rect huge = MoveInside({500, 500, 2500, 1500}, work);
    EXPECT_EQ(huge.left, 0);
    EXPECT_EQ(huge.top, 0);
    EXPECT_TRUE(Intersects({1000, 700, 1100, 800}, work)); // partly on: left where it is
}

TEST(DisplayLines, DistanceTexts) {
    EXPECT_EQ(DisplayDistanceText(DecoupeDistance(1234567), kMetric), L"12Km 345M 67Cm");
    EXPECT_EQ(DisplayDistanceText(DecoupeDistance(1200005), kMetric), L"12Km 000M 05Cm");
    EXPECT_EQ(DisplayDistanceText(DecoupeDistance(0), kMetric), L"0Km 000M 00Cm");
    EXPECT_EQ(DisplayDistanceText(DecoupeDistance(1234567), kEnglish), L"7,46Mi 379,5Yd 26In");
    EXPECT_EQ(InputsDistanceText(DecoupeDistance(1234567), kMetric), L"12 Km  345 M  67 Cm");
    EXPECT_EQ(InputsDistanceText(DecoupeDistance(1200005), kEnglish), L"7,46 Mi  0 Yd  1 In");

    CounterSet c;
    c.Ever_CmSouris = 60;
    c.Ever_MSouris = 999;
    c.Ever_KmSouris = 3;
    c.Distance = 45;
    EXPECT_EQ(DisplayDistanceText(TotalDistance(c), kMetric), L"4Km 000M 05Cm");

    // Past 32,767 km the total stays exact (a 16-bit part would wrap negative).
    c.Ever_KmSouris = 32767;
    c.Ever_MSouris = 999;
    c.Ever_CmSouris = 99;
    c.Distance = std::numeric_limits<int32_t>::max(); // 21474 km 836 m 47 cm
    const DistanceKmMCm total = TotalDistance(c);
    EXPECT_EQ(total.km, 32767 + 21474 + 1);
    EXPECT_EQ(DisplayDistanceText(total, kMetric), L"54242Km 836M 46Cm");
    EXPECT_EQ(InputsDistanceText(total, kEnglish), L"33711,62 Mi  919,6 Yd  18 In");
}

TEST(DisplayLines, RefreshBuildsShownLinesOnlyWhenCountsMove) {
    DisplayState s;
    s.DDisplay_ouverte = true;
    s.LinesNeedRebuild = true; // as on opening
    const DisplayFlags flags = DisplayFlagsOf("13");
    CounterSet c;
    c.NbTouches = 1234;
    c.NCGauche = c.NClics = 5;
    c.Distance = 999;

    auto text = TimerAffichageD_Tick(s, c, flags, kMetric, nullptr);
    ASSERT_TRUE(text);
    EXPECT_EQ(*text, L"  1 234 Keys\r\n   0 Scrolls");
    EXPECT_TRUE(s.Display_DistanceStr.empty()); // hidden lines are not computed
    EXPECT_TRUE(s.Display_ClicsStr.empty());

    EXPECT_FALSE(TimerAffichageD_Tick(s, c, flags, kMetric, nullptr)); // nothing moved
    c.Distance = 5000; // moved, but its line is hidden: the label stays
    EXPECT_FALSE(TimerAffichageD_Tick(s, c, flags, kMetric, nullptr));
    c.NScrolls = 1234567;
    EXPECT_EQ(*TimerAffichageD_Tick(s, c, flags, kMetric, nullptr),
              L"  1 234 Keys\r\n 1 234 567 Scrolls");

    // Totals add the confirmed counts without overflowing 32 bits.
    MemorySettingsStore settings;
    c.NbTouches_Ever = std::numeric_limits<int32_t>::max();
    CycleMode(s, c, true, settings);
    EXPECT_EQ(*TimerAffichageD_Tick(s, c, flags, kMetric, nullptr),
              L"2 147 484 881 Keys\r\n 1 234 567 Scrolls");
}

TEST(DisplayLines, InputsLabelsFollowWhileThePageShows) {
    DisplayState s;
    const DisplayFlags flags = DisplayFlagsOf("0123");
    FakeInputsLabels labels;
    CounterSet c;
    c.NCDroit = 2;
    c.NCDroit_Ever = 40;
    c.NClics = 2;
    c.Distance = 1234567;

    TimerAffichageD_Tick(s, c, flags, kMetric, &labels); // neither open: nothing
    EXPECT_EQ(labels.writes, 0);

    s.Config_ouverte = true;
    s.ConfigNeedRefresh = true;
    EXPECT_FALSE(TimerAffichageD_Tick(s, c, flags, kMetric, &labels)); // no display text
    EXPECT_EQ(labels.texts[InputsLabel::distance_courante], L"12 Km  345 M  67 Cm");
    EXPECT_EQ(labels.texts[InputsLabel::LTotalDroit], L"   42");
    EXPECT_EQ(labels.texts[InputsLabel::LTotalClics], L"   42");
    EXPECT_EQ(labels.texts[InputsLabel::LTouches], L"   0");
    EXPECT_FALSE(s.ConfigNeedRefresh);

    const int before = labels.writes;
    TimerAffichageD_Tick(s, c, flags, kMetric, &labels);
    EXPECT_EQ(labels.writes, before); // only changed counters are rewritten
    c.NScrolls = 7;
    TimerAffichageD_Tick(s, c, flags, kMetric, &labels);
    EXPECT_EQ(labels.texts[InputsLabel::LScrolls], L"   7");
    EXPECT_TRUE(s.Display_ScrollsStr.empty()); // the display is closed

    const UpUseTimeTexts times{L"T-up", L"T-use", L"up", L"use"};
    AfficheUpUseTime(s, flags, times, &labels);
    EXPECT_EQ(labels.texts[InputsLabel::LTotalUT], L"T-up");
    EXPECT_EQ(labels.texts[InputsLabel::LUST], L"use");
}

TEST(DisplayLines, UptimeTextsFollowTheMode) {
    DisplayState s;
    s.DDisplay_ouverte = true;
    const UpUseTimeTexts times{L"T-up", L"T-use", L"up", L"use"};
    AfficheUpUseTime(s, DisplayFlagsOf("45"), times, nullptr);
    EXPECT_EQ(DisplayText(s, DisplayFlagsOf("45")), L"up\r\nuse");
    s.Display_current = false; // Total, and Speed alike
    AfficheUpUseTime(s, DisplayFlagsOf("4"), times, nullptr);
    EXPECT_EQ(s.Display_UptimeStr, L"T-up");
    EXPECT_EQ(s.Display_UseTimeStr, L"use"); // its line is off: left as it was
    EXPECT_EQ(DisplayText(s, DisplayFlags{}), L"");
}

TEST(DisplayLines, ModeCycleWritesItsSettings) {
    DisplayState s;
    s.DDisplay_ouverte = true;
    MemorySettingsStore settings;
    CounterSet c;
    c.Distance = 45;
    c.NbTouches = 3;
    c.Ever_KmSouris = 3;
    const DisplayFlags flags = DisplayFlagsOf("01");
    TimerAffichageD_Tick(s, c, flags, kMetric, nullptr);
    const auto stored = [&](const char* name) { return *settings.Read(kSettingsKey + name); };

    EXPECT_EQ(CycleMode(s, c, true, settings), SpeedTimerChange::None);
    EXPECT_EQ(s.Mode(), DisplayMode::Total);
    EXPECT_EQ(stored("DDCurrent"), "False");
    EXPECT_EQ(stored("DDSpeed"), "False");
    EXPECT_EQ(*TimerAffichageD_Tick(s, c, flags, kMetric, nullptr), L"3Km 000M 45Cm\r\n   3 Keys");

    c.NbTouches = 9;
    EXPECT_EQ(CycleMode(s, c, true, settings), SpeedTimerChange::Start);
    EXPECT_EQ(s.Mode(), DisplayMode::Speed);
    EXPECT_EQ(stored("DDSpeed"), "True");
    EXPECT_EQ(s.LastTouchesAffiched, 9);
    EXPECT_EQ(*TimerAffichageD_Tick(s, c, flags, kMetric, nullptr), L"0 M/min\r\n0 Keys/min");
    c.NbTouches = 14; // typed while in Speed mode: gathered, not shown as a count
    EXPECT_FALSE(TimerAffichageD_Tick(s, c, flags, kMetric, nullptr));
    EXPECT_EQ(s.TotalTouchesSeconde, 5);

    EXPECT_EQ(CycleMode(s, c, true, settings), SpeedTimerChange::Stop);
    EXPECT_EQ(s.Mode(), DisplayMode::ToBeSent);
    EXPECT_EQ(stored("DDCurrent"), "True");
    EXPECT_EQ(stored("DDSpeed"), "False");
    EXPECT_EQ(*TimerAffichageD_Tick(s, c, flags, kMetric, nullptr), L"0Km 000M 45Cm\r\n   14 Keys");

    // A Total entered with counts that equal the reset last-seen values still shows totals.
    c = CounterSet{};
    c.Ever_KmSouris = 7;
    CycleMode(s, c, false, settings);
    EXPECT_EQ(*TimerAffichageD_Tick(s, c, flags, kEnglish, nullptr),
              L"4,35Mi 0Yd 0In\r\n   0 Keys");
    CycleMode(s, c, false, settings);
    EXPECT_EQ(s.Display_DistanceStr, L"0 Yd/min");
}

TEST(WindowEffects, FadeStepsAndPlatforms) {
    std::vector<int> steps;
    uint8_t opacity = 0;
    while (const auto next = NextFadeOpacity(opacity))
        steps.push_back(opacity = *next);
    EXPECT_EQ(steps.size(), 13u); // the 14th tick ends the fade
    EXPECT_EQ(steps.front(), 18);
    EXPECT_EQ(steps.back(), 234);

    EXPECT_TRUE(EstNtVersion(2, 5));
    EXPECT_TRUE(EstNtVersion(2, 10));
    EXPECT_FALSE(EstNtVersion(2, 4));
    EXPECT_FALSE(EstNtVersion(1, 5));
}

TEST(SpeedMeter, DistanceRate) {
    EXPECT_EQ(SpeedDistanceText(150, kMetric), L"90 M/min");
    EXPECT_EQ(SpeedDistanceText(150, kEnglish), L"99 Yd/min");
    EXPECT_EQ(SpeedDistanceText(0, kMetric), L"0 M/min");
    EXPECT_EQ(SpeedDistanceText(0, kEnglish), L"0 Yd/min");
    EXPECT_EQ(SpeedDistanceText(7, kEnglish), L"4,62 Yd/min");
    EXPECT_EQ(SpeedDistanceText(1, kMetric), L"0.6 M/min");
    EXPECT_EQ(SpeedDistanceText(-12000, kMetric), L"0 M/min"); // a sending emptied Distance
}

TEST(SpeedMeter, OneSecondOfDistanceDespiteTheRefresh) {
    DisplayState s;
    s.DDisplay_ouverte = true;
    SpeedMeter meter;
    CounterSet c;
    c.Distance = 1000;
    EnterSpeedMode(s, c, true);
    meter.Start(c.Distance);
    const DisplayFlags flags = DisplayFlagsOf("0");
    // Ten refresh ticks of 15 cm each, then the speed tick.
    for (int i = 0; i < 10; ++i) {
        c.Distance += 15;
        TimerAffichageD_Tick(s, c, flags, kMetric, nullptr);
    }
    TimerVitesse_Timer(meter, s, c, flags, kMetric);
    EXPECT_EQ(s.Display_DistanceStr, L"90 M/min");
    TimerVitesse_Timer(meter, s, c, flags, kMetric);
    EXPECT_EQ(s.Display_DistanceStr, L"0 M/min");
    c.Distance = 0; // a sending
    TimerVitesse_Timer(meter, s, c, flags, kMetric);
    EXPECT_EQ(s.Display_DistanceStr, L"0 M/min");
}

TEST(SpeedMeter, RingsOfSixtySeconds) {
    DisplayState s;
    s.DDisplay_ouverte = true;
    SpeedMeter meter;
    CounterSet c;
    const DisplayFlags flags = DisplayFlagsOf("12");
    EnterSpeedMode(s, c, true);
    meter.Start(0);
    meter.VitesseTouches.fill(9); // left from an earlier Speed mode: emptied at the first tick

    c.NbTouches = 120;
    c.NCDroit = c.NClics = 3;
    c.NScrolls = 300; // its line is hidden
    TimerAffichageD_Tick(s, c, flags, kMetric, nullptr);
    TimerVitesse_Timer(meter, s, c, flags, kMetric);
    EXPECT_EQ(meter.CaseVitesse, 1);
    EXPECT_EQ(s.Display_TouchesStr, L"120 Keys/min");
    EXPECT_EQ(s.Display_ClicsStr, L"3 Clicks/min");
    EXPECT_EQ(s.Display_ScrollsStr, L"0 Scrolls/min"); // not computed
    EXPECT_EQ(s.TotalScrollsSeconde, 300 % 256);       // 8 bits; not emptied while hidden

    for (int second = 2; second <= 60; ++second)
        TimerVitesse_Timer(meter, s, c, flags, kMetric);
    EXPECT_EQ(meter.CaseVitesse, 60);
    EXPECT_EQ(s.Display_TouchesStr, L"120 Keys/min");
    TimerVitesse_Timer(meter, s, c, flags, kMetric); // second 61 overwrites slot 1
    EXPECT_EQ(meter.CaseVitesse, 1);
    EXPECT_EQ(s.Display_TouchesStr, L"0 Keys/min");

    meter.Start(0); // entering Speed mode again keeps the slot number
    TimerVitesse_Timer(meter, s, c, flags, kMetric);
    EXPECT_EQ(meter.CaseVitesse, 2);

    s.DDisplay_ouverte = false; // closed: the tick does nothing
    TimerVitesse_Timer(meter, s, c, flags, kMetric);
    EXPECT_EQ(meter.CaseVitesse, 2);
}
