#include "ui/tray_icon_files.h"
#include "tests/fakes/memory_stores.h"
#include "ui/tray_menu.h"
#include "ui/tray_text.h"

#include <gtest/gtest.h>

#include <set>

using namespace tray;

TEST(TrayText, CountsDistancesAndHundredths) {
    const std::pair<int64_t, const wchar_t*> counts[] = {{0, L"   0"},
                                                         {1234, L"  1 234"},
                                                         {2147483647, L"2 147 483 647"},
                                                         {-5, L"-   5"},
                                                         {123456789012, L"123 456 789 012"}};
    for (auto [n, text] : counts)
        EXPECT_EQ(FormatCountPattern(n), text) << n;

    const std::tuple<int32_t, bool, const wchar_t*, const wchar_t*> lines[] = {
        {1234567, true, L".", L" 12 Km  345 M"},
        {1234567, false, L",", L" 7,46 Mi  379,5 Yd"},
        {0, false, L".", L" 0 Mi  0 Yd"},
        {160900000, false, L".", L" 1000 Mi  0 Yd"}, // no separator without decimals
        {1000, false, L".", L" 0 Mi  11 Yd"},
        {2147483647, true, L".", L" 21474 Km  836 M"}, // never a wrapped value
        {-2147483647 - 1, true, L".", L" -21474 Km  -836 M"},
        {2147483647, false, L".", L" 13346.18 Mi  919.6 Yd"}};
    for (auto [cm, metric, sep, text] : lines)
        EXPECT_EQ(TooltipDistanceLine(cm, metric, sep), text) << cm;

    EXPECT_EQ(FormatHundredths(1200, L"."), L"12");
    EXPECT_EQ(FormatHundredths(-5, L"\u066b"), L"-0\u066b05");
}

TEST(TrayText, TooltipLinesAndCut) {
    CounterSet c;
    c.Distance = 1234567;
    c.NbTouches = 5;
    c.NCDroit = 1;
    c.NCGauche = 2;
    c.NCSpecial = 3;
    EXPECT_EQ(TooltipText(c, true, L"."),
              L" 12 Km  345 M\r\n   5 Keys\r\n   6 Clicks\r\n   0 Scrolls");
    c.NbTouches = c.NScrolls = 1234567;
    c.NCDroit = c.NCGauche = c.NCSpecial = 2000000000; // the sum passes 2^31
    const std::wstring tip = TooltipText(c, true, L".");
    EXPECT_EQ(tip.size(), kTipMaxTextChars);
    EXPECT_EQ(tip, std::wstring(L" 12 Km  345 M\r\n 1 234 567 Keys\r\n6 000 000 000 Clicks\r\n"
                                L" 1 234 567 Scrolls")
                       .substr(0, 63));
}

TEST(TrayIconFiles, StopsAtTheFirstIncompletePairAndAtTheCap) {
    std::set<std::wstring> present;
    auto exists = [&](const std::wstring& p) { return present.count(p) != 0; };
    EXPECT_TRUE(FindIconPairs(L"F\\", exists).empty());
    // 2a without 2b, and a pair 3 after the gap: one pair.
    present = {L"F\\WandrelIcon1a.ico", L"F\\WandrelIcon1b.ico", L"F\\WandrelIcon2a.ico",
               L"F\\WandrelIcon3a.ico", L"F\\WandrelIcon3b.ico"};
    EXPECT_EQ(FindIconPairs(L"F\\", exists),
              (std::vector<std::wstring>{L"F\\WandrelIcon1a.ico", L"F\\WandrelIcon1b.ico"}));
    for (unsigned i = 1; i <= 30; ++i) {
        present.insert(L"F\\" + IconFileName(i, false));
        present.insert(L"F\\" + IconFileName(i, true));
    }
    const auto files = FindIconPairs(L"F\\", exists);
    ASSERT_EQ(files.size(), 2 * kMaxIconPairs);
    EXPECT_EQ(files[kMaxIconPairs - 1], L"F\\WandrelIcon20a.ico");
    EXPECT_EQ(files[kMaxIconPairs], L"F\\WandrelIcon1b.ico");
}

TEST(TrayAnimation, SendingImageCyclesAndRestChoiceIsExact) {
    EXPECT_EQ(NextImageEnvoi(2), 3);
    EXPECT_EQ(NextImageEnvoi(3), 0);
    EXPECT_EQ(NextImageEnvoi(200), 0);
    EXPECT_TRUE(RestIconIsTransparent("True"));
    EXPECT_FALSE(RestIconIsTransparent("true"));
}

namespace {

class RecordingHost : public TrayMenuHost, public TrayMouseActions {
  public:
    std::string log;
    bool sending = false;
    TrayNotificationDispatcher* dispatcher = nullptr;
    uint32_t nested_message = 0; // delivered by the shell while a sending or the menu runs

    bool SendingInProgress() const override { return sending; }
    void Send() override { Nest("send;"); }
    void ShowMenu() override { Nest("menu;"); }
    void SetIconMoveGlobal(bool on) override { log += on ? "move-on;" : "move-off;"; }
    void CloseDisplay() override { log += "close-display;"; }
    void OpenDisplay() override { log += "open-display;"; }
    void ResumeCounting() override { log += "resume;"; }
    void SuspendCounting() override { log += "suspend;"; }
    void ApplyRestIcon() override { log += "rest;"; }
    void OpenWebsite() override { log += "site;"; }
    void OpenSettings() override { log += "settings;"; }
    void Quit() override { log += "quit;"; }
    void RebuildTooltip() override { log += "tip;"; }

  private:
    void Nest(const char* what) {
        log += what;
        if (dispatcher && nested_message)
            dispatcher->Handle(nested_message, *this);
    }
};

} // namespace

TEST(TrayNotification, DispatchesAndTheBusyFlagBlocksReentry) {
    RecordingHost host;
    TrayNotificationDispatcher d;
    host.dispatcher = &d;
    for (uint32_t m : {kTrayLeftDoubleClick, kTrayRightButtonUp, 0x0200u, 0x0202u})
        d.Handle(m, host);
    EXPECT_EQ(host.log, "tip;send;tip;menu;tip;tip;");
    for (uint32_t m : {kTrayRightButtonUp, kTrayLeftDoubleClick}) {
        host.log.clear();
        host.nested_message = m;
        d.Handle(m, host);
    }
    EXPECT_EQ(host.log, "tip;send;tip;");
    EXPECT_FALSE(d.busy());
}

TEST(TrayMenu, CommandsToggleWriteAndWaitForTheirWindows) {
    RecordingHost host;
    MemorySettingsStore store;
    TrayMenuCommands menu(host, store);
    host.sending = true; // counting toggle ignored during a sending
    menu.McE_Click();
    EXPECT_TRUE(menu.state().counting_checked);
    host.sending = false;
    menu.McE_Click();
    EXPECT_FALSE(menu.state().counting_checked);
    menu.McE_Click();
    EXPECT_EQ(host.log, "suspend;rest;resume;");
    // Stopped by the counters' guard: off for the rest of the run.
    menu.state().counting_checked = false;
    menu.state().counting_locked = true;
    menu.Run(TrayCommand::Counting);
    EXPECT_FALSE(menu.state().counting_checked);
    EXPECT_EQ(host.log, "suspend;rest;resume;");
    menu.state().counting_checked = true;
    menu.state().counting_locked = false;

    host.log.clear();
    menu.Run(TrayCommand::IconChange);
    EXPECT_TRUE(menu.state().icon_change_disabled);
    EXPECT_EQ(store.Read(kSettingsKey + "IconMove"), "False");
    menu.Run(TrayCommand::IconChange);
    EXPECT_EQ(store.Read(kSettingsKey + "IconMove"), "True");
    menu.Run(TrayCommand::Display); // nothing until the windows exist
    menu.Run(TrayCommand::Settings);
    EXPECT_EQ(host.log, "move-off;rest;move-on;");

    host.log.clear();
    menu.state().display_available = menu.state().settings_available = true;
    for (TrayCommand c : {TrayCommand::Display, TrayCommand::Display, TrayCommand::Settings,
                          TrayCommand::Send, TrayCommand::Website, TrayCommand::Quit})
        menu.Run(c);
    EXPECT_EQ(host.log, "open-display;close-display;settings;send;site;quit;");
    EXPECT_EQ(DefaultCaption(CaptionId(TrayCommand::Counting)), L"DataCounting Enabled");
}
