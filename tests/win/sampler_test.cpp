// The sampler on real DirectInput devices under the Wine virtual desktop, with input injected
// by xdotool.
//
// What Wine's DirectInput reports for xdotool (measured with Wine 8 on Xvfb, virtual desktop
// 1024x768): the system mouse's X/Y deltas equal the change of the pointer position, whether
// xdotool moves it absolutely ("mousemove X Y") or relatively ("mousemove_relative DX DY"):
// relative moves are not accelerated (100 px gives a delta of 100), and an absolute move gives
// the whole jump as one delta. A wheel click ("click 4") gives a wheel delta of 120.
// SetCursorPos gives no delta at all, as on Windows, so it stands for a pointer moved by
// software. Wine moves the pointer a few milliseconds (5 to 10 ms) before DirectInput reports
// the delta of that move, so a single jump made while the movement window is closed is not
// counted: the reference follows the pointer, just as for the first instant of every real
// movement. The travel test therefore opens the window with a lead-in step and drives the
// ticks itself, so the 300 ms clearing cannot fall inside a measured move.
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
    // Moves the pointer by software, again while it is not there: Wine does not warp the
    // pointer while another X client (another test's Wine) holds a pointer grab.
    // `until` must hold too.
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

TEST_F(SamplerOnDevices, DevicesAreReadAndAcquiredAgainWhenLost) {
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
}

TEST_F(SamplerOnDevices, HostTimersDriveTheTickAndTheMovementWindow) {
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
    // Settled: the movement window is closed and the reference is on the pointer (which other
    // test runs on the same display may move too).
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

TEST_F(SamplerOnDevices, CountsCentimetresOfInjectedPointerTravel) {
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
    auto move_by = [&](int dx, int dy) {
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
}

TEST_F(SamplerOnDevices, CountsInjectedClicksKeysAndWheel) {
    wintest::InputLock lock;
    ASSERT_TRUE(lock.held());
    if (!wintest::XdotoolAvailable())
        GTEST_SKIP() << "xdotool is only reachable under Wine";
    // Presses are held 100 ms so the polling sees them; the final move tells when xdotool is
    // done.
    ASSERT_TRUE(PlacePointer({600, 500}, [] { return true; }));
    ASSERT_TRUE(wintest::RunXdotool(
        L"mousemove 600 500 mousedown 1 sleep 0.1 mouseup 1 mousedown 3 sleep 0.1 mouseup 3 "
        L"click 4 keydown a sleep 0.1 keyup a keydown b keydown c sleep 0.1 keyup b keyup c "
        L"sleep 0.1 mousemove 7 7"));
    ASSERT_TRUE(wintest::PumpUntil(
        [&] {
            sampler.Tick();
            return Cursor() == ScreenPoint{7, 7};
        },
        kTimeout));
    EXPECT_EQ(counters.NCGauche, 1);
    EXPECT_EQ(counters.NCDroit, 1);
    EXPECT_EQ(counters.NCSpecial, 0);
    EXPECT_EQ(counters.NClics, 2);
    EXPECT_EQ(counters.NScrolls, 1);
    EXPECT_EQ(counters.NbTouches, 3);
}

} // namespace
