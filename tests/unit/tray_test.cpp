#include "ui/tray_icon_files.h"
#include "ui/tray_menu.h"
#include "ui/tray_text.h"

#include <gtest/gtest.h>

#include <set>

using namespace tray;

TEST(TrayText, CountPatternKeepsEverySpaceAndFillsFromTheRight) {
    EXPECT_EQ(FormatCountPattern(0), L"   0");
    EXPECT_EQ(FormatCountPattern(5), L"   5");
    EXPECT_EQ(FormatCountPattern(1234), L"  1 234");
    EXPECT_EQ(FormatCountPattern(1234567), L" 1 234 567");
    EXPECT_EQ(FormatCountPattern(2147483647), L"2 147 483 647");
    EXPECT_EQ(FormatCountPattern(123456789012), L"123 456 789 012"); // beyond 11 digits
    EXPECT_EQ(FormatCountPattern(-5), L"-   5");
}

TEST(TrayText, DistanceLineInBothUnits) {
    EXPECT_EQ(TooltipDistanceLine(1234567, true, L"."), L" 12 Km  345 M");
    EXPECT_EQ(TooltipDistanceLine(1234567, false, L"."), L" 7.46 Mi  379.5 Yd");
    EXPECT_EQ(TooltipDistanceLine(1234567, false, L","), L" 7,46 Mi  379,5 Yd");
    EXPECT_EQ(TooltipDistanceLine(0, false, L"."), L" 0 Mi  0 Yd");
    EXPECT_EQ(TooltipDistanceLine(99, true, L"."), L" 0 Km  0 M");
    // 1609 km is exactly 1000 mi; 10 m is 11 yd: no separator without decimals.
    EXPECT_EQ(TooltipDistanceLine(160900000, false, L"."), L" 1000 Mi  0 Yd");
    EXPECT_EQ(TooltipDistanceLine(1000, false, L"."), L" 0 Mi  11 Yd");
    // The largest 32-bit counts show their true kilometres, never a wrapped value.
    EXPECT_EQ(TooltipDistanceLine(2147483647, true, L"."), L" 21474 Km  836 M");
    EXPECT_EQ(TooltipDistanceLine(-2147483647 - 1, true, L"."), L" -21474 Km  -836 M");
    EXPECT_EQ(TooltipDistanceLine(2147483647, false, L"."), L" 13346.18 Mi  919.6 Yd");
}

TEST(TrayText, HundredthsDropTrailingZeros) {
    EXPECT_EQ(FormatHundredths(746, L"."), L"7.46");
    EXPECT_EQ(FormatHundredths(37950, L"."), L"379.5");
    EXPECT_EQ(FormatHundredths(1200, L"."), L"12");
    EXPECT_EQ(FormatHundredths(5, L"."), L"0.05");
    EXPECT_EQ(FormatHundredths(-5, L"\u066b"), L"-0\u066b05");
}

TEST(TrayText, TooltipLinesAndCut) {
    CounterSet c;
    c.Distance = 1234567;
    c.NbTouches = 5;
    c.NCDroit = 1;
    c.NCGauche = 2;
    c.NCSpecial = 3;
    c.NScrolls = 0;
    EXPECT_EQ(TooltipText(c, true, L"."),
              L" 12 Km  345 M\r\n   5 Keys\r\n   6 Clicks\r\n   0 Scrolls");

    c.NbTouches = 1234567;
    c.NCDroit = c.NCGauche = c.NCSpecial = 2000000000; // the sum passes 2^31
    c.NScrolls = 1234567;
    const std::wstring tip = TooltipText(c, true, L".");
    EXPECT_EQ(tip.size(), kTipMaxTextChars);
    EXPECT_EQ(tip, std::wstring(L" 12 Km  345 M\r\n 1 234 567 Keys\r\n6 000 000 000 Clicks\r\n"
                                L" 1 234 567 Scrolls")
                       .substr(0, 63));
}

TEST(TrayIconFiles, StopsAtTheFirstIncompletePairAndAtTheCap) {
    std::set<std::wstring> present;
    auto exists = [&](const std::wstring& p) { return present.count(p) != 0; };
    EXPECT_TRUE(FindIconPairs(L"C:\\P\\Icons\\", exists).empty());

    present = {L"C:\\P\\Icons\\WandrelIcon1a.ico", L"C:\\P\\Icons\\WandrelIcon1b.ico"};
    EXPECT_EQ(FindIconPairs(L"C:\\P\\Icons\\", exists),
              (std::vector<std::wstring>{L"C:\\P\\Icons\\WandrelIcon1a.ico",
                                         L"C:\\P\\Icons\\WandrelIcon1b.ico"}));

    // 2a without 2b, and a pair 3 after the gap: still one pair.
    present.insert(L"C:\\P\\Icons\\WandrelIcon2a.ico");
    present.insert(L"C:\\P\\Icons\\WandrelIcon3a.ico");
    present.insert(L"C:\\P\\Icons\\WandrelIcon3b.ico");
    EXPECT_EQ(FindIconPairs(L"C:\\P\\Icons\\", exists).size(), 2u);

    present.clear();
    for (unsigned i = 1; i <= 30; ++i) {
        present.insert(L"F\\" + IconFileName(i, false));
        present.insert(L"F\\" + IconFileName(i, true));
    }
    const auto files = FindIconPairs(L"F\\", exists);
    ASSERT_EQ(files.size(), 2 * kMaxIconPairs);
    EXPECT_EQ(files[0], L"F\\WandrelIcon1a.ico");
    EXPECT_EQ(files[kMaxIconPairs - 1], L"F\\WandrelIcon20a.ico");
    EXPECT_EQ(files[kMaxIconPairs], L"F\\WandrelIcon1b.ico");
}

TEST(TrayAnimation, SendingImageCyclesAndRestChoiceIsExact) {
    EXPECT_EQ(NextImageEnvoi(0), 1);
    EXPECT_EQ(NextImageEnvoi(2), 3);
    EXPECT_EQ(NextImageEnvoi(3), 0);
    EXPECT_EQ(NextImageEnvoi(200), 0); // out of range comes back into the cycle
    EXPECT_TRUE(RestIconIsTransparent("True"));
    EXPECT_FALSE(RestIconIsTransparent("False"));
    EXPECT_FALSE(RestIconIsTransparent("true"));
    EXPECT_FALSE(RestIconIsTransparent(""));
}

namespace {

class RecordingHost : public TrayMenuHost, public TrayMouseActions {
  public:
    std::string log;
    bool sending = false;
    TrayNotificationDispatcher* dispatcher = nullptr;
    uint32_t nested_message = 0;

    bool SendingInProgress() const override { return sending; }
    void Send() override {
        log += "send;";
        // The shell can deliver another notification while a sending runs.
        if (dispatcher && nested_message)
            dispatcher->Handle(nested_message, *this);
    }
    void CloseDisplay() override { log += "close-display;"; }
    void OpenDisplay() override { log += "open-display;"; }
    void ResumeCounting() override { log += "resume;"; }
    void SuspendCounting() override { log += "suspend;"; }
    void SetIconMoveGlobal(bool on) override { log += on ? "move-on;" : "move-off;"; }
    void ApplyRestIcon() override { log += "rest;"; }
    void OpenWebsite() override { log += "site;"; }
    void OpenSettings() override { log += "settings;"; }
    void Quit() override { log += "quit;"; }
    void RebuildTooltip() override { log += "tip;"; }
    void ShowMenu() override {
        log += "menu;";
        if (dispatcher && nested_message)
            dispatcher->Handle(nested_message, *this);
    }
};

} // namespace

TEST(TrayNotification, DispatchesAndTheBusyFlagBlocksReentry) {
    RecordingHost host;
    TrayNotificationDispatcher d;
    host.dispatcher = &d;
    d.Handle(kTrayLeftDoubleClick, host);
    d.Handle(kTrayRightButtonUp, host);
    d.Handle(0x0200, host);
    d.Handle(0x0202, host);
    EXPECT_EQ(host.log, "tip;send;tip;menu;tip;tip;");

    // A right-button-up while the modal menu runs only refreshes the tooltip.
    host.log.clear();
    host.nested_message = kTrayRightButtonUp;
    d.Handle(kTrayRightButtonUp, host);
    EXPECT_EQ(host.log, "tip;menu;tip;");
    host.log.clear();
    host.nested_message = kTrayLeftDoubleClick;
    d.Handle(kTrayLeftDoubleClick, host);
    EXPECT_EQ(host.log, "tip;send;tip;");
    EXPECT_FALSE(d.busy());
}

TEST(TrayMenu, CountingToggleIsIgnoredDuringASending) {
    RecordingHost host;
    MemorySettingsStore store;
    TrayMenuCommands menu(host, store);
    host.sending = true;
    menu.McE_Click();
    EXPECT_TRUE(menu.state().counting_checked);
    EXPECT_EQ(host.log, "");

    host.sending = false;
    menu.McE_Click();
    EXPECT_FALSE(menu.state().counting_checked);
    menu.McE_Click();
    EXPECT_TRUE(menu.state().counting_checked);
    EXPECT_EQ(host.log, "suspend;rest;resume;");
}

TEST(TrayMenu, IconChangeWritesTheSettingAndDisplayToggles) {
    RecordingHost host;
    MemorySettingsStore store;
    TrayMenuCommands menu(host, store);
    menu.Run(TrayCommand::IconChange);
    EXPECT_TRUE(menu.state().icon_change_disabled);
    EXPECT_EQ(store.Read(kSettingsKey + "IconMove"), "False");
    menu.Run(TrayCommand::IconChange);
    EXPECT_FALSE(menu.state().icon_change_disabled);
    EXPECT_EQ(store.Read(kSettingsKey + "IconMove"), "True");
    EXPECT_EQ(host.log, "move-off;rest;move-on;");

    // Display and Settings do nothing until their windows exist.
    host.log.clear();
    menu.Run(TrayCommand::Display);
    menu.Run(TrayCommand::Settings);
    EXPECT_EQ(host.log, "");
    menu.state().display_available = menu.state().settings_available = true;
    menu.Run(TrayCommand::Display);
    menu.Run(TrayCommand::Display);
    menu.Run(TrayCommand::Settings);
    menu.Run(TrayCommand::Send);
    menu.Run(TrayCommand::Website);
    menu.Run(TrayCommand::Quit);
    EXPECT_EQ(host.log, "open-display;close-display;settings;send;site;quit;");
    EXPECT_EQ(DefaultCaption(CaptionId(TrayCommand::Counting)), L"DataCounting Enabled");
    EXPECT_EQ(DefaultCaption(CaptionId(TrayCommand::Quit)), L"Exit");
}
