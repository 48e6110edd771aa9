#include "storage/settings_table.h"
#include "tests/fakes/display_flags.h"
#include "tests/fakes/memory_stores.h"
#include "ui/display_layout.h"
#include "ui/display_window_win32.h"
#include "ui/window_effects_win32.h"
#include "win_test_support.h"

#include <gtest/gtest.h>

namespace {

class CountingHost : public win32::DisplayWindowHost {
  public:
    void CycleDisplayMode() override { ++cycles; }
    int cycles = 0;
};

SIZE ClientSize(HWND window) {
    RECT r{};
    ::GetClientRect(window, &r);
    return SIZE{r.right, r.bottom};
}

RECT WorkArea() {
    RECT work{};
    ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    return work;
}

struct Loaded {
    MemorySettingsStore settings;
    CountingHost host;
    win32::DisplayWindow window{settings, host};
};

} // namespace

TEST(DisplayWindow, PixelSizeFollowsSizeUnitsAndLines) {
    // The size table is proven with the layout; here, that the window takes its size.
    const struct {
        const char* size;
        bool metric;
        const char* lines;
        int twips_width, twips_height;
    } cases[] = {{"2", true, "04", 4069, 480}, {"5", false, "012345", 5500 + 4230, 3000}};
    for (const auto& c : cases) {
        Loaded d;
        d.settings.Write(SettingPath(Setting::DDSize), c.size);
        ASSERT_TRUE(d.window.Load(DisplayFlagsOf(c.lines), c.metric));
        const int dpi = d.window.dpi();
        const SIZE size = ClientSize(d.window.hwnd());
        EXPECT_EQ(size.cx, display::TwipsToPixels(c.twips_width, dpi)) << c.size << c.lines;
        EXPECT_EQ(size.cy, display::TwipsToPixels(c.twips_height, dpi)) << c.size << c.lines;
        // The label fills the window.
        const HWND label = ::GetWindow(d.window.hwnd(), GW_CHILD);
        ASSERT_TRUE(label);
        EXPECT_EQ(ClientSize(label).cx, size.cx);
        EXPECT_EQ(ClientSize(label).cy, size.cy);
    }
}

TEST(DisplayWindow, OpacityTopmostAndTheLabelText) {
    Loaded d;
    ASSERT_TRUE(d.window.Load(DisplayFlagsOf("01"), true));
    const HWND w = d.window.hwnd();
    EXPECT_TRUE(::IsWindowVisible(w));
    EXPECT_NE(::GetForegroundWindow(), w); // shown without taking the focus

    const LONG_PTR ex = ::GetWindowLongPtrW(w, GWL_EXSTYLE);
    ASSERT_TRUE(ex & WS_EX_LAYERED);
    BYTE alpha = 0;
    DWORD flags = 0;
    ASSERT_TRUE(::GetLayeredWindowAttributes(w, nullptr, &alpha, &flags));
    EXPECT_EQ(alpha, 188); // DDTransparency "30", its default
    EXPECT_TRUE(flags & LWA_ALPHA);
    EXPECT_TRUE(ex & WS_EX_TOPMOST); // DDonTop "True", its default

    const SIZE before = ClientSize(w);
    win32::MetAuPremierPlan(w, false);
    EXPECT_FALSE(::GetWindowLongPtrW(w, GWL_EXSTYLE) & WS_EX_TOPMOST);
    EXPECT_EQ(ClientSize(w).cx, before.cx);
    EXPECT_EQ(ClientSize(w).cy, before.cy);

    win32::RetireTransparence(w);
    EXPECT_FALSE(::GetWindowLongPtrW(w, GWL_EXSTYLE) & WS_EX_LAYERED);
    win32::RendTransparent(w, 255); // layered, yet opaque
    ASSERT_TRUE(::GetLayeredWindowAttributes(w, nullptr, &alpha, &flags));
    EXPECT_EQ(alpha, 255);

    d.window.SetText(L"12Km 345M 67Cm\r\n   5 Keys");
    EXPECT_EQ(wintest::WindowText(::GetWindow(w, GW_CHILD)), L"12Km 345M 67Cm\r\n   5 Keys");
}

TEST(DisplayWindow, FollowsADpiChangeOfItsMonitor) {
    Loaded d;
    ASSERT_TRUE(d.window.Load(DisplayFlagsOf("04"), true));
    RECT suggested{40, 30, 500, 100};
    ::SendMessageW(d.window.hwnd(), 0x02E0 /* WM_DPICHANGED */, MAKEWPARAM(144, 144),
                   reinterpret_cast<LPARAM>(&suggested));
    EXPECT_EQ(d.window.dpi(), 144);
    EXPECT_EQ(ClientSize(d.window.hwnd()).cx, 407);
    EXPECT_EQ(ClientSize(d.window.hwnd()).cy, 48);
    RECT r;
    ::GetWindowRect(d.window.hwnd(), &r);
    EXPECT_EQ(r.left, 40);
    EXPECT_EQ(r.top, 30);
}

TEST(DisplayWindow, SettingsOffAndNoTopmost) {
    Loaded d;
    d.settings.Write(SettingPath(Setting::DDonTop), "False");
    d.settings.Write(SettingPath(Setting::DDTransparency), "95");
    ASSERT_TRUE(d.window.Load(DisplayFlagsOf("0"), true));
    EXPECT_FALSE(::GetWindowLongPtrW(d.window.hwnd(), GWL_EXSTYLE) & WS_EX_TOPMOST);
    BYTE alpha = 0;
    ASSERT_TRUE(::GetLayeredWindowAttributes(d.window.hwnd(), nullptr, &alpha, nullptr));
    EXPECT_EQ(alpha, 41);
}

TEST(DisplayWindow, PlacesAndStoresInTwips) {
    const RECT work = WorkArea();
    {
        // First ever: wholly on the work area, in its bottom-right corner (by the tray).
        Loaded d;
        ASSERT_TRUE(d.window.Load(DisplayFlagsOf("0123"), true));
        RECT r;
        ::GetWindowRect(d.window.hwnd(), &r);
        EXPECT_LE(r.right, work.right);
        EXPECT_LE(r.bottom, work.bottom);
        EXPECT_GT(r.left, (work.left + work.right) / 2);
        EXPECT_GT(r.top, (work.top + work.bottom) / 2);
    }
    {
        // A stored place in twips; any button release stores the place again.
        Loaded d;
        const int dpi_twips = 1440 / 96;
        d.settings.Write(SettingPath(Setting::DDLeft), std::to_string(100 * dpi_twips));
        d.settings.Write(SettingPath(Setting::DDTop), std::to_string(50 * dpi_twips));
        ASSERT_TRUE(d.window.Load(DisplayFlagsOf("0"), true));
        const HWND w = d.window.hwnd();
        RECT r;
        ::GetWindowRect(w, &r);
        EXPECT_EQ(r.left, display::TwipsToPixels(1500, d.window.dpi()));
        EXPECT_EQ(r.top, display::TwipsToPixels(750, d.window.dpi()));

        ::SetWindowPos(w, nullptr, 200, 150, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        ::SendMessageW(w, WM_RBUTTONDOWN, MK_RBUTTON, 0);
        ::SendMessageW(w, WM_RBUTTONUP, 0, 0);
        EXPECT_EQ(d.host.cycles, 1);
        EXPECT_EQ(*d.settings.Read(SettingPath(Setting::DDLeft)),
                  std::to_string(display::PixelsToTwips(200, d.window.dpi())));
        EXPECT_EQ(*d.settings.Read(SettingPath(Setting::DDTop)),
                  std::to_string(display::PixelsToTwips(150, d.window.dpi())));
    }
    {
        // Stored on a monitor that is gone: brought back onto the work area, size kept.
        Loaded d;
        d.settings.Write(SettingPath(Setting::DDLeft), "90000");
        d.settings.Write(SettingPath(Setting::DDTop), "-20000");
        ASSERT_TRUE(d.window.Load(DisplayFlagsOf("0"), true));
        RECT r;
        ::GetWindowRect(d.window.hwnd(), &r);
        EXPECT_EQ(r.right, work.right);
        EXPECT_EQ(r.top, work.top);
        EXPECT_EQ(r.right - r.left, display::TwipsToPixels(2300, d.window.dpi()));
    }
}

TEST(WindowEffects, FadeInEndsOpaqueAfterFourteenTicks) {
    const HWND w = wintest::CreateHiddenWindow(L"WandrelFadeTest");
    ASSERT_TRUE(w);
    win32::FadeIn fade;
    ASSERT_TRUE(fade.Start(w));
    BYTE alpha = 1;
    ASSERT_TRUE(::GetLayeredWindowAttributes(w, nullptr, &alpha, nullptr));
    EXPECT_EQ(alpha, 0);
    int ticks = 1;
    while (!fade.Tick())
        ++ticks;
    EXPECT_EQ(ticks, 14);
    EXPECT_FALSE(::GetWindowLongPtrW(w, GWL_EXSTYLE) & WS_EX_LAYERED);
    ::DestroyWindow(w);
}

// At 144 DPI the same twips give one and a half times the pixels. The DPI a program sees is
// fixed when it starts, so a second process of this test program measures (its prefix is this
// test's own).
TEST(DisplayWindow, At144DpiTheWindowIsOneAndAHalfTimesLarger) {
    win32::UniqueRegKey key;
    ASSERT_EQ(::RegCreateKeyExW(HKEY_CURRENT_USER, L"Control Panel\\Desktop", 0, nullptr, 0,
                                KEY_SET_VALUE, nullptr, key.put(), nullptr),
              ERROR_SUCCESS);
    DWORD dpi = 144;
    ASSERT_EQ(::RegSetValueExW(key.get(), L"LogPixels", 0, REG_DWORD,
                               reinterpret_cast<const BYTE*>(&dpi), sizeof dpi),
              ERROR_SUCCESS);
    win32::UniqueHandleKernel peer(wintest::StartPeerTest(L"DisplayWindow.DISABLED_Measure144"));
    ASSERT_TRUE(peer);
    ASSERT_EQ(::WaitForSingleObject(peer.get(), 60000), WAIT_OBJECT_0);
    DWORD code = 1;
    ::GetExitCodeProcess(peer.get(), &code);
    dpi = 96;
    ::RegSetValueExW(key.get(), L"LogPixels", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&dpi),
                     sizeof dpi);
    EXPECT_EQ(code, 0u);
}

TEST(DisplayWindow, DISABLED_Measure144) {
    Loaded d;
    ASSERT_TRUE(d.window.Load(DisplayFlagsOf("04"), true));
    EXPECT_EQ(d.window.dpi(), 144);
    const SIZE size = ClientSize(d.window.hwnd());
    EXPECT_EQ(size.cx, 407); // 4069 twips: 271 pixels at 96 DPI
    EXPECT_EQ(size.cy, 48);  // 480 twips: 32 pixels at 96 DPI
}
