// The sampler on real DirectInput devices under the Wine virtual desktop, with input injected
// by xdotool. Wine reports xdotool moves as unaccelerated deltas equal to the pointer's change,
// SetCursorPos as no delta, and each delta a few milliseconds after the move: the travel test
// opens the movement window with a lead-in step and drives the ticks itself.
#include "app/win32/sampler.h"
#include "app/win32/sampler_host.h"
#include "win_test_support.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

namespace {

constexpr DWORD kTimeout = 15000;

class SamplerOnDevices : public ::testing::Test {
  protected:
    CounterSet counters;
    win32::Sampler sampler{counters};
    win32::SamplerHost host{sampler};

    void SetUp() override {
        ASSERT_TRUE(host.Create());
        ASSERT_EQ(sampler.OpenSharedMemory(), win32::HookLibraryFlags::OpenResult::Ok);
        ASSERT_TRUE(sampler.SetupDirectInput(host.hwnd()))
            << "failed at " << sampler.devices().failed_step() << " hr 0x" << std::hex
            << sampler.devices().failure();
        sampler.StartCounting();
    }

    ScreenPoint Cursor() {
        POINT p{};
        GetCursorPos(&p);
        return {p.x, p.y};
    }
    // Again while the pointer is not there: Wine does not warp it while another X client
    // (another test's Wine) holds a pointer grab.
    bool PlacePointer(ScreenPoint to, const std::function<bool()>& until) {
        return wintest::PumpUntil(
            [&] {
                if (Cursor() != to)
                    SetCursorPos(to.x, to.y);
                return Cursor() == to && until();
            },
            kTimeout);
    }
};

TEST_F(SamplerOnDevices, DevicesAreReadAndAcquiredAgainAndTimersDriveTheTick) {
    EXPECT_EQ(sampler.state().Coef_distance,
              Calcul_coefficient(GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)));
    DIMOUSESTATE2 mouse{};
    KeyboardState keys{};
    EXPECT_TRUE(sampler.devices().ReadMouse(mouse));
    EXPECT_TRUE(sampler.devices().ReadKeyboard(keys));
    sampler.devices().Unacquire(); // as when another program takes the devices
    EXPECT_FALSE(sampler.devices().ReadMouse(mouse));
    EXPECT_TRUE(wintest::PumpUntil(
        [&] { return sampler.devices().ReadMouse(mouse) && sampler.devices().ReadKeyboard(keys); },
        kTimeout));

    // The host's timers drive the tick (which clears the library's flag) and close the
    // movement window.
    ASSERT_TRUE(host.Start());
    win32::SharedByte library;
    ASSERT_TRUE(library.Open(win32::kDiscardFlagName));
    library.Write(1);
    EXPECT_TRUE(wintest::PumpUntil([&] { return library.Read() == 0; }, kTimeout));
    sampler.state().MouvementDx = true;
    EXPECT_TRUE(wintest::PumpUntil([&] { return !sampler.state().MouvementDx; }, kTimeout));
}

TEST_F(SamplerOnDevices, PointerMovedBySoftwareAddsNothing) {
    wintest::InputLock lock;
    ASSERT_TRUE(lock.held());
    ASSERT_TRUE(host.Start());
    // Settled: the movement window is closed and the reference is on the pointer.
    SamplingState& s = sampler.state();
    auto settled = [&] { return !s.MouvementDx && s.PointPrecedent == Cursor(); };
    ASSERT_TRUE(wintest::PumpUntil(settled, kTimeout));
    counters.Distance = 0;
    s.DecPixel = 0;
    const ScreenPoint target{Cursor().x > 500 ? 100 : 900, 600};
    ASSERT_TRUE(PlacePointer(target, [&] { return settled() && s.PointActuel == target; }));
    EXPECT_EQ(counters.Distance, 0);
    EXPECT_EQ(s.DecPixel, 0);
}

TEST_F(SamplerOnDevices, CountsInjectedTravelClicksKeysAndWheel) {
    wintest::InputLock lock;
    ASSERT_TRUE(lock.held());
    if (!wintest::XdotoolAvailable())
        GTEST_SKIP() << "xdotool is only reachable under Wine";
    SamplingState& state = sampler.state();
    // Ticks until the pointer is at `to` and the reference has caught up with it.
    auto tick_until_at = [&](ScreenPoint to) {
        return wintest::PumpUntil(
            [&] {
                sampler.Tick();
                return Cursor() == to && state.PointPrecedent == to && state.MouvementDx;
            },
            kTimeout);
    };
    auto move_by = [](int dx, int dy) {
        return wintest::RunXdotool(L"mousemove_relative -- " + std::to_wstring(dx) + L" " +
                                   std::to_wstring(dy));
    };

    ASSERT_TRUE(wintest::RunXdotool(L"mousemove 100 300"));
    ASSERT_TRUE(tick_until_at({100, 300}));
    ASSERT_TRUE(move_by(1, 0)); // lead-in: opens the movement window
    ASSERT_TRUE(tick_until_at({101, 300}));
    counters.Distance = 0;
    state.DecPixel = 0;

    // 10 cm to the right, then 2 cm down, then 5 cm back diagonally (a 3-4-5 triangle).
    const int coef = state.Coef_distance;
    struct Move {
        int dx, dy, centimetres;
    };
    const Move moves[] = {{10 * coef, 0, 10}, {0, 2 * coef, 2}, {-3 * coef, -4 * coef, 5}};
    ScreenPoint at{101, 300};
    int expected = 0;
    for (const Move& m : moves) {
        at = {at.x + m.dx, at.y + m.dy};
        expected += m.centimetres;
        ASSERT_TRUE(move_by(m.dx, m.dy));
        ASSERT_TRUE(tick_until_at(at)) << "pointer did not reach " << at.x << "," << at.y;
        EXPECT_EQ(counters.Distance, expected);
    }
    EXPECT_EQ(state.DecPixel, 0);
    EXPECT_TRUE(state.ActiviteMinute);
    EXPECT_EQ(sampler.flags().use().Read(), 1);

    // Presses are held 100 ms for the polling; the final move tells when xdotool is done.
    // The middle button and the extra ones (X buttons 8 and 9) count with MoreClics.
    state.MoreClics = true;
    ASSERT_TRUE(PlacePointer({600, 500}, [] { return true; }));
    ASSERT_TRUE(wintest::RunXdotool(
        L"mousemove 600 500 mousedown 1 sleep 0.1 mouseup 1 mousedown 3 sleep 0.1 mouseup 3 "
        L"click 4 keydown a sleep 0.1 keyup a keydown b keydown c sleep 0.1 keyup b keyup c "
        L"mousedown 2 sleep 0.1 mouseup 2 mousedown 8 sleep 0.1 mouseup 8 mousedown 9 sleep 0.1 "
        L"mouseup 9 sleep 0.1 mousemove 7 7"));
    ASSERT_TRUE(wintest::PumpUntil(
        [&] {
            sampler.Tick();
            return Cursor() == ScreenPoint{7, 7};
        },
        kTimeout));
    EXPECT_EQ(counters.NCGauche, 1);
    EXPECT_EQ(counters.NCDroit, 1);
    EXPECT_EQ(counters.NCSpecial, 3);
    EXPECT_EQ(counters.NClics, 5);
    EXPECT_EQ(counters.NScrolls, 1);
    EXPECT_EQ(counters.NbTouches, 3);
}

TEST_F(SamplerOnDevices, RestsWhileIdleWakesAtInputAndSkipsJumpsMadeMeanwhile) {
    wintest::InputLock lock;
    ASSERT_TRUE(lock.held());
    if (!wintest::XdotoolAvailable())
        GTEST_SKIP() << "xdotool is only reachable under Wine";
    ASSERT_TRUE(wintest::RunXdotool(L"mousemove 100 100"));
    ASSERT_TRUE(wintest::PumpUntil([&] { return Cursor() == ScreenPoint{100, 100}; }, kTimeout));
    ASSERT_TRUE(host.Start());
    ASSERT_TRUE(wintest::PumpUntil([&] { return sampler.resting(); }, kTimeout));
    counters.Distance = 0;
    sampler.state().DecPixel = 0;

    // Without a message being handled (so without a tick) a program moves the pointer far
    // away, then the hand moves it 2 cm; only then does the sampler wake.
    const int coef = sampler.state().Coef_distance;
    const ScreenPoint end{900 - 2 * coef, 700};
    auto wait_for_pointer = [&](ScreenPoint at) {
        for (int i = 0; i < 1500 && Cursor() != at; ++i)
            Sleep(10);
        return Cursor() == at;
    };
    SetCursorPos(900, 700);
    ASSERT_TRUE(wait_for_pointer({900, 700}));
    ASSERT_TRUE(wintest::RunXdotool(L"mousemove_relative -- " + std::to_wstring(-2 * coef) +
                                    L" 0"));
    ASSERT_TRUE(wait_for_pointer(end));
    Sleep(100); // DirectInput reports the move a few milliseconds after the pointer
    ASSERT_TRUE(wintest::PumpUntil(
        [&] { return sampler.state().PointPrecedent == end && !sampler.state().MouvementDx; },
        kTimeout));
    // The 30 cm jump is not travel; the hand's single step that came with it is given up too.
    EXPECT_EQ(counters.Distance, 0);

    // Resting again, a key press is seen and counted once.
    ASSERT_TRUE(wintest::PumpUntil([&] { return sampler.resting(); }, kTimeout));
    const int32_t keys = counters.NbTouches;
    ASSERT_TRUE(wintest::RunXdotool(L"keydown x sleep 0.1 keyup x"));
    ASSERT_TRUE(wintest::PumpUntil([&] { return counters.NbTouches > keys; }, kTimeout));
    EXPECT_TRUE(wintest::PumpUntil([&] { return sampler.resting(); }, kTimeout));
    EXPECT_EQ(counters.NbTouches, keys + 1);
}

} // namespace
