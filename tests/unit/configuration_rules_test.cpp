#include "ui/configuration_rules.h"
#include "tests/fakes/memory_stores.h"

#include <gtest/gtest.h>

namespace {

struct RecordingHttp : HttpFetcher {
    HttpResult Fetch(const std::string&) override { return {}; }
    void SetProxy(const std::string& address) override { proxy = address; }
    std::string proxy = "<unset>";
};

std::string Stored(MemorySettingsStore& store, Setting s) {
    return store.Read(SettingPath(s)).value_or("<missing>");
}

} // namespace

TEST(ConfigurationSteps, WrapOrStopAtTheEndsAndWriteTheSetting) {
    MemorySettingsStore store;
    // {label, shown, up, expected label (0 = no change)}
    struct Case {
        StepLabel label;
        int shown;
        bool up;
        std::optional<int> expected;
    };
    const Case cases[] = {
        {StepLabel::As_heure, 23, true, 0},       {StepLabel::As_heure, 0, false, 23},
        {StepLabel::AS_km, 1, false, 99},         {StepLabel::AS_km, 99, true, 1},
        {StepLabel::Min_save, 360, true, 5},      {StepLabel::Min_save, 5, false, 360},
        {StepLabel::Min_save, 15, true, 20},      {StepLabel::ddSize, 9, true, std::nullopt},
        {StepLabel::ddSize, 1, false, std::nullopt}, {StepLabel::ddSize, 4, true, 5},
        {StepLabel::Transparence, 95, true, std::nullopt},
        {StepLabel::Transparence, 5, false, std::nullopt},
        {StepLabel::Transparence, 30, false, 25},
        // A damaged label is first brought into the range.
        {StepLabel::As_heure, 40, false, 22},
    };
    for (const Case& c : cases) {
        const Setting setting = StepRuleOf(c.label).setting;
        store.Write(SettingPath(setting), "<before>");
        EXPECT_EQ(PressStep(store, c.label, c.shown, c.up), c.expected)
            << static_cast<int>(c.label) << " " << c.shown;
        if (c.expected) {
            const int stored = *c.expected - (c.label == StepLabel::ddSize ? 2 : 0);
            EXPECT_EQ(Stored(store, setting), std::to_string(stored));
        } else {
            EXPECT_EQ(Stored(store, setting), "<before>");
        }
    }
    EXPECT_EQ(Stored(store, Setting::DDSize), "3"); // label 5

    store.fail_writes = true; // the label keeps showing what is stored
    EXPECT_EQ(PressStep(store, StepLabel::AS_km, 5, true), std::nullopt);
}

TEST(ConfigurationSteps, LabelsFromTheSettings) {
    MemorySettingsStore store;
    EXPECT_EQ(StepLabelFromSettings(store, StepLabel::ddSize), 3); // dialog default "1"
    EXPECT_EQ(Stored(store, Setting::DDSize), "1");
    store.Write(SettingPath(Setting::DDSize), "-1");
    EXPECT_EQ(StepLabelFromSettings(store, StepLabel::ddSize), 1);
    store.Write(SettingPath(Setting::DDSize), "8"); // out of range: the dialog's default
    EXPECT_EQ(StepLabelFromSettings(store, StepLabel::ddSize), 3);
    EXPECT_EQ(StepLabelFromSettings(store, StepLabel::Min_save), 15);
    EXPECT_EQ(StepLabelFromSettings(store, StepLabel::Transparence), 30);
    store.Write(SettingPath(Setting::HAS), "23");
    EXPECT_EQ(StepLabelFromSettings(store, StepLabel::As_heure), 23);
}

TEST(ConfigurationAutoSend, TheTwoBoxesExcludeEachOther) {
    MemorySettingsStore store;
    AutoSendState state = ClickAutoSend(store, AutoSendBox::Auto_send, true);
    EXPECT_TRUE(state.Autos);
    EXPECT_FALSE(state.AutosKm);
    EXPECT_EQ(Stored(store, Setting::AS), "H");

    // Checking the distance box while the hourly one is checked leaves only the distance.
    state = ClickAutoSend(store, AutoSendBox::AutoSend_km, true);
    EXPECT_FALSE(state.Autos);
    EXPECT_TRUE(state.AutosKm);
    EXPECT_EQ(Stored(store, Setting::AS), "K");

    state = ClickAutoSend(store, AutoSendBox::AutoSend_km, false);
    EXPECT_FALSE(state.Autos || state.AutosKm);
    EXPECT_EQ(Stored(store, Setting::AS), "none");

    store.Write(SettingPath(Setting::AS), "K");
    store.fail_writes = true; // nothing written: the boxes show the stored mode
    state = ClickAutoSend(store, AutoSendBox::Auto_send, true);
    EXPECT_FALSE(state.Autos);
    EXPECT_TRUE(state.AutosKm);
}

TEST(ConfigurationDisplay, DisplayDataFromTheSixFlags) {
    MemorySettingsStore store;
    DisplayFlags flags;
    ASSERT_TRUE(EnregistreDisplayData(store, flags));
    EXPECT_EQ(Stored(store, Setting::DisplayData), ""); // all cleared
    flags.DDisplay_usetime = flags.DDisplay_touches = flags.DDisplay_uptime = true;
    EXPECT_EQ(DisplayDataText(flags), "145");
    flags = DisplayFlags{true, true, true, true, true, true};
    EXPECT_EQ(DisplayDataText(flags), "012345");
    store.fail_writes = true;
    EXPECT_FALSE(EnregistreDisplayData(store, flags));
}

TEST(ConfigurationCheckBoxes, AWriteThatFailsShowsTheStoredValue) {
    MemorySettingsStore store;
    EXPECT_TRUE(WriteCheckBox(store, Setting::DDonTop, true));
    EXPECT_EQ(Stored(store, Setting::DDonTop), "True");
    EXPECT_TRUE(WriteEnglishUnits(store, true));
    EXPECT_EQ(Stored(store, Setting::Unit), "Miles");
    EXPECT_FALSE(WriteEnglishUnits(store, false));
    EXPECT_EQ(Stored(store, Setting::Unit), "Km");
    store.fail_writes = true;
    EXPECT_TRUE(WriteCheckBox(store, Setting::DDonTop, false));
    EXPECT_FALSE(WriteEnglishUnits(store, true));
    EXPECT_TRUE(WriteCheckBox(store, Setting::Save_dist, false)); // missing: its default
}

TEST(ConfigurationWinstart, WritesTheWidePathOrDeletesTheEntry) {
    MemorySettingsStore store;
    const std::wstring folder = L"C:\\\u7A0B\u5E8F\\TheWandrel"; // not in code page 1252
    EXPECT_TRUE(ApplyWinstart(store, folder, true));
    EXPECT_EQ(store.ReadWide(kRunEntryPath), folder + L"\\TheWandrel.exe");
    EXPECT_FALSE(ApplyWinstart(store, folder, false));
    EXPECT_EQ(store.ReadWide(kRunEntryPath), std::nullopt);
    EXPECT_FALSE(ApplyWinstart(store, folder, false)); // already absent
    store.fail_writes = true;
    EXPECT_FALSE(ApplyWinstart(store, L"C:\\Wandrel\\", true));
}

TEST(ConfigurationProxy, PromptDefaultAndUseProxy) {
    MemorySettingsStore store;
    RecordingHttp http;
    EXPECT_EQ(ProxyPromptDefault(store), L"http://ProxyAdress:80");
    // Checked with no stored proxy: the prompt is asked for, the requests are not switched.
    EXPECT_EQ(UseProxyChanged(store, http, true), UseProxyOutcome::AskForProxy);
    EXPECT_EQ(Stored(store, Setting::UseProxy), "True");
    EXPECT_EQ(http.proxy, "<unset>");

    store.Write(SettingPath(Setting::Proxy), "http://caf\xE9:3128");
    EXPECT_EQ(ProxyPromptDefault(store), L"http://caf\u00E9:3128");
    EXPECT_EQ(UseProxyChanged(store, http, true), UseProxyOutcome::Proxied);
    EXPECT_EQ(http.proxy, "http://caf\xE9:3128");
    EXPECT_EQ(UseProxyChanged(store, http, false), UseProxyOutcome::Direct);
    EXPECT_EQ(http.proxy, "");
    EXPECT_EQ(Stored(store, Setting::UseProxy), "False");
    EXPECT_EQ(Stored(store, Setting::Proxy), "http://caf\xE9:3128"); // kept

    store.fail_writes = true;
    EXPECT_EQ(UseProxyChanged(store, http, true), UseProxyOutcome::NotWritten);
    EXPECT_EQ(http.proxy, "");
}

TEST(ConfigurationLogs, LogSizeAsTheDefaultNumberTextAndNotepadOnThePath) {
    EXPECT_EQ(LogSizeText(L"Logs size:", 0.0f, L"."), L"Logs size: 0 Ko");
    EXPECT_EQ(LogSizeText(L"Logs size:", 1.5f, L","), L"Logs size: 1,5 Ko");
    EXPECT_EQ(LogSizeText(L"Logs size:", 12.07f, L"."), L"Logs size: 12.07 Ko");
    EXPECT_EQ(LogSizeText(L"Taille :", 1024.0f, L"."), L"Taille : 1024 Ko");
    // A user name with a blank: Notepad still gets the whole path as one argument.
    EXPECT_EQ(OpenLogsCommandLine(L"C:\\Users\\Ann Lee\\TheWandrel.log"),
              L"Notepad \"C:\\Users\\Ann Lee\\TheWandrel.log\"");
}

TEST(ConfigurationColours, CancelWritesTheStartingColourAFailureNothing) {
    EXPECT_EQ(ColourToStore(true, false, 255, 0x00FF00), 0x00FF00u);
    EXPECT_EQ(ColourToStore(false, false, 255, 0), 255u);
    EXPECT_EQ(ColourToStore(false, true, 255, 0), std::nullopt);
}

namespace {

struct RecordingDevices : CountingDevices {
    bool CountingOn() override { return counting; }
    bool SendingInProgress() const override { return sending; }
    void StopSampling() override { calls += "stop "; }
    void ReleaseMouse() override { calls += "release-mouse "; }
    void AcquireMouse() override { calls += "acquire-mouse "; }
    void StartSampling() override { calls += "start "; }
    bool counting = true;
    bool sending = false;
    std::string calls;
};

} // namespace

TEST(ConfigurationClosing, OnlyTheMouseIsAcquiredAfreshAndOnlyWhileCounting) {
    RecordingDevices devices;
    ReacquireMouseAfterClosing(devices);
    EXPECT_EQ(devices.calls, "stop release-mouse acquire-mouse start ");
    devices.calls.clear();
    devices.sending = true; // the sending resumes the sampling when it ends
    ReacquireMouseAfterClosing(devices);
    EXPECT_EQ(devices.calls, "stop release-mouse acquire-mouse ");
    devices.calls.clear();
    devices.counting = false;
    ReacquireMouseAfterClosing(devices);
    EXPECT_EQ(devices.calls, "");
}
