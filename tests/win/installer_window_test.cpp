#include "ui/installer_window_win32.h"
#include "storage/data_files.h"
#include "storage/settings_table.h"
#include "tests/unit/net_fakes.h"
#include "base/localisation.h"
#include "win_test_support.h"

#include <gtest/gtest.h>

#include <memory>

using win32::InstallerWindow;

namespace {

// Message boxes recorded; the proxy prompt answered with `answer`.
class AnsweringBoxes : public RecordingHost {
  public:
    std::optional<std::wstring> AskText(const std::wstring& prompt, const std::wstring& title,
                                        const std::wstring& initial) override {
        asked.push_back(title + L"|" + initial + L"|" + prompt.substr(0, 10));
        return answer;
    }
    std::vector<std::wstring> asked;
    std::optional<std::wstring> answer;
};

class Installer : public ::testing::Test, protected FakeServices {
  protected:
    void Open() {
        win32::InstallerSetup setup{services, &boxes, L"C:\\Apps\\TheWandrel", [this] { ++unloads; },
                                    [this](bool installed) { closed.push_back(installed); }};
        window = std::make_unique<InstallerWindow>(setup);
        ASSERT_TRUE(window->Create());
    }
    void TearDown() override { LangueCourante = 0; }
    HWND Control(int id) { return window->control(id); }
    void Type(int id, const wchar_t* text) { SetWindowTextW(Control(id), text); }
    void Click(int id) {
        SendMessageW(window->hwnd(), WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                     reinterpret_cast<LPARAM>(Control(id)));
    }
    std::wstring Text(int id) { return wintest::WindowText(Control(id)); }
    bool Enabled(int id) { return IsWindowEnabled(Control(id)) != FALSE; }

    AnsweringBoxes boxes;
    int unloads = 0;
    std::vector<bool> closed;
    std::unique_ptr<InstallerWindow> window;
};

} // namespace

// What the registration writes and which refusal empties what are proven with the
// installer's steps (tests/unit/net_rules_test.cpp); here, that the window acts on them.
TEST_F(Installer, LoadShowsTheTextsAndUnloadsTheClientOnce) {
    Open();
    EXPECT_EQ(Text(InstallerWindow::kLabel1), L"Your Nickname:");
    EXPECT_EQ(Text(InstallerWindow::kLabel2), L"Your Password:");
    EXPECT_EQ(Text(InstallerWindow::kDefineProxy), L"Define");
    EXPECT_EQ(Text(InstallerWindow::kInstall), L"Go!");
    EXPECT_EQ(Text(InstallerWindow::kExp).substr(0, 20), L"    Before you run t");
    EXPECT_FALSE(Enabled(InstallerWindow::kDefineProxy));
    EXPECT_TRUE(wintest::PumpUntil([&] { return unloads > 0; }, 5000));
    wintest::PumpUntil([] { return false; }, 200);
    EXPECT_EQ(unloads, 1);
}

TEST_F(Installer, AnEntryThatCannotBeSentIsRefusedBeforeAnythingIsSent) {
    files.Replace(kKeyFileName, "old\r\n");
    Open();
    Type(InstallerWindow::kPseudo, L"bob");
    Click(InstallerWindow::kInstall);
    Type(InstallerWindow::kPwd, L"caf\u00E9"); // the pair code cannot carry it
    Click(InstallerWindow::kInstall);
    ASSERT_EQ(boxes.boxes.size(), 2u);
    EXPECT_EQ(boxes.boxes[0].text, L"Please fill in your account informations");
    EXPECT_EQ(boxes.boxes[1].text, kPasswordNotUsableText);
    EXPECT_EQ(boxes.boxes[1].icon, MessageIcon::Exclamation);
    EXPECT_TRUE(http.urls.empty());
    EXPECT_FALSE(files.Exists(kKeyFileName)); // the old files are gone first
    for (int id : {InstallerWindow::kInstall, InstallerWindow::kPseudo, InstallerWindow::kPwd})
        EXPECT_TRUE(Enabled(id));
}

TEST_F(Installer, ARefusalEmptiesTheFieldItNamesAndGivesTheControlsBack) {
    Open();
    Type(InstallerWindow::kPseudo, L"bob");
    Type(InstallerWindow::kPwd, L"bad");
    http.answers = {"Errpwd"};
    // Enter in the password box acts as a click on Install.
    SendMessageW(Control(InstallerWindow::kPwd), WM_CHAR, VK_RETURN, 1);
    ASSERT_TRUE(wintest::PumpUntil([&] { return !boxes.boxes.empty(); }, 5000));
    EXPECT_EQ(http.LastPlain(), "bob'bad");
    EXPECT_EQ(boxes.boxes[0].title, L"TheWandrel Installer: Password Error");
    EXPECT_EQ(boxes.boxes[0].icon, MessageIcon::Critical);
    EXPECT_EQ(Text(InstallerWindow::kPwd), L"");
    EXPECT_EQ(Text(InstallerWindow::kPseudo), L"bob");
    EXPECT_EQ(Text(InstallerWindow::kInstall), L"Go!");
    EXPECT_TRUE(Enabled(InstallerWindow::kInstall));

    http.answers = {"Errlogin"};
    Type(InstallerWindow::kPwd, L"pw");
    Click(InstallerWindow::kInstall);
    EXPECT_EQ(Text(InstallerWindow::kPseudo), L"");
    EXPECT_EQ(Text(InstallerWindow::kPwd), L"pw");

    // Accepted, but the account cannot be kept: not reported installed, the window stays.
    files.fail_writes = true;
    http.answers = {"OK-" + CodePaires("KEY123").value()};
    Type(InstallerWindow::kPseudo, L"bob");
    Click(InstallerWindow::kInstall);
    EXPECT_EQ(boxes.boxes.back().text, kAccountNotStoredText);
    EXPECT_TRUE(closed.empty());
    EXPECT_TRUE(Enabled(InstallerWindow::kInstall));
    EXPECT_EQ(Text(InstallerWindow::kInstall), L"Go!");
}

TEST_F(Installer, AcceptedRegistrationInFrenchClosesTheWindowAsInstalled) {
    settings.Write(kSetupLanguagePath, "1036");
    Open();
    EXPECT_EQ(Text(InstallerWindow::kLabel1), ChaineLocale(400));
    EXPECT_NE(Text(InstallerWindow::kLabel1), L"Your Nickname:");
    Type(InstallerWindow::kPseudo, L"bob");
    Type(InstallerWindow::kPwd, L"pw");
    http.answers = {"OK-" + CodePaires("KEY123").value()};
    Click(InstallerWindow::kInstall);
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].title, L"Installed");
    EXPECT_EQ(closed, std::vector<bool>{true});
    EXPECT_EQ(window->hwnd(), nullptr);
    EXPECT_EQ(settings.Read(kRunEntryPath), "C:\\Apps\\TheWandrel\\TheWandrel.exe");
    EXPECT_EQ(settings.Read(SettingPath(Setting::Language)), "1");
    EXPECT_EQ(LangueCourante, 1);
}

TEST_F(Installer, ClosingBeforeRegistrationEndsTheProgram) {
    Open();
    SendMessageW(window->hwnd(), WM_CLOSE, 0, 0);
    EXPECT_EQ(closed, std::vector<bool>{false});
    EXPECT_EQ(window->hwnd(), nullptr);
}

TEST_F(Installer, ProxyIsAskedForWhenCheckedAndDroppedWhenUnchecked) {
    Open();
    const HWND check = Control(InstallerWindow::kUseProxy);
    boxes.answer = L"http://proxy.local:3128";
    SendMessageW(check, BM_SETCHECK, BST_CHECKED, 0);
    Click(InstallerWindow::kUseProxy);
    ASSERT_EQ(boxes.asked.size(), 1u);
    EXPECT_EQ(boxes.asked[0], L"Define the Proxy Server|http://ProxyAdress:80|Please giv");
    EXPECT_EQ(settings.Read(SettingPath(Setting::UseProxy)), "True");
    EXPECT_EQ(http.proxy, "http://proxy.local:3128");
    EXPECT_EQ(Text(InstallerWindow::kTboxProxy), L"http://proxy.local:3128");
    EXPECT_TRUE(Enabled(InstallerWindow::kDefineProxy));

    // Cancelled: the empty answer is stored, as any other answer.
    boxes.answer.reset();
    Click(InstallerWindow::kDefineProxy);
    EXPECT_EQ(settings.Read(SettingPath(Setting::Proxy)), "");
    EXPECT_EQ(http.proxy, "");
    EXPECT_EQ(Text(InstallerWindow::kTboxProxy), L"");

    SendMessageW(check, BM_SETCHECK, BST_UNCHECKED, 0);
    Click(InstallerWindow::kUseProxy);
    EXPECT_EQ(settings.Read(SettingPath(Setting::UseProxy)), "False");
    EXPECT_EQ(http.proxy, "");
    EXPECT_FALSE(Enabled(InstallerWindow::kTboxProxy));
}
