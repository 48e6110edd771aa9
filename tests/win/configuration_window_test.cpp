// The configuration dialog made from its template, acted on as a user would (BM_CLICK, a list
// choice), with the settings in the registry.
#include "ui/configuration_window_win32.h"
#include "base/localisation.h"
#include "net/installer_steps.h"
#include "storage/activity_log.h"
#include "storage/data_files.h"
#include "storage/registry_settings_store_win32.h"
#include "storage/settings_table.h"
#include "tests/fakes/memory_stores.h"
#include "tests/unit/net_fakes.h"
#include "ui/display_layout.h"
#include "ui/display_window_win32.h"
#include "win_test_support.h"

#include <gtest/gtest.h>

#include <memory>
#include <thread>

using win32::ConfigurationWindow;

namespace {

struct Box {
    std::wstring text;
    std::wstring title;
};

class FakeClient : public win32::ConfigurationHost, public UserMessages {
  public:
    ExchangeServices Services() override {
        return ExchangeServices{settings, files, http, clock, random};
    }
    CounterSet& Counts() override { return counters; }
    UserMessages& Messages() override { return *this; }
    std::wstring ProgramFolder() override { return L"C:\\\u7A0B\u5E8F\\"; }
    std::wstring LastLog() override { return L"OK (12:00)"; }
    AutoSendState AutoSend() override { return auto_send; }
    void SetAutoSend(AutoSendState state) override { auto_send = state; }
    void SetHautos(uint8_t hour) override { Hautos = hour; }
    void SetKautos(uint8_t km) override { Kautos = km; }
    bool MoreClics() override { return more_clics; }
    void SetMoreClics(bool on) override { more_clics = on; }
    bool MetricUnits() const override { return metric; }
    void SetMetricUnits(bool m) override { metric = m; }
    void TransparentIconChanged() override { ++icon_redraws; }
    void LanguageChanged() override { ++language_changes; }
    DisplayFlags& Flags() override { return flags; }
    bool DisplayOpen() override { return display_open; }
    void DisplayLinesChanged() override { ++line_changes; }
    void DisplaySizeChanged() override { ++size_changes; }
    void SetDisplayOnTop(bool on_top) override { display_on_top = on_top; }
    void SetDisplayOpacity(uint8_t value) override { opacity = value; }
    std::optional<COLORREF> DisplayColour(bool) override { return std::nullopt; }
    void SetDisplayColour(bool, COLORREF) override {}
    void InputsPageShown(display::InputsLabels* shown) override { labels = shown; }
    void ConfigurationClosed() override { ++closings; }

    MessageAnswer Show(const std::wstring& text, const std::wstring& title, MessageButtons,
                       MessageIcon) override {
        boxes.push_back({text, title});
        return MessageAnswer::Ok;
    }
    std::optional<std::wstring> AskText(const std::wstring&, const std::wstring& title,
                                        const std::wstring& initial) override {
        boxes.push_back({initial, title});
        return proxy_answer;
    }

    RegistrySettingsStore settings;
    MemoryFileStore files;
    ScriptedFetcher http;
    FixedClock clock;
    SystemRandomSource random;
    CounterSet counters;
    AutoSendState auto_send;
    uint8_t Hautos = 0, Kautos = 1, opacity = 0;
    bool more_clics = false, metric = true, display_open = false, display_on_top = false;
    int icon_redraws = 0, language_changes = 0, line_changes = 0, size_changes = 0, closings = 0;
    DisplayFlags flags{true, true, true, true, false, false};
    display::InputsLabels* labels = nullptr;
    std::vector<Box> boxes;
    std::optional<std::wstring> proxy_answer;
};

class Configuration : public ::testing::Test {
  protected:
    void SetUp() override {
        ::RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\WDX");
        client.settings.Delete(kRunEntryPath);
    }
    void TearDown() override {
        window.reset();
        LangueCourante = 0;
    }
    void Open(std::optional<ConfigurationWindow::Page> page = std::nullopt) {
        window = std::make_unique<ConfigurationWindow>(client);
        ASSERT_TRUE(window->Show(page));
    }
    void Set(Setting s, const char* value) { client.settings.Write(SettingPath(s), value); }
    std::string Stored(Setting s) { return client.settings.Read(SettingPath(s)).value_or("<none>"); }
    HWND Control(int id) { return window->control(id); }
    void Click(int id) { ::SendMessageW(Control(id), BM_CLICK, 0, 0); }
    bool Checked(int id) { return ::SendMessageW(Control(id), BM_GETCHECK, 0, 0) == BST_CHECKED; }
    std::wstring Text(int id) {
        wchar_t buffer[512] = {};
        ::GetWindowTextW(Control(id), buffer, 512);
        return buffer;
    }

    FakeClient client;
    std::unique_ptr<ConfigurationWindow> window;
};

} // namespace

TEST_F(Configuration, OneWindowItsTitleAndPagesShownByTheirTabs) {
    Open();
    wchar_t title[64] = {};
    ::GetWindowTextW(window->hwnd(), title, 64);
    EXPECT_STREQ(title, ConfigurationWindow::kTitle);
    EXPECT_EQ(Text(IDC_CFG_BINPUTS), L"Inputs");
    EXPECT_EQ(Text(IDC_CFG_PLUS), L"+");
    EXPECT_EQ(Text(IDC_CFG_MOINS), L"-");
    EXPECT_TRUE(::IsWindowVisible(Control(IDC_CFG_LUT)));
    EXPECT_NE(client.labels, nullptr); // the Inputs page refreshed live
    client.labels->SetLabel(display::InputsLabel::LTotalTouches, L"1 234");
    EXPECT_EQ(Text(IDC_CFG_LTOTALTOUCHES), L"1 234");

    const HWND first = window->hwnd();
    Click(IDC_CFG_BDISPLAY);
    EXPECT_EQ(client.labels, nullptr);
    EXPECT_FALSE(::IsWindowVisible(Control(IDC_CFG_LUT)));
    EXPECT_TRUE(::IsWindowVisible(Control(IDC_CFG_DDSIZE)));
    ASSERT_TRUE(window->Show(ConfigurationWindow::Page::Account)); // the same window, in front
    EXPECT_EQ(window->hwnd(), first);
    EXPECT_TRUE(::IsWindowVisible(Control(IDC_CFG_PSEUDO)));

    ::SendMessageW(window->hwnd(), WM_CLOSE, 0, 0);
    EXPECT_EQ(window->hwnd(), nullptr);
    EXPECT_EQ(client.closings, 1);
}

TEST_F(Configuration, StepButtonsWrapOrStopAndWriteTheirSetting) {
    Set(Setting::HAS, "23");
    Set(Setting::KmAS, "1");
    Set(Setting::DDSize, "-1");
    Set(Setting::DDTransparency, "35");
    client.display_open = true;
    Open();
    Click(IDC_CFG_PLUS);
    EXPECT_EQ(Text(IDC_CFG_AS_HEURE), L"0");
    EXPECT_EQ(Stored(Setting::HAS), "0");
    EXPECT_EQ(client.Hautos, 0);
    Click(IDC_CFG_ASKMMOINS);
    EXPECT_EQ(Text(IDC_CFG_AS_KM), L"99");
    EXPECT_EQ(Stored(Setting::KmAS), "99");
    EXPECT_EQ(client.Kautos, 99);

    EXPECT_EQ(Text(IDC_CFG_DDSIZE), L"1");
    Click(IDC_CFG_DDSIZEMOINS); // stops at 1
    EXPECT_EQ(Text(IDC_CFG_DDSIZE), L"1");
    EXPECT_EQ(client.size_changes, 0);
    Click(IDC_CFG_DDSIZEPLUS);
    EXPECT_EQ(Stored(Setting::DDSize), "0");
    EXPECT_EQ(client.size_changes, 1);

    Click(IDC_CFG_DDTRMOINS);
    EXPECT_EQ(Stored(Setting::DDTransparency), "30");
    EXPECT_EQ(client.opacity, 188);
}

TEST_F(Configuration, AutomaticSendingBoxesExcludeEachOther) {
    Open();
    Click(IDC_CFG_AUTO_SEND);
    EXPECT_EQ(Stored(Setting::AS), "H");
    EXPECT_TRUE(client.auto_send.Autos);
    Click(IDC_CFG_AUTOSEND_KM);
    EXPECT_FALSE(Checked(IDC_CFG_AUTO_SEND));
    EXPECT_TRUE(Checked(IDC_CFG_AUTOSEND_KM));
    EXPECT_EQ(Stored(Setting::AS), "K");
    EXPECT_TRUE(client.auto_send.AutosKm && !client.auto_send.Autos);
    Click(IDC_CFG_AUTOSEND_KM);
    EXPECT_EQ(Stored(Setting::AS), "none");
    EXPECT_FALSE(client.auto_send.AutosKm);
}

TEST_F(Configuration, CheckBoxesWriteAndApplyAtOnce) {
    Open();
    Click(IDC_CFG_CE);
    EXPECT_EQ(Stored(Setting::Unit), "Miles");
    EXPECT_FALSE(client.metric);
    Click(IDC_CFG_COUNTSPECIALCLICS);
    EXPECT_EQ(Stored(Setting::MoreClics), "True");
    EXPECT_TRUE(client.more_clics);
    Click(IDC_CFG_ICONETRANSPARENTE);
    EXPECT_EQ(Stored(Setting::TransparentIcon), "True");
    EXPECT_EQ(client.icon_redraws, 1);
    Click(IDC_CFG_SAVE_LOGS); // checked by default
    EXPECT_EQ(Stored(Setting::Save_logs), "False");

    Click(IDC_CFG_WINSTART); // a folder name outside code page 1252
    EXPECT_EQ(client.settings.ReadWide(kRunEntryPath), L"C:\\\u7A0B\u5E8F\\TheWandrel.exe");
    EXPECT_TRUE(Checked(IDC_CFG_WINSTART));
    Click(IDC_CFG_WINSTART);
    EXPECT_EQ(client.settings.ReadWide(kRunEntryPath), std::nullopt);

    // The six display boxes, all cleared.
    for (int id : {IDC_CFG_DDDISTANCE, IDC_CFG_DDTOUCHES, IDC_CFG_DDCLICS, IDC_CFG_DDSCROLLS})
        Click(id);
    EXPECT_EQ(Stored(Setting::DisplayData), "");
    EXPECT_FALSE(client.flags.DDisplay_distance || client.flags.DDisplay_scrolls);
    Click(IDC_CFG_DDUSETIME);
    EXPECT_EQ(Stored(Setting::DisplayData), "5");
}

TEST_F(Configuration, FrenchFromTheListRelabelsTheDialog) {
    Open();
    const HWND combo = Control(IDC_CFG_COMBOLANGUE);
    ASSERT_EQ(::SendMessageW(combo, CB_GETCOUNT, 0, 0), 4);
    ::SendMessageW(combo, CB_SETCURSEL, 2, 0);
    ::SendMessageW(window->hwnd(), WM_COMMAND, MAKEWPARAM(IDC_CFG_COMBOLANGUE, CBN_SELCHANGE),
                   reinterpret_cast<LPARAM>(combo));
    EXPECT_EQ(Stored(Setting::Language), "1");
    EXPECT_EQ(Text(IDC_CFG_BCONFIG), L"Param\u00E8tres");
    EXPECT_EQ(Text(IDC_CFG_LOG_SIZE).rfind(L"Taille du journal : ", 0), 0u);
    EXPECT_EQ(client.language_changes, 1);
}

TEST_F(Configuration, UseProxyWithoutAProxyAsksForOne) {
    Open();
    EXPECT_FALSE(::IsWindowEnabled(Control(IDC_CFG_DEFINEPROXY)));
    Click(IDC_CFG_USEPROXY); // cancelled: an empty proxy is stored
    ASSERT_EQ(client.boxes.size(), 1u);
    EXPECT_EQ(client.boxes[0].text, L"http://ProxyAdress:80");
    EXPECT_EQ(client.boxes[0].title, L"Define the Proxy Adress");
    EXPECT_EQ(Stored(Setting::UseProxy), "True");
    EXPECT_EQ(Stored(Setting::Proxy), "");
    EXPECT_TRUE(::IsWindowEnabled(Control(IDC_CFG_DEFINEPROXY)));

    client.proxy_answer = L"http://cache:3128";
    Click(IDC_CFG_DEFINEPROXY);
    EXPECT_EQ(Stored(Setting::Proxy), "http://cache:3128");
    EXPECT_EQ(Text(IDC_CFG_TBOXPROXY), L"http://cache:3128");
    Click(IDC_CFG_USEPROXY);
    EXPECT_EQ(Stored(Setting::UseProxy), "False");
    EXPECT_FALSE(::IsWindowEnabled(Control(IDC_CFG_TBOXPROXY)));
}

TEST_F(Configuration, AccountSaveRefusesWhatTheProtocolCannotCarry) {
    Set(Setting::Login, "walker");
    Open(ConfigurationWindow::Page::Account);
    EXPECT_EQ(Text(IDC_CFG_PSEUDO), L"walker");
    for (const wchar_t* nickname : {L"o'brien", L"\u0416enya"}) {
        ::SetWindowTextW(Control(IDC_CFG_PSEUDO), nickname);
        ::SetWindowTextW(Control(IDC_CFG_PWD), L"secret");
        Click(IDC_CFG_SAVEACCOUNT);
        EXPECT_EQ(client.boxes.back().text, kNicknameNotUsableText);
    }
    ::SetWindowTextW(Control(IDC_CFG_PSEUDO), L"runner");
    ::SetWindowTextW(Control(IDC_CFG_PWD), L"pa'ss");
    Click(IDC_CFG_SAVEACCOUNT);
    EXPECT_EQ(client.boxes.back().text, kPasswordNotUsableText);
    EXPECT_EQ(Stored(Setting::Login), "walker");
    EXPECT_FALSE(client.files.Exists(kPasswordFileName));

    ::SetWindowTextW(Control(IDC_CFG_PWD), L"wandering");
    Click(IDC_CFG_SAVEACCOUNT);
    EXPECT_EQ(client.boxes.back().title, L"Account saved");
    EXPECT_EQ(Stored(Setting::Login), "runner");
    EXPECT_EQ(RecuperePwd(client.files), "wandering");

    ::SetWindowTextW(Control(IDC_CFG_PSEUDO), L"typo");
    Click(IDC_CFG_CANCELACCOUNT);
    EXPECT_EQ(Text(IDC_CFG_PSEUDO), L"runner");
}

TEST_F(Configuration, LogsPageShowsTheSizeAndClears) {
    client.files.Append(kLogFileName, std::string(1536, 'x'));
    Open(ConfigurationWindow::Page::Logs);
    EXPECT_EQ(Text(IDC_CFG_LOG_SIZE).substr(0, 12), L"Logs size: 1");
    EXPECT_EQ(Text(IDC_CFG_LOGS), L"OK (12:00)");
    EXPECT_EQ(Text(IDC_CFG_SAVE_LOGS).rfind(L"Save logs in ", 0), 0u);
    Click(IDC_CFG_CLEAR_LOGS);
    EXPECT_EQ(Text(IDC_CFG_LOG_SIZE), L"Logs size: 0 Ko");
    EXPECT_FALSE(client.files.Exists(kLogFileName));
}

namespace {

// Presses Cancel in the box titled `title` once it shows (the chooser is modal: the click that
// opens it returns only when it closes). `seen` tells whether it showed within 10 s.
std::thread CancelWhenShown(const wchar_t* title, bool& seen) {
    return std::thread([title, &seen] {
        for (int i = 0; i < 400 && !seen; ++i, ::Sleep(25))
            if (const HWND box = ::FindWindowW(L"#32770", title)) {
                seen = true;
                ::PostMessageW(box, WM_COMMAND, IDCANCEL, 0);
            }
    });
}

} // namespace

// Cancel keeps the colour the chooser started from, and writes it.
TEST_F(Configuration, ColourChooserCancelledWritesTheStartingColour) {
    Set(Setting::DDBackColor, "255");
    Set(Setting::DDFontColor, "x"); // no stored colour: the display's own
    Open(ConfigurationWindow::Page::Display);
    bool background_seen = false, font_seen = false;
    std::thread closer = CancelWhenShown(L"Choose a background color", background_seen);
    Click(IDC_CFG_DDBGCOLOR);
    closer.join();
    closer = CancelWhenShown(L"Choose a font color", font_seen);
    Click(IDC_CFG_DDCOLOR);
    closer.join();
    EXPECT_TRUE(background_seen && font_seen);
    EXPECT_EQ(Stored(Setting::DDBackColor), "255");
    EXPECT_EQ(Stored(Setting::DDFontColor), std::to_string(win32::DisplayWindow::kBuiltInText));
}
