#include "app/sampling.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <functional>
#include <random>

namespace {

class SamplingTest : public ::testing::Test {
  protected:
    SamplingState state;
    CounterSet counters;

    void SetUp() override { ResetSampling(state, {500, 400}); }

    // One tick with the mouse still and nothing pressed, changed by `edit`.
    TickActions Tick(const std::function<void(InputSnapshot&)>& edit = {}) {
        InputSnapshot in;
        in.cursor = state.PointActuel;
        if (edit)
            edit(in);
        return SamplingTick(state, counters, in);
    }
    // The physical mouse moved and the pointer is now at `to`.
    TickActions MoveTo(ScreenPoint to) {
        return Tick([&](InputSnapshot& in) { in.mouse_dx = 1, in.cursor = to; });
    }
    TickActions Keys(std::initializer_list<int> keys) {
        return Tick([&](InputSnapshot& in) {
            for (int k : keys)
                in.keys[k] = 0x80;
        });
    }
};

TEST_F(SamplingTest, PixelsBecomeCentimetresWithTheRestCarried) {
    MoveTo({600, 400}); // 100 px at 32 px/cm
    EXPECT_EQ(counters.Distance, 3);
    EXPECT_EQ(state.DecPixel, 4);
    MoveTo({628, 400});
    EXPECT_EQ(counters.Distance, 4);
    EXPECT_EQ(state.DecPixel, 0);
    // Each sample is rounded to whole pixels: a diagonal pixel keeps 1, sqrt(13) 4.
    for (int i = 1; i <= 10; ++i)
        MoveTo({628 + i, 400 + i});
    MoveTo({640, 413});
    EXPECT_EQ(state.DecPixel, 14);

    for (auto [x, rounded] : {std::pair{0.5, 0}, {2.5, 2}, {2.5000001, 3}, {-1.5, -2}})
        EXPECT_EQ(RoundHalfEven(x), rounded) << x;
}

TEST_F(SamplingTest, OnlyMovementConfirmedByTheDeviceIsCounted) {
    Tick([](InputSnapshot& in) { in.cursor = {900, 700}; }); // moved by software
    EXPECT_EQ(counters.Distance, 0);
    EXPECT_EQ(state.PointPrecedent, (ScreenPoint{900, 700}));
    EXPECT_FALSE(state.ActiviteMinute);

    MoveTo({964, 700});
    Tick([](InputSnapshot& in) { in.cursor = {964 + 320, 700}; }); // inside the device window
    EXPECT_EQ(counters.Distance, 12);
    ClearMovementWindow(state);
    Tick([](InputSnapshot& in) { in.cursor = {0, 0}; });
    EXPECT_EQ(counters.Distance, 12);
    EXPECT_EQ(state.PointPrecedent, (ScreenPoint{0, 0}));
}

TEST_F(SamplingTest, WheelRunIsOneScrollAndActivityRaisesTheUseFlag) {
    EXPECT_FALSE(Tick().raise_use_flag);
    for (int i = 0; i < 50; ++i)
        Tick([&](InputSnapshot& in) { in.wheel_delta = i % 2 ? 120 : -240; });
    EXPECT_EQ(counters.NScrolls, 1);
    EXPECT_TRUE(Tick().raise_use_flag); // one idle reading ends the run
    Tick([](InputSnapshot& in) { in.wheel_delta = 120; });
    EXPECT_EQ(counters.NScrolls, 2);
}

TEST_F(SamplingTest, ButtonPressesCountOnceExtraButtonsOnlyWithMoreClics) {
    const MouseButtons extra{0, 0, 0, 0x80, 0x80, 0x80, 0x80, 0x80};
    for (const MouseButtons& b :
         {MouseButtons{0x80}, MouseButtons{0x80}, MouseButtons{0x01}, MouseButtons{},
          MouseButtons{0, 0x80, 0x80}, extra, MouseButtons{}})
        Tick([&](InputSnapshot& in) { in.buttons = b; });
    EXPECT_EQ(counters.NCGauche, 1);
    EXPECT_EQ(counters.NCDroit, 1);
    EXPECT_EQ(counters.NCSpecial, 1);
    EXPECT_EQ(counters.NClics, 3);
    state.MoreClics = true;
    Tick([&](InputSnapshot& in) { in.buttons = extra; });
    EXPECT_EQ(counters.NCSpecial, 6);
    EXPECT_EQ(counters.NClics, 8);
}

TEST_F(SamplingTest, KeysCountAsNewPressesOnly) {
    Keys({30}); // held at start: counted once
    Keys({30});
    EXPECT_EQ(counters.NbTouches, 1);
    Keys({30, 31, 32});
    Keys({});
    Keys({30});
    EXPECT_EQ(counters.NbTouches, 4);
    // A held key keeps the icon active but is no activity of the minute.
    state.ActiviteMinute = false;
    EXPECT_FALSE(Keys({30}).raise_use_flag);
    EXPECT_GE(state.ImageIcone, state.NbIcones);
    // Any non-zero byte is "down", at any position of the scan.
    Tick([](InputSnapshot& in) { in.keys[0] = 0x01, in.keys[in.keys.size() - 1] = 0x7F; });
    EXPECT_EQ(counters.NbTouches, 6);
}

TEST_F(SamplingTest, DiscardFlagSkipsTheWholeTickAndRebasesThePointer) {
    state.MouvementDx = true;
    auto discarded = [](InputSnapshot& in) {
        in.discard_flag = 1;
        in.mouse_dx = 50;
        in.wheel_delta = 120;
        in.buttons = {0x80, 0x80, 0x80};
        in.keys[30] = 0x80;
        in.cursor = {1000, 10};
    };
    TickActions a = Tick(discarded);
    EXPECT_TRUE(a.clear_discard_flag);
    EXPECT_FALSE(a.raise_use_flag);
    EXPECT_EQ(state.PointPrecedent, (ScreenPoint{1000, 10}));
    EXPECT_EQ(counters.Distance + counters.NClics + counters.NScrolls + counters.NbTouches, 0);
    MoveTo({1032, 10}); // counted from the new reference
    EXPECT_EQ(counters.Distance, 1);
    // Cannot rebase: the flag stays for the next tick.
    EXPECT_FALSE(
        Tick([&](InputSnapshot& in) { discarded(in), in.cursor_ok = false; }).clear_discard_flag);
    EXPECT_EQ(state.PointPrecedent, (ScreenPoint{1032, 10}));
}

TEST_F(SamplingTest, FailedReadingSkipsOnlyWhatNeedsIt) {
    state.MouvementDx = true;
    Tick([](InputSnapshot& in) { // no mouse: keys still counted
        in.mouse_ok = false, in.buttons = {0x80}, in.wheel_delta = 1, in.cursor = {900, 400};
        in.keys[5] = 0x80;
    });
    EXPECT_EQ(counters.NClics + counters.NScrolls + counters.Distance, 0);
    EXPECT_EQ(counters.NbTouches, 1);
    Tick([](InputSnapshot& in) { // no keyboard: the mouse still counted
        in.keyboard_ok = false, in.buttons = {0x80}, in.keys[6] = 0x80;
    });
    EXPECT_EQ(counters.NbTouches, 1);
    EXPECT_EQ(counters.NCGauche, 1);
    Tick([](InputSnapshot& in) { in.cursor_ok = false, in.mouse_dx = 5, in.cursor = {0, 0}; });
    EXPECT_EQ(state.PointPrecedent, (ScreenPoint{900, 400}));
    EXPECT_EQ(counters.Distance, 0);
}

TEST_F(SamplingTest, IconFramesStepPerCentimetreAndSwitchSetsOnActivity) {
    // Two frames per set: idle 0..1, active 2..3.
    MoveTo({532, 400});
    EXPECT_EQ(state.ImageIcone, 1);
    MoveTo({564, 400});
    EXPECT_EQ(state.ImageIcone, 0);
    state.ImageIcone = state.ImageIconeAffichee = 0;

    TickActions a = Keys({10});
    EXPECT_TRUE(a.show_tray_frame);
    EXPECT_EQ(a.tray_frame, 2);
    EXPECT_FALSE(Keys({10}).show_tray_frame);
    a = Keys({});
    EXPECT_TRUE(a.show_tray_frame);
    EXPECT_EQ(a.tray_frame, 0);

    state.NbIcones = 5; // a long jump steps like as many single steps would
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
    MoveTo({INT_MAX, 0}); // 4294967295 px: 134217727 cm and 31 px over
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
        in.mouse_ok = random() % 16, in.keyboard_ok = random() % 16, in.cursor_ok = random() % 16;
        in.mouse_dx = pick(extreme), in.mouse_dy = pick(extreme), in.wheel_delta = pick(extreme);
        in.cursor = {pick(extreme), pick(extreme)};
        for (auto& b : in.buttons)
            b = static_cast<uint8_t>(random());
        for (auto& k : in.keys)
            k = static_cast<uint8_t>(random() % 3 == 0 ? random() : 0);
        if (i % 1000 == 0) { // corrupted settings
            state.Coef_distance = static_cast<int16_t>(pick(true));
            state.DecPixel = static_cast<int16_t>(pick(true));
            state.NbIcones = static_cast<uint8_t>(random());
            state.ImageIcone = static_cast<uint8_t>(random());
        }
        if (random() % 50 == 0)
            ClearMovementWindow(state);

        const CounterSet before = counters;
        const ScreenPoint reference = state.PointPrecedent;
        SamplingTick(state, counters, in);
        ASSERT_GE(state.DecPixel, 0);
        if (in.discard_flag == 0 && in.mouse_ok && in.cursor_ok && state.MouvementDx &&
            in.cursor != reference) {
            ASSERT_LT(state.DecPixel, std::max<int>(state.Coef_distance, 1));
        }
        ASSERT_GE(counters.Distance, before.Distance);
        ASSERT_GE(counters.NbTouches, before.NbTouches);
        ASSERT_EQ(counters.NClics, counters.NCGauche + counters.NCDroit + counters.NCSpecial);
        if (in.discard_flag == 0 && state.NbIcones > 0) {
            ASSERT_LT(state.ImageIcone, 2 * std::min<int>(state.NbIcones, 127));
        }
    }
}

// The sampler stops ticking while SamplingAtRest holds, so a quiet tick (same buttons and
// keys, no deltas, the pointer where it was) must then change nothing at all.
TEST_F(SamplingTest, AtRestAQuietTickChangesNothing) {
    std::mt19937 random(777);
    int rests = 0;
    InputSnapshot last;
    last.cursor = state.PointActuel;
    for (int i = 0; i < 5000; ++i) {
        InputSnapshot in;
        in.cursor = last.cursor;
        in.buttons = last.buttons;
        in.keys = last.keys;
        switch (random() % 6) {
        case 0:
            in.mouse_dx = 3, in.cursor.x += static_cast<int32_t>(random() % 80);
            break;
        case 1:
            in.wheel_delta = 120;
            break;
        case 2:
            in.buttons[random() % 3] ^= 0x80;
            break;
        case 3:
            in.keys[random() % 4] ^= 0x80;
            break;
        case 4:
            ClearMovementWindow(state);
            break;
        }
        SamplingTick(state, counters, in);
        last = in;
        if (!SamplingAtRest(state))
            continue;
        ++rests;
        const SamplingState before = state;
        const CounterSet counted = counters;
        InputSnapshot quiet = last;
        quiet.mouse_dx = quiet.wheel_delta = 0;
        const TickActions actions = SamplingTick(state, counters, quiet);
        ASSERT_FALSE(actions.show_tray_frame) << "at tick " << i;
        ASSERT_EQ(std::memcmp(&counters, &counted, sizeof counters), 0) << "at tick " << i;
        ASSERT_EQ(state.PointPrecedent, before.PointPrecedent);
        ASSERT_EQ(state.BoutonsPrecedents, before.BoutonsPrecedents);
        ASSERT_EQ(state.ImageIcone, before.ImageIcone);
        ASSERT_EQ(state.ActiviteMinute, before.ActiviteMinute);
        ASSERT_TRUE(SamplingAtRest(state));
    }
    EXPECT_GT(rests, 50);

    // Not at rest: a movement window open, a wheel run, an active frame still shown.
    ResetSampling(state, {0, 0});
    Keys({});
    state.MouvementDx = true;
    EXPECT_FALSE(SamplingAtRest(state));
    ClearMovementWindow(state);
    EXPECT_TRUE(SamplingAtRest(state));
    Tick([](InputSnapshot& in) { in.wheel_delta = -120; });
    EXPECT_FALSE(SamplingAtRest(state));
    Tick();
    EXPECT_TRUE(SamplingAtRest(state));
    Keys({20});
    EXPECT_FALSE(SamplingAtRest(state)); // active frame while the key is held
    state.Icon_Move_Global = false;
    EXPECT_TRUE(SamplingAtRest(state));
}

TEST(MoveExplainedByDevice, HandMovesWithAccelerationPassJumpsDoNot) {
    EXPECT_TRUE(MoveExplainedByDevice({100, 100}, {103, 104}, 3, 4));
    EXPECT_TRUE(MoveExplainedByDevice({100, 100}, {120, 100}, 5, 0));  // accelerated
    EXPECT_TRUE(MoveExplainedByDevice({100, 100}, {100, 100}, 50, 0)); // held at the edge
    EXPECT_TRUE(MoveExplainedByDevice({5, 5}, {8, 5}, 0, 0));          // within the slack
    EXPECT_FALSE(MoveExplainedByDevice({100, 100}, {700, 500}, 3, 0));
    EXPECT_FALSE(MoveExplainedByDevice({100, 100}, {100, 110}, 0, 0));
    EXPECT_FALSE(MoveExplainedByDevice({INT_MIN, INT_MIN}, {INT_MAX, INT_MAX}, 1000, 0));
    EXPECT_TRUE(MoveExplainedByDevice({INT_MAX, 0}, {INT_MIN, 0}, INT_MIN, INT_MIN));
}

TEST(Coefficient, ScreenTakenAs32By24CentimetresNeverBelowOne) {
    const int cases[][3] = {
        {1024, 768, 32}, {800, 600, 25}, {1280, 1024, 41}, {1024, 792, 32},
        {1056, 816, 34}, {0, 0, 1},      {-1024, -768, 1}}; // 32.5 and 33.5: halves to even
    for (auto [w, h, coef] : cases)
        EXPECT_EQ(Calcul_coefficient(w, h), coef) << w << "x" << h;
    EXPECT_GT(Calcul_coefficient(INT_MAX, INT_MAX), 1000); // sizes held in 16 bits
}

} // namespace
