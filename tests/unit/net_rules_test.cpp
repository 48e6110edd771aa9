#include "net/browser_launch.h"
#include "tests/fakes/memory_stores.h"
#include "net/installer_steps.h"
#include "net/machine_identity.h"
#include "net/program_list.h"
#include "net/server_address.h"
#include "net_fakes.h"
#include "storage/data_files.h"
#include "storage/settings_table.h"

#include <gtest/gtest.h>

class ExchangeRules : public ::testing::Test, protected FakeServices {};

TEST(MachineIdentity, EachByteInUppercaseHexWithoutLeadingZero) {
    EXPECT_EQ(IdentityText({0x00, 0x0C, 0x29, 0x3A, 0x4B, 0x05}), "0C293A4B5");
    EXPECT_EQ(IdentityText({0, 0, 0, 0, 0, 0}), "000000");
    EXPECT_EQ(IdentityText({0xFF, 0xAB, 0x10, 0x0F, 0x01, 0xE0}), "FFAB10F1E0");
}

TEST(ServerAddress, BaseUrlDefaultWrittenBackAndEndsWithASlash) {
    MemorySettingsStore settings;
    EXPECT_EQ(ServerBaseUrl(settings), "http://127.0.0.1:8035/");
    EXPECT_EQ(settings.Read(SettingPath(Setting::Server)), "http://127.0.0.1:8035/");
    settings.Write(SettingPath(Setting::Server), "http://example.org:81");
    EXPECT_EQ(ServerBaseUrl(settings), "http://example.org:81/");

}

TEST(ServerAddress, ProxyIsReadWhateverUseProxySaysAndThePromptsAnswerIsKeptEvenEmpty) {
    MemorySettingsStore settings;
    // Both values are read, and their defaults written back, even when no proxy is used.
    EXPECT_EQ(ConfiguredProxy(settings), "");
    EXPECT_EQ(settings.Read(SettingPath(Setting::UseProxy)), "False");
    EXPECT_EQ(settings.Read(SettingPath(Setting::Proxy)), "");
    settings.Write(SettingPath(Setting::Proxy), "http://proxy:3128");
    EXPECT_EQ(ConfiguredProxy(settings), ""); // UseProxy is false
    settings.Write(SettingPath(Setting::UseProxy), "True");
    EXPECT_EQ(ConfiguredProxy(settings), "http://proxy:3128");

    ScriptedFetcher http;
    EXPECT_EQ(DefineProxy(settings, http, L"http://caf\u00e9:8080"), "http://caf\xE9:8080");
    EXPECT_EQ(http.proxy, "http://caf\xE9:8080");
    // A cancelled prompt answers the empty text, stored like any other answer.
    EXPECT_EQ(DefineProxy(settings, http, L""), "");
    EXPECT_EQ(settings.Read(SettingPath(Setting::Proxy)), "");
    EXPECT_EQ(http.proxy, "");
    // What code page 1252 cannot carry is refused, and nothing changes.
    settings.Write(SettingPath(Setting::Proxy), "http://proxy:3128");
    EXPECT_EQ(DefineProxy(settings, http, L"http://\u043f\u0440\u043e\u043a\u0441\u0438:80"),
              std::nullopt);
    EXPECT_EQ(settings.Read(SettingPath(Setting::Proxy)), "http://proxy:3128");
    EXPECT_EQ(http.proxy, "");
}

TEST(ServerAddress, PayloadCharactersAUrlCannotCarryAreEscaped) {
    EXPECT_EQ(UrlPayload("Jk5#x%L \x01\x80\xff'=/?&+<~"), "Jk5%23x%25L%20%01%80%FF'=/?&+<~");
    // Whatever the password, the URL keeps its payload whole and decodes back to it.
    SystemRandomSource random;
    const std::string password = "#% #%\x7f\x80\xaf'<>\"|^`{}";
    for (int i = 0; i < 200; ++i) {
        const std::string url = UrlPayload(CrypteEnvoi("bob'" + password, random));
        ASSERT_EQ(url.find_first_of("# \x7f\x80"), std::string::npos) << url;
        ASSERT_EQ(DecrypteEnvoi(ScriptedFetcher::PercentDecoded(url)), "bob'" + password);
    }
}

TEST(BrowserLaunch, AProgramPathWithBlanksIsQuoted) {
    EXPECT_EQ(BrowserCommandLine(L"C:\\Program Files\\Web\\b.exe", L"http://h/"),
              L"\"C:\\Program Files\\Web\\b.exe\" http://h/");
    EXPECT_EQ(BrowserCommandLine(L"", L"http://h/"), L"Explorer http://h/");
}

TEST(ProgramList, VersionLineThenDigests) {
    const std::string d1(32, 'A');
    const std::string d2 = "0123456789abcdef0123456789ABCDEF";
    auto list = ParseProgramList("007\r\n" + d1 + "\r\n" + d2 + "\r\n");
    ASSERT_TRUE(list);
    EXPECT_EQ(list->version, "007");
    EXPECT_TRUE(ProgramAccepted(*list, d1));
    EXPECT_TRUE(ProgramAccepted(*list, "0123456789ABCDEF0123456789ABCDEF"));
    EXPECT_FALSE(ProgramAccepted(*list, std::string(32, 'B')));
    EXPECT_TRUE(ProgramAccepted(*ParseProgramList("000\r\n"), "anything"));
    for (const std::string& body :
         {std::string(""), std::string("7\r\n"), std::string("abc"),
          "007\r\n" + std::string(31, 'A'), "007\r\nZZ" + d1, std::string(1u << 20, '\n')})
        EXPECT_FALSE(ParseProgramList(body)) << body.substr(0, 10);
}

TEST_F(ExchangeRules, ProgramListFetchedOnlyWhenTheAnswerNamesAnotherVersion) {
    ServerLinkState state;
    http.answers = {"", "003\r\n" + std::string(32, 'C') + "\r\n"};
    VerifieListe(services, state, "003", std::string(32, 'D'));
    EXPECT_EQ(state.ListVersion, ""); // not fetched: asked for again next time
    VerifieListe(services, state, "003", std::string(32, 'D'));
    EXPECT_EQ(state.ListVersion, "003");
    EXPECT_FALSE(state.ProgramListed);
    VerifieListe(services, state, "003", std::string(32, 'D'));
    EXPECT_EQ(http.urls.size(), 2u);
}

TEST(InstallerSteps, LanguageFromTheSetupProgram) {
    MemorySettingsStore settings;
    EXPECT_EQ(LangueInstallation(settings), 0);
    settings.Write(kSetupLanguagePath, "1036");
    EXPECT_EQ(LangueInstallation(settings), 1);
    settings.Write(kSetupLanguagePath, "1033");
    EXPECT_EQ(LangueInstallation(settings), 0);
}

TEST(InstallerSteps, AccountEntriesThatCannotBeCarriedAreRefused) {
    EXPECT_EQ(CheckAccountEntry(L"bob", L"").problem, AccountEntryProblem::Empty);
    EXPECT_EQ(CheckAccountEntry(L"", L"pw").problem, AccountEntryProblem::Empty);
    EXPECT_EQ(CheckAccountEntry(L"b'ob", L"pw").problem, AccountEntryProblem::NicknameNotUsable);
    EXPECT_EQ(CheckAccountEntry(L"\u0411ob", L"pw").problem,
              AccountEntryProblem::NicknameNotUsable);
    EXPECT_EQ(CheckAccountEntry(L"bob", L"p'w").problem, AccountEntryProblem::PasswordNotUsable);
    EXPECT_EQ(CheckAccountEntry(L"bob", L"caf\u00E9").problem, // 233: beyond the pair code
              AccountEntryProblem::PasswordNotUsable);
    EXPECT_EQ(CheckAccountEntry(L"bob", L"\u4E2D").problem, AccountEntryProblem::PasswordNotUsable);
    const AccountEntry ok = CheckAccountEntry(L"Jos\u00E9?", L"a?b\u20AC"); // euro is 128
    EXPECT_EQ(ok.problem, AccountEntryProblem::None);
    EXPECT_EQ(ok.nickname, "Jos\xE9?");
    EXPECT_EQ(ok.password, "a?b\x80");
}

TEST_F(ExchangeRules, RegistrationWritesEverythingOnlyWhenAccepted) {
    const AccountEntry entry = CheckAccountEntry(L"bob", L"pw");

    http.answers = {"Errpwd"};
    EXPECT_EQ(RegisterAccount(services, entry, 1, L"C:\\Apps\\TheWandrel").answer,
              KeyAnswer::WrongPassword);
    EXPECT_EQ(http.LastPlain(), "bob'pw");
    EXPECT_EQ(files.size(), 0u);
    EXPECT_FALSE(settings.Read(SettingPath(Setting::Login)));

    const std::string key = CodePaires("KEY777").value();
    // A data folder that cannot be written: accepted, but not reported as stored.
    files.fail_writes = true;
    http.answers = {"OK-" + key};
    const Registration unstored = RegisterAccount(services, entry, 1, L"C:\\Apps\\TheWandrel");
    EXPECT_EQ(unstored.answer, KeyAnswer::Accepted);
    EXPECT_FALSE(unstored.stored);
    files.fail_writes = false;

    http.answers = {"OK-" + key};
    const std::wstring folder = L"C:\\\u0418\u0432\u0430\u043d\\TheWandrel";
    EXPECT_TRUE(RegisterAccount(services, entry, 1, folder).stored);
    EXPECT_EQ(files.ReadAll(kKeyFileName), key + "\r\n");
    EXPECT_EQ(RecuperePwd(files), "pw");
    EXPECT_EQ(settings.Read(SettingPath(Setting::Login)), "bob");
    EXPECT_EQ(settings.ReadWide(kRunEntryPath), folder + L"\\TheWandrel.exe");
    EXPECT_EQ(settings.Read(SettingPath(Setting::Language)), "1");

    EXPECT_EQ(RefusalOf(KeyAnswer::UnknownNickname).title,
              std::wstring(L"TheWandrel Installer: Nickname Error"));
    EXPECT_TRUE(RefusalOf(KeyAnswer::UnknownNickname).clear_nickname);
    EXPECT_TRUE(RefusalOf(KeyAnswer::WrongPassword).clear_password);
    EXPECT_EQ(RefusalOf(KeyAnswer::Unreachable).text_id, 220);
    EXPECT_EQ(RefusalOf(KeyAnswer::ServerFailure).title,
              std::wstring(L"TheWandrel Installer: Probable Server Failure"));
}
