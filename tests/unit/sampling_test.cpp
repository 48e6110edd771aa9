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

    // A reading with the mouse still, the pointer where it was and nothing pressed.
    InputSnapshot Still() const {
        InputSnapshot in;
        in.cursor = state.PointActuel;
        return in;
    }
    // The physical mouse moved (DirectInput delta) and the pointer is now at `to`.
    TickActions MoveTo(ScreenPoint to) {
        InputSnapshot in = Still();
        in.mouse_dx = 1;
        in.cursor = to;
        return SamplingTick(state, counters, in);
    }
    TickActions Tick(const InputSnapshot& in) { return SamplingTick(state, counters, in); }
    TickActions PressKeys(std::initializer_list<int> keys) {
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

TEST_F(SamplingTest, HundredPixelJumpAtCoefficient32MakesThreeCentimetresAndCarriesFour) {
    MoveTo({600, 400});
    EXPECT_EQ(counters.Distance, 3);
    EXPECT_EQ(state.DecPixel, 4);
    EXPECT_EQ(state.PointPrecedent, (ScreenPoint{600, 400}));

    // The carried pixels complete the next centimetre.
    MoveTo({628, 400});
    EXPECT_EQ(counters.Distance, 4);
    EXPECT_EQ(state.DecPixel, 0);
}

TEST_F(SamplingTest, EachSampleIsRoundedToWholePixelsHalvesToEven) {
    // A diagonal step of one pixel is 1.414 px and keeps only 1: fractions are not carried.
    for (int i = 1; i <= 10; ++i)
        MoveTo({500 + i, 400 + i});
    EXPECT_EQ(state.DecPixel, 10);
    // sqrt(13) = 3.61 rounds up to 4.
    MoveTo({512, 413});
    EXPECT_EQ(state.DecPixel, 14);

    EXPECT_EQ(RoundHalfEven(0.5), 0);
    EXPECT_EQ(RoundHalfEven(1.5), 2);
    EXPECT_EQ(RoundHalfEven(2.5), 2);
    EXPECT_EQ(RoundHalfEven(2.5000001), 3);
    EXPECT_EQ(RoundHalfEven(-0.5), 0);
    EXPECT_EQ(RoundHalfEven(-1.5), -2);
}

TEST_F(SamplingTest, PointerMovedBySoftwareAddsNothing) {
    // No DirectInput delta: the reference follows the pointer.
    InputSnapshot in = Still();
    in.cursor = {900, 700};
    Tick(in);
    EXPECT_EQ(counters.Distance, 0);
    EXPECT_EQ(state.PointPrecedent, (ScreenPoint{900, 700}));
    EXPECT_FALSE(state.ActiviteMinute);

    // Confirmed movement counts until the movement window is cleared...
    MoveTo({964, 700});
    EXPECT_EQ(counters.Distance, 2);
    in.cursor = {964 + 320, 700};
    Tick(in); // still inside the window opened by the device delta
    EXPECT_EQ(counters.Distance, 12);
    // ...and stops counting after it.
    ClearMovementWindow(state);
    in.cursor = {0, 0};
    Tick(in);
    EXPECT_EQ(counters.Distance, 12);
    EXPECT_EQ(state.PointPrecedent, (ScreenPoint{0, 0}));
}

TEST_F(SamplingTest, WheelRunIsOneScrollWhateverTheNotches) {
    for (int i = 0; i < 50; ++i)
        Wheel(i % 2 ? 120 : -240);
    EXPECT_EQ(counters.NScrolls, 1);
    EXPECT_TRUE(state.ActiviteMinute);

    Wheel(0); // one idle reading ends the episode
    Wheel(120);
    EXPECT_EQ(counters.NScrolls, 2);
}

TEST_F(SamplingTest, ButtonPressesCountOnceAndReleasesNever) {
    Buttons({0x80, 0, 0});
    Buttons({0x80, 0, 0}); // held
    Buttons({0, 0, 0});    // released
    Buttons({0, 0x80, 0x80});
    Buttons({0, 0, 0});
    EXPECT_EQ(counters.NCGauche, 1);
    EXPECT_EQ(counters.NCDroit, 1);
    EXPECT_EQ(counters.NCSpecial, 1);
    EXPECT_EQ(counters.NClics, 3);
    EXPECT_TRUE(state.ActiviteMinute);

    // A change between two "down" bytes is not a new press.
    Buttons({0x80, 0, 0});
    Buttons({0x01, 0, 0});
    EXPECT_EQ(counters.NCGauche, 2);
}

TEST_F(SamplingTest, ButtonsFourToEightCountOnlyWithMoreClics) {
    const MouseButtons extra{0, 0, 0, 0x80, 0x80, 0x80, 0x80, 0x80};
    Buttons(extra);
    Buttons({});
    EXPECT_EQ(counters.NClics, 0);
    EXPECT_FALSE(state.ActiviteMinute);

    state.MoreClics = true;
    Buttons(extra);
    Buttons({});
    EXPECT_EQ(counters.NCSpecial, 5);
    EXPECT_EQ(counters.NClics, 5);
    EXPECT_EQ(counters.NCGauche + counters.NCDroit, 0);
}

TEST_F(SamplingTest, KeysCountAsNewPressesOnly) {
    PressKeys({30}); // held at start: counted once on the first reading
    for (int i = 0; i < 1000; ++i)
        PressKeys({30});
    EXPECT_EQ(counters.NbTouches, 1);

    PressKeys({30, 31, 32}); // two new keys in one tick
    EXPECT_EQ(counters.NbTouches, 3);

    PressKeys({});
    PressKeys({30});
    PressKeys({});
    PressKeys({30});
    EXPECT_EQ(counters.NbTouches, 5);
}

TEST_F(SamplingTest, AnyNonZeroByteIsADownKey) {
    // Random readings with any byte values, against a plain count of up-to-down changes.
    std::mt19937 random(7);
    KeyboardState previous{};
    int32_t expected = 0;
    for (int i = 0; i < 500; ++i) {
        InputSnapshot in = Still();
        for (size_t k = 0; k < 255; ++k) {
            const uint32_t r = random();
            in.keys[k] = r % 4 == 0 ? static_cast<uint8_t>(r >> 8) : 0;
            expected += in.keys[k] != 0 && previous[k] == 0;
        }
        in.keys[255] = i % 2 ? 0x01 : 0; // the last key, with the smallest "down" byte
        expected += in.keys[255] != 0 && previous[255] == 0;
        previous = in.keys;
        Tick(in);
        ASSERT_EQ(counters.NbTouches, expected) << i;
    }
}

TEST_F(SamplingTest, HeldKeyKeepsTheIconActiveButNotTheMinute) {
    PressKeys({30});
    state.ActiviteMinute = false; // as after a minute accounting
    TickActions a = PressKeys({30});
    EXPECT_FALSE(state.ActiviteMinute);
    EXPECT_FALSE(a.raise_use_flag);
    EXPECT_GE(state.ImageIcone, state.NbIcones); // active frames
}

TEST_F(SamplingTest, UseFlagIsRaisedOnEveryTickOfAnActiveMinute) {
    EXPECT_FALSE(Tick(Still()).raise_use_flag);
    PressKeys({1});
    EXPECT_TRUE(Tick(Still()).raise_use_flag);
    EXPECT_TRUE(Tick(Still()).raise_use_flag);
    state.ActiviteMinute = false;
    EXPECT_FALSE(Tick(Still()).raise_use_flag);
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
    EXPECT_EQ(state.PointPrecedent, (ScreenPoint{1000, 10}));
    EXPECT_EQ(counters.Distance + counters.NClics + counters.NScrolls + counters.NbTouches, 0);
    EXPECT_FALSE(state.ActiviteMinute);

    // Counting resumes from the new reference.
    MoveTo({1032, 10});
    EXPECT_EQ(counters.Distance, 1);

    // Without a cursor reading the flag stays raised for the next tick.
    in.cursor_ok = false;
    a = Tick(in);
    EXPECT_FALSE(a.clear_discard_flag);
    EXPECT_EQ(state.PointPrecedent, (ScreenPoint{1032, 10}));
}

TEST_F(SamplingTest, FailedReadingSkipsOnlyWhatNeedsIt) {
    state.MouvementDx = true;
    InputSnapshot in = Still();
    in.mouse_ok = false; // lost mouse: no buttons, wheel or distance; keys still counted
    in.buttons = {0x80};
    in.wheel_delta = 1;
    in.cursor = {900, 400};
    in.keys[5] = 0x80;
    Tick(in);
    EXPECT_EQ(counters.NClics + counters.NScrolls + counters.Distance, 0);
    EXPECT_EQ(counters.NbTouches, 1);
    EXPECT_EQ(state.PointPrecedent, (ScreenPoint{900, 400}));

    in = Still();
    in.keyboard_ok = false; // lost keyboard: the mouse is still counted
    in.keys[6] = 0x80;
    in.buttons = {0x80};
    Tick(in);
    EXPECT_EQ(counters.NbTouches, 1);
    EXPECT_EQ(counters.NCGauche, 1);

    in = Still();
    in.cursor_ok = false; // no cursor: no distance, reference kept
    in.mouse_dx = 3;
    in.cursor = {0, 0};
    Tick(in);
    EXPECT_EQ(state.PointPrecedent, (ScreenPoint{900, 400}));
    EXPECT_EQ(counters.Distance, 0);
}

TEST_F(SamplingTest, IconFrameStepsPerCentimetreWithinItsSet) {
    // Idle set 0..1, active set 2..3 with the two built-in frames.
    MoveTo({532, 400});
    EXPECT_EQ(state.ImageIcone, 1);
    MoveTo({564, 400});
    EXPECT_EQ(state.ImageIcone, 0); // wrapped within the idle set

    state.ImageIcone = 3;
    AdvanceIconFrame(state, 1);
    EXPECT_EQ(state.ImageIcone, 2); // wrapped within the active set

    // A long jump steps like as many single steps would.
    state.NbIcones = 5;
    state.ImageIcone = 7;
    AdvanceIconFrame(state, 1'000'000'003);
    EXPECT_EQ(state.ImageIcone, 5);
}

TEST_F(SamplingTest, IconSwitchesBetweenIdleAndActiveFramesOnlyWhenItChanges) {
    TickActions a = Tick(Still());
    EXPECT_FALSE(a.show_tray_frame);

    a = PressKeys({10});
    EXPECT_TRUE(a.show_tray_frame);
    EXPECT_EQ(a.tray_frame, 2);
    EXPECT_FALSE(state.ActiviteIcone);

    a = PressKeys({10}); // still active: same frame, nothing to show
    EXPECT_FALSE(a.show_tray_frame);

    a = PressKeys({});
    EXPECT_TRUE(a.show_tray_frame);
    EXPECT_EQ(a.tray_frame, 0);
    EXPECT_EQ(state.ImageIconeAffichee, 0);

    // Animation off: frames never change.
    state.Icon_Move_Global = false;
    PressKeys({11});
    MoveTo({600, 400});
    EXPECT_EQ(state.ImageIcone, 0);
}

TEST_F(SamplingTest, HostileFrameSettingsNeverLeaveTheFrameRange) {
    for (int n : {0, 1, 3, 127, 128, 255}) {
        state.NbIcones = static_cast<uint8_t>(n);
        state.ImageIcone = 254;
        MoveTo({state.PointActuel.x + 3200, 400});
        PressKeys({1});
        PressKeys({});
        if (n > 0) {
            EXPECT_LT(state.ImageIcone, 2 * std::min(n, 127)) << n;
        }
    }
}

TEST_F(SamplingTest, HugeJumpIsCountedExactlyAndDecPixelStaysSmall) {
    ResetSampling(state, {INT_MIN, 0});
    MoveTo({INT_MAX, 0});
    // 4294967295 pixels = 134217727 cm of 32 pixels and 31 pixels over.
    EXPECT_EQ(counters.Distance, 134217727);
    EXPECT_EQ(state.DecPixel, 31);

    counters.Distance = INT_MAX - 1;
    MoveTo({INT_MIN, 0});
    EXPECT_EQ(counters.Distance, INT_MAX); // saturates, never wraps negative
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
        if (i % 1000 == 0) {
            state.Coef_distance = static_cast<int16_t>(pick(true)); // even 0 or negative
            state.DecPixel = static_cast<int16_t>(pick(true));
        }
        if (random() % 50 == 0)
            ClearMovementWindow(state);

        const CounterSet before = counters;
        const ScreenPoint reference = state.PointPrecedent;
        Tick(in);
        ASSERT_GE(state.DecPixel, 0);
        const bool counted = in.discard_flag == 0 && in.mouse_ok && in.cursor_ok &&
                             state.MouvementDx && in.cursor != reference;
        if (counted) {
            ASSERT_LT(state.DecPixel, std::max<int>(state.Coef_distance, 1));
        }
        ASSERT_GE(counters.Distance, before.Distance);
        ASSERT_GE(counters.NbTouches, before.NbTouches);
        ASSERT_EQ(counters.NClics, counters.NCGauche + counters.NCDroit + counters.NCSpecial);
        ASSERT_LT(state.ImageIcone, 2 * state.NbIcones);
    }
}

TEST(Coefficient, ScreenTakenAs32By24Centimetres) {
    EXPECT_EQ(Calcul_coefficient(1024, 768), 32);
    EXPECT_EQ(Calcul_coefficient(800, 600), 25);
    EXPECT_EQ(Calcul_coefficient(1280, 1024), 41); // 40 and 42.67
    // Halves go to the even integer: 32.5 -> 32, 33.5 -> 34.
    EXPECT_EQ(Calcul_coefficient(1024, 792), 32);
    EXPECT_EQ(Calcul_coefficient(1056, 816), 34);
}

TEST(Coefficient, NeverZeroOrNegative) {
    EXPECT_EQ(Calcul_coefficient(0, 0), 1);
    EXPECT_EQ(Calcul_coefficient(-1024, -768), 1);
    EXPECT_EQ(Calcul_coefficient(1, 1), 1);
    EXPECT_GT(Calcul_coefficient(INT_MAX, INT_MAX), 1000); // sizes held in 16 bits
}

} // namespace
