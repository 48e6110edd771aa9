#include "storage/registry_settings_store_win32.h"
#include "storage/settings_readers.h"

#include "base/win32/unique_handle.h"
#include "win_test_support.h"

#include <gtest/gtest.h>

namespace {

// Raw access, to prepare and inspect values behind the store's back.
struct RawValue {
    DWORD type = REG_NONE;
    std::wstring text;
};

std::optional<RawValue> RawRead(HKEY root, const wchar_t* subkey, const wchar_t* name,
                                REGSAM view = 0) {
    win32::UniqueRegKey key;
    if (::RegOpenKeyExW(root, subkey, 0, KEY_QUERY_VALUE | view, key.put()) != ERROR_SUCCESS)
        return std::nullopt;
    wchar_t buffer[512] = {};
    DWORD type = 0, bytes = sizeof buffer - sizeof(wchar_t);
    if (::RegQueryValueExW(key.get(), name, nullptr, &type, reinterpret_cast<BYTE*>(buffer),
                           &bytes) != ERROR_SUCCESS)
        return std::nullopt;
    return RawValue{type, std::wstring(buffer)};
}

void RawWrite(HKEY root, const wchar_t* subkey, const wchar_t* name, DWORD type, const void* data,
              DWORD bytes, REGSAM view = 0) {
    win32::UniqueRegKey key;
    ASSERT_EQ(::RegCreateKeyExW(root, subkey, 0, nullptr, 0, KEY_SET_VALUE | view, nullptr,
                                key.put(), nullptr),
              ERROR_SUCCESS);
    ASSERT_EQ(::RegSetValueExW(key.get(), name, 0, type, static_cast<const BYTE*>(data), bytes),
              ERROR_SUCCESS);
}

const wchar_t* const kWdx = L"Software\\WDX";

class RegistryStore : public ::testing::Test {
  protected:
    void SetUp() override { ::RegDeleteTreeW(HKEY_CURRENT_USER, kWdx); }
    void TearDown() override { ::RegDeleteTreeW(HKEY_CURRENT_USER, kWdx); }
    RegistrySettingsStore store;
};

} // namespace

TEST_F(RegistryStore, DefaultsAreWrittenAsStringsAndUnusableValuesReadAsMissing) {
    EXPECT_FALSE(store.Read(SettingPath(Setting::Language)));
    EXPECT_EQ(RecupereParametre(store, Setting::Language), "0");
    std::optional<RawValue> raw = RawRead(HKEY_CURRENT_USER, kWdx, L"Language");
    ASSERT_TRUE(raw);
    EXPECT_EQ(raw->type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(raw->text, L"0");

    // Code page 1252 text goes through as its characters.
    ASSERT_TRUE(store.Write(SettingPath(Setting::Login), "Ren\xE9\x80"));
    EXPECT_EQ(RawRead(HKEY_CURRENT_USER, kWdx, L"Login")->text, L"Ren\u00e9\u20ac");
    EXPECT_EQ(store.Read(SettingPath(Setting::Login)), "Ren\xE9\x80");

    EXPECT_TRUE(store.Delete(SettingPath(Setting::Login)));
    EXPECT_FALSE(store.Delete(SettingPath(Setting::Login)));
    EXPECT_FALSE(store.Read("HKEY_CLASSES_ROOT\\x\\y"));
    EXPECT_FALSE(store.Write("Software\\WDX\\NoRoot", "1"));

    // Wrong types and absurd lengths read as missing.
    const DWORD number = 5;
    RawWrite(HKEY_CURRENT_USER, kWdx, L"TotalScrolls", REG_DWORD, &number, sizeof number);
    const wchar_t multi[] = L"1\0002\0";
    RawWrite(HKEY_CURRENT_USER, kWdx, L"DTotale", REG_MULTI_SZ, multi, sizeof multi);
    RawWrite(HKEY_CURRENT_USER, kWdx, L"Unit", REG_BINARY, "Km", 2);
    std::wstring huge(200000, L'7');
    RawWrite(HKEY_CURRENT_USER, kWdx, L"TotalUptime", REG_SZ, huge.c_str(),
             static_cast<DWORD>((huge.size() + 1) * sizeof(wchar_t)));
    // A string stored without its terminating zero, of odd byte length.
    RawWrite(HKEY_CURRENT_USER, kWdx, L"Proxy", REG_SZ, L"host:80", 7);
    const wchar_t chinese[] = L"\u4e2d";
    RawWrite(HKEY_CURRENT_USER, kWdx, L"AS", REG_SZ, chinese, sizeof chinese);

    for (Setting unusable : {Setting::TotalScrolls, Setting::DTotale, Setting::Unit,
                             Setting::TotalUptime, Setting::AS})
        EXPECT_FALSE(store.Read(SettingPath(unusable)));
    EXPECT_EQ(store.Read(SettingPath(Setting::Proxy)).value_or("?"), "hos");
    // What the readers then do with a missing value is proven with them.
}

TEST_F(RegistryStore, StartupEntryAndSetupLanguageOutsideTheSettingsKey) {
    const wchar_t* const run = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
    ::RegDeleteKeyValueW(HKEY_CURRENT_USER, run, L"TheWandrel");
    EXPECT_FALSE(Recupere_launchwinstart(store));
    RawWrite(HKEY_CURRENT_USER, run, L"TheWandrel", REG_SZ, L"C:\\old.exe", 22);
    RawWrite(HKEY_CURRENT_USER, run, L"WDX", REG_SZ, L"C:\\wdx.exe", 22);
    EXPECT_TRUE(Recupere_launchwinstart(store));
    // The program folder as Windows names it, in any script.
    const std::wstring folder = L"C:\\\u041f\u0440\u043e\u0433\u0440\u0430\u043c\u043c\u044b\\TheWandrel";
    MiseAJourDemarrage(store, folder);
    EXPECT_EQ(RawRead(HKEY_CURRENT_USER, run, L"TheWandrel")->text, folder + L"\\TheWandrel.exe");
    EXPECT_TRUE(Recupere_launchwinstart(store));
    EXPECT_FALSE(store.Read(kRunEntryPath)); // not code page 1252 text
    EXPECT_FALSE(RawRead(HKEY_CURRENT_USER, run, L"WDX"));
    EXPECT_TRUE(store.Delete(kRunEntryPath));

    // The setup program's language, from the machine hive.
    const wchar_t* const uninstall =
        L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\TheWandrel";
    ::RegDeleteKeyExW(HKEY_LOCAL_MACHINE, uninstall, KEY_WOW64_64KEY, 0);
    ::RegDeleteKeyExW(HKEY_LOCAL_MACHINE, uninstall, KEY_WOW64_32KEY, 0);
    EXPECT_FALSE(store.Read(kSetupLanguagePath));
    // A 32-bit setup program writes into the 32-bit view.
    RawWrite(HKEY_LOCAL_MACHINE, uninstall, L"NSIS:Language", REG_SZ, L"1036", 10, KEY_WOW64_32KEY);
    EXPECT_EQ(store.Read(kSetupLanguagePath).value_or(""), "1036");
    RawWrite(HKEY_LOCAL_MACHINE, uninstall, L"NSIS:Language", REG_SZ, L"1033", 10, KEY_WOW64_64KEY);
    EXPECT_EQ(store.Read(kSetupLanguagePath).value_or(""), "1033");
    ::RegDeleteKeyExW(HKEY_LOCAL_MACHINE, uninstall, KEY_WOW64_64KEY, 0);
    ::RegDeleteKeyExW(HKEY_LOCAL_MACHINE, uninstall, KEY_WOW64_32KEY, 0);
}

// A registry call that fails reaches the debugger with its name, the value and the error; a
// value that is simply missing is no failure.
TEST(RegistryStoreFailures, AreReportedWithTheCallAndTheValue) {
    RegistrySettingsStore store;
    wintest::DebugOutputCapture debugger;
    EXPECT_FALSE(store.Read("HKEY_CURRENT_USER\\Software\\WDX\\NoSuchValue"));
    EXPECT_TRUE(debugger.lines().empty());
    // A key name longer than the registry allows (255 characters).
    const std::string too_long = "HKEY_CURRENT_USER\\Software\\" + std::string(300, 'k') + "\\v";
    EXPECT_FALSE(store.Write(too_long, "x"));
    EXPECT_NE(debugger.Find(L"TheWandrel: RegCreateKeyExW Software\\kkk"), L"");
    EXPECT_NE(debugger.Find(L"\\v failed ("), L"");
}

