#include "app/sampling.h"

#include <gtest/gtest.h>

#include <climits>
#include <random>

namespace {

class SamplingTest : public ::testing::Test {
  protected:
    SamplingState state;
    CounterSet counters;

    void SetUp() override { ResetSampling(state, {500, 400}); }

    // The mouse still, the pointer where it was, nothing pressed.
    InputSnapshot Still() const {
        InputSnapshot in;
        in.cursor = state.PointActuel;
        return in;
    }
    TickActions Tick(const InputSnapshot& in) { return SamplingTick(state, counters, in); }
    // The physical mouse moved (DirectInput delta) and the pointer is now at `to`.
    TickActions MoveTo(ScreenPoint to) {
        InputSnapshot in = Still();
        in.mouse_dx = 1;
        in.cursor = to;
        return Tick(in);
    }
    TickActions Keys(std::initializer_list<int> keys) {
        InputSnapshot in = Still();
        for (int k : keys)
            in.keys[k] = 0x80;
        return Tick(in);
    }
    TickActions Buttons(MouseButtons b) {
        InputSnapshot in = Still();
        in.buttons = b;
        return Tick(in);
    }
    TickActions Wheel(int32_t delta) {
        InputSnapshot in = Still();
        in.wheel_delta = delta;
        return Tick(in);
    }
};

TEST_F(SamplingTest, PixelsBecomeCentimetresWithTheRestCarried) {
    MoveTo({600, 400}); // 100 px at 32 px/cm
    EXPECT_EQ(counters.Distance, 3);
    EXPECT_EQ(state.DecPixel, 4);
    MoveTo({628, 400});
    EXPECT_EQ(counters.Distance, 4);
    EXPECT_EQ(state.DecPixel, 0);

    // Each sample is rounded to whole pixels: a diagonal pixel (1.414) keeps 1, sqrt(13) 4.
    for (int i = 1; i <= 10; ++i)
        MoveTo({628 + i, 400 + i});
    MoveTo({640, 413});
    EXPECT_EQ(state.DecPixel, 14);

    EXPECT_EQ(RoundHalfEven(0.5), 0);
    EXPECT_EQ(RoundHalfEven(1.5), 2);
    EXPECT_EQ(RoundHalfEven(2.5), 2);
    EXPECT_EQ(RoundHalfEven(2.5000001), 3);
    EXPECT_EQ(RoundHalfEven(-1.5), -2);
}

TEST_F(SamplingTest, OnlyMovementConfirmedByTheDeviceIsCounted) {
    InputSnapshot in = Still();
    in.cursor = {900, 700}; // moved by software: the reference follows
    Tick(in);
    EXPECT_EQ(counters.Distance, 0);
    EXPECT_EQ(state.PointPrecedent, in.cursor);
    EXPECT_FALSE(state.ActiviteMinute);

    MoveTo({964, 700});
    in.cursor = {964 + 320, 700}; // no delta, but inside the window the device opened
    Tick(in);
    EXPECT_EQ(counters.Distance, 12);
    ClearMovementWindow(state);
    in.cursor = {0, 0};
    Tick(in);
    EXPECT_EQ(counters.Distance, 12);
    EXPECT_EQ(state.PointPrecedent, in.cursor);
}

TEST_F(SamplingTest, WheelRunIsOneScrollWhateverTheNotches) {
    for (int i = 0; i < 50; ++i)
        Wheel(i % 2 ? 120 : -240);
    EXPECT_EQ(counters.NScrolls, 1);
    EXPECT_TRUE(state.ActiviteMinute);
    Wheel(0); // one idle reading ends the run
    Wheel(120);
    EXPECT_EQ(counters.NScrolls, 2);
}

TEST_F(SamplingTest, ButtonPressesCountOnceReleasesNeverExtraButtonsOnlyWithMoreClics) {
    Buttons({0x80});
    Buttons({0x80});
    Buttons({0x01}); // still down
    Buttons({});
    Buttons({0, 0x80, 0x80});
    const MouseButtons extra{0, 0, 0, 0x80, 0x80, 0x80, 0x80, 0x80};
    Buttons(extra);
    Buttons({});
    EXPECT_EQ(counters.NCGauche, 1);
    EXPECT_EQ(counters.NCDroit, 1);
    EXPECT_EQ(counters.NCSpecial, 1);
    EXPECT_EQ(counters.NClics, 3);

    state.MoreClics = true;
    Buttons(extra);
    EXPECT_EQ(counters.NCSpecial, 6);
    EXPECT_EQ(counters.NClics, 8);
}

TEST_F(SamplingTest, KeysCountAsNewPressesOnly) {
    Keys({30}); // held at start: counted once on the first reading
    for (int i = 0; i < 1000; ++i)
        Keys({30});
    EXPECT_EQ(counters.NbTouches, 1);
    Keys({30, 31, 32}); // two new keys in one tick
    Keys({});
    Keys({30});
    EXPECT_EQ(counters.NbTouches, 4);

    // A held key keeps the icon active but is no activity of the minute.
    state.ActiviteMinute = false;
    EXPECT_FALSE(Keys({30}).raise_use_flag);
    EXPECT_GE(state.ImageIcone, state.NbIcones);

    // Any non-zero byte is "down", at any position of the scan.
    std::mt19937 random(7);
    KeyboardState previous{};
    int32_t expected = counters.NbTouches;
    for (int i = 0; i < 300; ++i) {
        InputSnapshot in = Still();
        for (auto& k : in.keys)
            k = random() % 4 == 0 ? static_cast<uint8_t>(random()) : 0;
        for (size_t k = 0; k < in.keys.size(); ++k)
            expected += in.keys[k] != 0 && previous[k] == 0 && (i > 0 || k != 30);
        previous = in.keys;
        Tick(in);
        ASSERT_EQ(counters.NbTouches, expected) << i;
    }
}

TEST_F(SamplingTest, UseFlagOnEveryTickOfAnActiveMinute) {
    EXPECT_FALSE(Tick(Still()).raise_use_flag);
    Keys({1});
    EXPECT_TRUE(Tick(Still()).raise_use_flag);
    EXPECT_TRUE(Tick(Still()).raise_use_flag);
}

TEST_F(SamplingTest, DiscardFlagSkipsTheWholeTickAndRebasesThePointer) {
    state.MouvementDx = true;
    InputSnapshot in = Still();
    in.discard_flag = 1;
    in.mouse_dx = 50;
    in.wheel_delta = 120;
    in.buttons = {0x80, 0x80, 0x80};
    in.keys[30] = 0x80;
    in.cursor = {1000, 10};
    TickActions a = Tick(in);
    EXPECT_TRUE(a.clear_discard_flag);
    EXPECT_FALSE(a.raise_use_flag);
    EXPECT_EQ(state.PointPrecedent, in.cursor);
    EXPECT_EQ(counters.Distance + counters.NClics + counters.NScrolls + counters.NbTouches, 0);

    MoveTo({1032, 10}); // counted from the new reference
    EXPECT_EQ(counters.Distance, 1);

    in.cursor_ok = false; // cannot rebase: the flag stays for the next tick
    EXPECT_FALSE(Tick(in).clear_discard_flag);
    EXPECT_EQ(state.PointPrecedent, (ScreenPoint{1032, 10}));
}

TEST_F(SamplingTest, FailedReadingSkipsOnlyWhatNeedsIt) {
    state.MouvementDx = true;
    InputSnapshot in = Still();
    in.mouse_ok = false; // no buttons, wheel or distance; keys still counted
    in.buttons = {0x80};
    in.wheel_delta = 1;
    in.cursor = {900, 400};
    in.keys[5] = 0x80;
    Tick(in);
    EXPECT_EQ(counters.NClics + counters.NScrolls + counters.Distance, 0);
    EXPECT_EQ(counters.NbTouches, 1);

    in.mouse_ok = true;
    in.keyboard_ok = false; // the mouse is still counted
    in.keys[6] = 0x80;
    Tick(in);
    EXPECT_EQ(counters.NbTouches, 1);
    EXPECT_EQ(counters.NCGauche, 1);

    in.cursor_ok = false; // no distance, reference kept
    in.cursor = {0, 0};
    Tick(in);
    EXPECT_EQ(state.PointPrecedent, (ScreenPoint{900, 400}));
    EXPECT_EQ(counters.Distance, 0);
}

TEST_F(SamplingTest, IconFramesStepPerCentimetreAndSwitchSetsOnActivity) {
    // Two frames per set: idle 0..1, active 2..3.
    MoveTo({532, 400});
    EXPECT_EQ(state.ImageIcone, 1);
    MoveTo({564, 400});
    EXPECT_EQ(state.ImageIcone, 0); // wrapped within the idle set
    state.ImageIcone = 3;
    AdvanceIconFrame(state, 1);
    EXPECT_EQ(state.ImageIcone, 2); // wrapped within the active set
    state.ImageIcone = state.ImageIconeAffichee = 0;

    TickActions a = Keys({10});
    EXPECT_TRUE(a.show_tray_frame);
    EXPECT_EQ(a.tray_frame, 2);
    EXPECT_FALSE(Keys({10}).show_tray_frame); // unchanged: nothing to show
    a = Keys({});
    EXPECT_TRUE(a.show_tray_frame);
    EXPECT_EQ(a.tray_frame, 0);

    // A long jump steps like as many single steps would.
    state.NbIcones = 5;
    state.ImageIcone = 7;
    AdvanceIconFrame(state, 1'000'000'003);
    EXPECT_EQ(state.ImageIcone, 5);

    state.Icon_Move_Global = false;
    Keys({11});
    MoveTo({900, 400});
    EXPECT_EQ(state.ImageIcone, 5);
}

TEST_F(SamplingTest, HugeJumpIsCountedExactlyAndDistanceSaturates) {
    ResetSampling(state, {INT_MIN, 0});
    MoveTo({INT_MAX, 0});
    // 4294967295 px = 134217727 cm of 32 px and 31 px over, beyond what 16 bits could carry.
    EXPECT_EQ(counters.Distance, 134217727);
    EXPECT_EQ(state.DecPixel, 31);
    counters.Distance = INT_MAX - 1;
    MoveTo({INT_MIN, INT_MIN});
    EXPECT_EQ(counters.Distance, INT_MAX);
}

TEST_F(SamplingTest, HostileSnapshotsNeverBreakTheState) {
    std::mt19937 random(12345);
    const int32_t extremes[] = {INT_MIN, INT_MIN + 1, -1, 0, 1, INT_MAX - 1, INT_MAX};
    auto pick = [&](bool extreme) {
        return extreme ? extremes[random() % 7] : static_cast<int32_t>(random());
    };
    state.MoreClics = true;
    for (int i = 0; i < 20000; ++i) {
        InputSnapshot in;
        const bool extreme = random() % 2;
        in.discard_flag = random() % 8 == 0 ? static_cast<uint8_t>(random()) : 0;
        in.mouse_ok = random() % 16 != 0;
        in.keyboard_ok = random() % 16 != 0;
        in.cursor_ok = random() % 16 != 0;
        in.mouse_dx = pick(extreme);
        in.mouse_dy = pick(extreme);
        in.wheel_delta = pick(extreme);
        in.cursor = {pick(extreme), pick(extreme)};
        for (auto& b : in.buttons)
            b = static_cast<uint8_t>(random());
        for (auto& k : in.keys)
            k = static_cast<uint8_t>(random() % 3 == 0 ? random() : 0);
        if (i % 1000 == 0) { // corrupted settings: any coefficient, carry, frame count
            state.Coef_distance = static_cast<int16_t>(pick(true));
            state.DecPixel = static_cast<int16_t>(pick(true));
            state.NbIcones = static_cast<uint8_t>(random());
            state.ImageIcone = static_cast<uint8_t>(random());
        }
        if (random() % 50 == 0)
            ClearMovementWindow(state);

        const CounterSet before = counters;
        const ScreenPoint reference = state.PointPrecedent;
        Tick(in);
        ASSERT_GE(state.DecPixel, 0);
        if (in.discard_flag == 0 && in.mouse_ok && in.cursor_ok && state.MouvementDx &&
            in.cursor != reference) {
            ASSERT_LT(state.DecPixel, std::max<int>(state.Coef_distance, 1));
        }
        ASSERT_GE(counters.Distance, before.Distance);
        ASSERT_GE(counters.NbTouches, before.NbTouches);
        ASSERT_EQ(counters.NClics, counters.NCGauche + counters.NCDroit + counters.NCSpecial);
        if (in.discard_flag == 0 && state.NbIcones > 0) { // the frame step ran
            ASSERT_LT(state.ImageIcone, 2 * std::min<int>(state.NbIcones, 127));
        }
    }
}

TEST(Coefficient, ScreenTakenAs32By24CentimetresNeverBelowOne) {
    EXPECT_EQ(Calcul_coefficient(1024, 768), 32);
    EXPECT_EQ(Calcul_coefficient(800, 600), 25);
    EXPECT_EQ(Calcul_coefficient(1280, 1024), 41); // 40 and 42.67
    EXPECT_EQ(Calcul_coefficient(1024, 792), 32);  // 32.5: halves to even
    EXPECT_EQ(Calcul_coefficient(1056, 816), 34);  // 33.5
    EXPECT_EQ(Calcul_coefficient(0, 0), 1);
    EXPECT_EQ(Calcul_coefficient(-1024, -768), 1);
    EXPECT_GT(Calcul_coefficient(INT_MAX, INT_MAX), 1000); // sizes held in 16 bits
}

} // namespace
