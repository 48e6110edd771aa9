// The configuration dialog made from its template, acted on as a user would (BM_CLICK, a list
// choice), with the settings in the registry: each control reaches its rule (proven by the
// unit tests) and its part of the running client.
#include "ui/configuration_window_win32.h"
#include "base/localisation.h"
#include "controls/controls_win32.h"
#include "net/installer_steps.h"
#include "storage/activity_log.h"
#include "storage/data_files.h"
#include "storage/registry_settings_store_win32.h"
#include "storage/settings_table.h"
#include "tests/fakes/memory_stores.h"
#include "tests/unit/net_fakes.h"
#include "ui/display_window_win32.h"
#include "win_test_support.h"

#include <gtest/gtest.h>

#include <memory>
#include <thread>

using win32::ConfigurationWindow;

namespace {

class FakeClient : public win32::ConfigurationHost, public UserMessages {
  public:
    ExchangeServices Services() override {
        return ExchangeServices{settings, files, http, clock, random};
    }
    CounterSet& Counts() override { return counters; }
    UserMessages& Messages() override { return *this; }
    std::wstring ProgramFolder() override { return L"C:\\\u7A0B\u5E8F\\"; }
    std::wstring LastLog() override { return L"OK (12:00)"; }
    void OpenWebsite() override { ++website_opened; }
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
    bool more_clics = false, metric = true, display_open = false, display_on_top = true;
    int icon_redraws = 0, language_changes = 0, line_changes = 0, size_changes = 0, closings = 0,
        website_opened = 0;
    DisplayFlags flags{true, true, true, true, false, false};
    display::InputsLabels* labels = nullptr;
    std::vector<std::pair<std::wstring, std::wstring>> boxes; // (text or default text, title)
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
    void Type(int id, const wchar_t* text) { ::SetWindowTextW(Control(id), text); }
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
    EXPECT_TRUE(::IsWindowVisible(Control(IDC_CFG_LUT)));
    ASSERT_NE(client.labels, nullptr); // the Inputs page refreshed live
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

TEST_F(Configuration, StepButtonsShowWriteAndApplyTheirNumber) {
    struct Case {
        const char* stored; // before the dialog opens; null: as the case before left it
        Setting setting;
        int button;
        int label;
        const wchar_t* shown;
        const char* written;
    };
    const Case cases[] = {
        {"23", Setting::HAS, IDC_CFG_PLUS, IDC_CFG_AS_HEURE, L"0", "0"},
        {"1", Setting::KmAS, IDC_CFG_ASKMMOINS, IDC_CFG_AS_KM, L"99", "99"},
        {"360", Setting::Save_distance, IDC_CFG_PLUS_SAVE, IDC_CFG_MIN_SAVE, L"5", "5"},
        {"-1", Setting::DDSize, IDC_CFG_DDSIZEMOINS, IDC_CFG_DDSIZE, L"1", "-1"}, // stops at 1
        {nullptr, Setting::DDSize, IDC_CFG_DDSIZEPLUS, IDC_CFG_DDSIZE, L"2", "0"},
        {"35", Setting::DDTransparency, IDC_CFG_DDTRMOINS, IDC_CFG_TRANSPARENCE, L"30", "30"},
    };
    for (const Case& c : cases)
        if (c.stored)
            Set(c.setting, c.stored);
    client.display_open = true;
    Open();
    for (const Case& c : cases) {
        Click(c.button);
        EXPECT_EQ(Text(c.label), c.shown) << c.button;
        EXPECT_EQ(Stored(c.setting), c.written) << c.button;
    }
    EXPECT_EQ(client.Hautos, 0);
    EXPECT_EQ(client.Kautos, 99);
    EXPECT_EQ(client.size_changes, 1); // not for the press that changed nothing
    EXPECT_EQ(client.opacity, 188);    // 255 - 225 x 30 / 100 = 187.5
}

TEST_F(Configuration, AutomaticSendingBoxesExcludeEachOther) {
    Open();
    Click(IDC_CFG_AUTO_SEND);
    EXPECT_TRUE(client.auto_send.Autos);
    Click(IDC_CFG_AUTOSEND_KM);
    EXPECT_FALSE(Checked(IDC_CFG_AUTO_SEND));
    EXPECT_TRUE(Checked(IDC_CFG_AUTOSEND_KM));
    EXPECT_EQ(Stored(Setting::AS), "K");
    EXPECT_TRUE(client.auto_send.AutosKm && !client.auto_send.Autos);
}

TEST_F(Configuration, CheckBoxesWriteAndApplyAtOnce) {
    client.display_open = true;
    Open();
    const std::pair<int, Setting> boxes[] = {
        {IDC_CFG_CE, Setting::Unit},
        {IDC_CFG_COUNTSPECIALCLICS, Setting::MoreClics},
        {IDC_CFG_ICONETRANSPARENTE, Setting::TransparentIcon},
        {IDC_CFG_SAVE_LOGS, Setting::Save_logs},
        {IDC_CFG_SAVE_MYDISTANCE, Setting::Save_dist},
        {IDC_CFG_DDALWAYSONTOP, Setting::DDonTop},
    };
    std::string written;
    for (const auto& [id, setting] : boxes) {
        Click(id);
        written += Stored(setting) + " ";
    }
    EXPECT_EQ(written, "Miles True True False False False ");
    EXPECT_FALSE(client.metric);
    EXPECT_TRUE(client.more_clics);
    EXPECT_EQ(client.icon_redraws, 1);
    EXPECT_FALSE(client.display_on_top);

    Click(IDC_CFG_WINSTART); // a folder name outside code page 1252
    EXPECT_EQ(client.settings.ReadWide(kRunEntryPath), L"C:\\\u7A0B\u5E8F\\TheWandrel.exe");
    EXPECT_TRUE(Checked(IDC_CFG_WINSTART));
    Click(IDC_CFG_WINSTART);
    EXPECT_EQ(client.settings.ReadWide(kRunEntryPath), std::nullopt);

    // The six display boxes: the four checked ones cleared, then usetime alone.
    for (int id : {IDC_CFG_DDDISTANCE, IDC_CFG_DDTOUCHES, IDC_CFG_DDCLICS, IDC_CFG_DDSCROLLS})
        Click(id);
    EXPECT_EQ(Stored(Setting::DisplayData), "");
    Click(IDC_CFG_DDUSETIME);
    EXPECT_EQ(Stored(Setting::DisplayData), "5");
    EXPECT_TRUE(client.flags.DDisplay_usetime && !client.flags.DDisplay_distance);
    EXPECT_EQ(client.line_changes, 5);
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
    EXPECT_EQ(client.boxes[0].first, L"http://ProxyAdress:80");
    EXPECT_EQ(client.boxes[0].second, L"Define the Proxy Adress");
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
    const std::pair<const wchar_t*, const wchar_t*> refused[] = {
        {L"o'brien", kNicknameNotUsableText}, {L"runner", kPasswordNotUsableText}};
    for (const auto& [nickname, refusal] : refused) {
        Type(IDC_CFG_PSEUDO, nickname);
        Type(IDC_CFG_PWD, L"pa'ss");
        Click(IDC_CFG_SAVEACCOUNT);
        EXPECT_EQ(client.boxes.back().first, refusal);
    }
    EXPECT_EQ(Stored(Setting::Login), "walker");
    EXPECT_FALSE(client.files.Exists(kPasswordFileName));

    Type(IDC_CFG_PWD, L"wandering");
    Click(IDC_CFG_SAVEACCOUNT);
    EXPECT_EQ(client.boxes.back().second, L"Account saved");
    EXPECT_EQ(Stored(Setting::Login), "runner");
    EXPECT_EQ(RecuperePwd(client.files), "wandering");

    Type(IDC_CFG_PSEUDO, L"typo");
    Click(IDC_CFG_CANCELACCOUNT);
    EXPECT_EQ(Text(IDC_CFG_PSEUDO), L"runner");
}

TEST_F(Configuration, LogsPageShowsTheSizeAndClears) {
    client.files.Append(kLogFileName, std::string(1536, 'x'));
    Open(ConfigurationWindow::Page::Logs);
    EXPECT_EQ(Text(IDC_CFG_LOG_SIZE).rfind(L"Logs size: 1", 0), 0u); // 1.5 in the locale's way
    EXPECT_EQ(Text(IDC_CFG_LOGS), L"OK (12:00)");
    EXPECT_EQ(Text(IDC_CFG_SAVE_LOGS).rfind(L"Save logs in ", 0), 0u);
    Click(IDC_CFG_CLEAR_LOGS);
    EXPECT_EQ(Text(IDC_CFG_LOG_SIZE), L"Logs size: 0 Ko");
    EXPECT_FALSE(client.files.Exists(kLogFileName));
}

// The command buttons are drawn in style 14; the two colour buttons without a focus
// rectangle. The website's address is a link that opens it.
TEST_F(Configuration, CommandButtonsAndTheWebsiteLink) {
    Set(Setting::Server, "http://trekhold.test:8035/");
    Open(ConfigurationWindow::Page::About);
    for (int id : {IDC_CFG_DEFINEPROXY, IDC_CFG_DDBGCOLOR, IDC_CFG_DDCOLOR, IDC_CFG_SAVEACCOUNT,
                   IDC_CFG_LIEN}) {
        const controls::BtnProperties look = controls::GetBtnProperties(Control(id));
        EXPECT_EQ(look.ButtonType, 14) << id;
        EXPECT_EQ(look.ShowFocusRect, id != IDC_CFG_DDBGCOLOR && id != IDC_CFG_DDCOLOR) << id;
    }
    EXPECT_EQ(Text(IDC_CFG_LIEN), L"http://trekhold.test:8035/");
    Click(IDC_CFG_LIEN);
    EXPECT_EQ(client.website_opened, 1);
}

// Presses Cancel in the box titled `title` once it shows (the chooser is modal: the click that
// opens it returns only when it closes). `seen` tells whether it showed within 10 s.
static std::thread CancelWhenShown(const wchar_t* title, bool& seen) {
    return std::thread([title, &seen] {
        for (int i = 0; i < 400 && !seen; ++i, ::Sleep(25))
            if (const HWND box = ::FindWindowW(L"#32770", title)) {
                seen = true;
                ::PostMessageW(box, WM_COMMAND, IDCANCEL, 0);
            }
    });
}

// Cancel keeps the colour the chooser started from, and writes it.
TEST_F(Configuration, ColourChooserCancelledWritesTheStartingColour) {
    Set(Setting::DDBackColor, "255");
    Set(Setting::DDFontColor, "x"); // no stored colour: the display's own
    Open(ConfigurationWindow::Page::Display);
    for (const auto& [button, title] : {std::pair{IDC_CFG_DDBGCOLOR, L"Choose a background color"},
                                        std::pair{IDC_CFG_DDCOLOR, L"Choose a font color"}}) {
        bool seen = false;
        std::thread closer = CancelWhenShown(title, seen);
        Click(button);
        closer.join();
        EXPECT_TRUE(seen) << title;
    }
    EXPECT_EQ(Stored(Setting::DDBackColor), "255");
    EXPECT_EQ(Stored(Setting::DDFontColor), std::to_string(win32::DisplayWindow::kBuiltInText));
}
