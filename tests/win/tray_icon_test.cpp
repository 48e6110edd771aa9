#include "tests/fakes/memory_stores.h"
#include "ui/tray_icon_win32.h"
#include "ui/tray_text.h"
#include "win_test_support.h"

#include <gtest/gtest.h>

#include <vector>

using namespace tray;

namespace {

class FakeHost : public TrayIconHost {
  public:
    CounterSet counters;
    std::string transparent = "False";
    int sends = 0;
    int quits = 0;

    const CounterSet& Counters() const override { return counters; }
    bool MetricUnits() const override { return true; }
    std::string TransparentIconSetting() override { return transparent; }
    bool SendingInProgress() const override { return false; }
    void Send() override { ++sends; }
    void CloseDisplay() override {}
    void OpenDisplay() override {}
    void ResumeCounting() override {}
    void SuspendCounting() override {}
    void SetIconMoveGlobal(bool) override {}
    void ApplyRestIcon() override {}
    void OpenWebsite() override {}
    void OpenSettings() override {}
    void Quit() override { ++quits; }
};

void WriteFile(const std::wstring& path, const void* data, size_t size) {
    win32::UniqueHandleKernel file(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr,
                                                 CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    ::WriteFile(file.get(), data, static_cast<DWORD>(size), &written, nullptr);
}

// One of the program's own icons, copied beside the tests by the build.
void WriteIcon(const std::wstring& path) {
    ASSERT_TRUE(::CopyFileW((wintest::ProgramFolder() + L"mouse1.ico").c_str(), path.c_str(),
                            FALSE));
}

bool ModifyTip(HWND owner, const wchar_t* tip) {
    NOTIFYICONDATAW probe{};
    probe.cbSize = sizeof(probe);
    probe.hWnd = owner;
    probe.uID = 1;
    probe.uFlags = NIF_TIP;
    wcscpy(probe.szTip, tip);
    return ::Shell_NotifyIconW(NIM_MODIFY, &probe) != FALSE;
}

// An icon of a hidden owner window; `folder` holds an empty Icons folder of its own.
class TrayIconShell : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(owner);
        ::CreateDirectoryW(folder.c_str(), nullptr);
        ::CreateDirectoryW(icons.c_str(), nullptr);
    }
    void TearDown() override { ::DestroyWindow(owner); }
    bool Init(bool icon_change) {
        return icon.Init(owner, ::GetModuleHandleW(nullptr), folder, icon_change);
    }

    HWND owner = wintest::CreateHiddenWindow(L"TrayTestOwner");
    const std::wstring folder = wintest::TempPath(
        L"wandrel-tray-" + std::to_wstring(::GetCurrentProcessId()) + L"\\");
    const std::wstring icons = folder + L"Icons\\";
    FakeHost host;
    MemorySettingsStore store;
    TrayIcon icon{host, store};
};

} // namespace

TEST_F(TrayIconShell, AddsModifiesDeletesAndComesBackWithTheTaskbar) {
    ASSERT_TRUE(Init(true));
    EXPECT_EQ(icon.NbIcones(), 2);
    const NOTIFYICONDATAW& r = icon.record();
    EXPECT_EQ(r.hIcon, icon.activity_image(0));

    // The desktop's tray comes up with the first window of a fresh prefix: give it time.
    ASSERT_TRUE(wintest::PumpUntil([&] { return icon.AjoutIcone(); }));
    EXPECT_TRUE(icon.ShowFrame(3));
    EXPECT_EQ(r.hIcon, icon.activity_image(3));
    EXPECT_FALSE(icon.ShowFrame(4)); // no such image: nothing changes
    EXPECT_EQ(r.hIcon, icon.activity_image(3));

    host.transparent = "True";
    EXPECT_TRUE(icon.ShowRestIcon());
    EXPECT_EQ(r.hIcon, icon.transparent_image());

    // Every notification rebuilds the tooltip; a double click sends.
    host.counters.Distance = 1234567;
    host.counters.NbTouches = 5;
    icon.OnNotification(0x0200);
    EXPECT_EQ(std::wstring(r.szTip), TooltipText(host.counters, true, LocaleDecimalSeparator()));
    icon.OnNotification(0x0203);
    EXPECT_EQ(host.sends, 1);

    EXPECT_TRUE(icon.RemoveIcon());
    EXPECT_FALSE(ModifyTip(owner, L"gone")); // the shell no longer knows the icon

    // Adding it again (what the window does when the shell announces a new taskbar, proven
    // with the window's message handling) puts it back.
    EXPECT_TRUE(icon.AjoutIcone());
    EXPECT_TRUE(ModifyTip(owner, L"back"));
    icon.RemoveIcon();
}

TEST_F(TrayIconShell, RightButtonOpensTheMenuWithSendAsDefault) {
    ASSERT_TRUE(Init(false));
    HMENU menu = icon.menu();
    EXPECT_EQ(::GetMenuItemCount(menu), 11);
    EXPECT_EQ(::GetMenuDefaultItem(menu, FALSE, 0), TrayPopupMenu::CommandId(TrayCommand::Send));

    // While the modal menu runs, a timer looks at it and chooses "Exit".
    static HWND s_owner;
    static bool s_menu_seen;
    s_owner = owner;
    s_menu_seen = false;
    ::SetTimer(owner, 1, 300, [](HWND, UINT, UINT_PTR, DWORD) {
        ::KillTimer(s_owner, 1);
        HWND popup = ::FindWindowW(L"#32768", nullptr);
        s_menu_seen = popup && ::IsWindowVisible(popup);
        // Up from no selection wraps to the last entry, Exit.
        ::PostMessageW(popup, WM_KEYDOWN, VK_UP, 0);
        ::PostMessageW(popup, WM_KEYDOWN, VK_RETURN, 0);
    });
    // Never left hanging: the menu is closed after a while whatever happens.
    ::SetTimer(owner, 2, 5000, [](HWND, UINT, UINT_PTR, DWORD) {
        ::KillTimer(s_owner, 2);
        ::EndMenu();
    });
    icon.OnNotification(0x0205);
    ::KillTimer(owner, 2);
    EXPECT_TRUE(s_menu_seen);
    EXPECT_EQ(host.quits, 1);
    // Counting on, icon change checked (animation off), display off and greyed.
    const auto state = [&](TrayCommand c) {
        return ::GetMenuState(menu, TrayPopupMenu::CommandId(c), MF_BYCOMMAND);
    };
    EXPECT_TRUE(state(TrayCommand::Counting) & MF_CHECKED);
    EXPECT_TRUE(state(TrayCommand::IconChange) & MF_CHECKED);
    EXPECT_EQ(state(TrayCommand::Display) & (MF_CHECKED | MF_GRAYED), UINT{MF_GRAYED});
}

TEST_F(TrayIconShell, CustomPairsReplaceTheBuiltInImages) {
    for (const wchar_t* name : {L"1a", L"1b", L"2a"})
        WriteIcon(icons + L"WandrelIcon" + name + L".ico");
    WriteFile(icons + L"WandrelIcon2b.ico", "not an icon", 11);
    ASSERT_TRUE(Init(true));
    EXPECT_EQ(icon.NbIcones(), 1); // the second pair has a file that is no icon
    EXPECT_TRUE(icon.activity_image(1));
    EXPECT_FALSE(icon.activity_image(2));
    WriteIcon(icons + L"WandrelIcon2b.ico");
    EXPECT_TRUE(icon.ChargeIcones(icons));
    EXPECT_EQ(icon.NbIcones(), 2);
    for (const wchar_t* name : {L"1a", L"1b", L"2a", L"2b"})
        ::DeleteFileW((icons + L"WandrelIcon" + name + L".ico").c_str());
}
