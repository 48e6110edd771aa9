#include "storage/settings_readers.h"

#include <gtest/gtest.h>

#include <set>

namespace {

class ScriptedAnswer : public AskUser {
  public:
    explicit ScriptedAnswer(bool yes) : yes_(yes) {}
    bool AskYesNo(const std::wstring& text, const std::wstring& title) override {
        ++asked;
        last_text = text;
        last_title = title;
        return yes_;
    }
    int asked = 0;
    std::wstring last_text, last_title;

  private:
    bool yes_;
};

std::string Stored(MemorySettingsStore& store, Setting s) {
    return store.Read(SettingPath(s)).value_or("<missing>");
}

const std::function<std::wstring()> kQuestion = [] {
    return std::wstring(L"Do you have a simple mouse?");
};

} // namespace

TEST(SettingsTable, EveryDefaultIsWrittenBackByItsFirstReader) {
    MemorySettingsStore store;
    std::set<std::string> names;
    for (int i = 0; i <= static_cast<int>(Setting::Server); ++i) {
        const auto s = static_cast<Setting>(i);
        const SettingInfo& info = InfoOf(s);
        EXPECT_EQ(static_cast<int>(info.id), i) << info.name;
        EXPECT_TRUE(names.insert(info.name).second) << info.name;
        const std::string read = RecupereParametre(store, s);
        if (info.default_text) {
            EXPECT_EQ(read, info.default_text);
            EXPECT_EQ(Stored(store, s), info.default_text);
        } else {
            EXPECT_EQ(read, "");
            EXPECT_EQ(Stored(store, s), "<missing>");
        }
    }
    EXPECT_EQ(SettingPath(Setting::KmAS), "HKEY_CURRENT_USER\\Software\\WDX\\KmAS");
    EXPECT_EQ(InfoOf(Setting::Server).default_text, std::string("http://127.0.0.1:8035/"));
}

TEST(SettingsReaders, FirstReaderDecidesTheStoredDefault) {
    MemorySettingsStore store;
    EXPECT_EQ(RecupereNombre(store, Setting::DDSize), 2);
    EXPECT_EQ(RecupereNombre(store, Setting::DDSize, kDDSizeDialogDefault), 2);
    MemorySettingsStore other;
    EXPECT_EQ(RecupereNombre(other, Setting::DDSize, kDDSizeDialogDefault), 1);
    EXPECT_EQ(RecupereNombre(other, Setting::DDSize), 1);
    // A store that cannot write still gives the default.
    MemorySettingsStore broken;
    broken.fail_writes = true;
    EXPECT_EQ(RecupereParametre(broken, Setting::AS), "none");
    EXPECT_EQ(broken.size(), 0u);
}

TEST(SettingsReaders, UnusableTextsFallBackToTheDefault) {
    MemorySettingsStore store;
    store.Write(SettingPath(Setting::KmAS), "0"); // below 1 to 99
    store.Write(SettingPath(Setting::HAS), "23");
    store.Write(SettingPath(Setting::Language), "seven");
    store.Write(SettingPath(Setting::IconMove), "fAlSe");
    store.Write(SettingPath(Setting::DDonTop), "maybe");
    EXPECT_EQ(RecupereNombre(store, Setting::KmAS), 1);
    EXPECT_EQ(Stored(store, Setting::KmAS), "1");
    EXPECT_EQ(RecupereNombre(store, Setting::HAS), 23);
    EXPECT_EQ(RecupereNombre(store, Setting::Language), 0);
    EXPECT_EQ(Stored(store, Setting::Language), "0");
    EXPECT_FALSE(RecupereBooleen(store, Setting::IconMove));
    EXPECT_TRUE(RecupereBooleen(store, Setting::DDonTop));
    EXPECT_EQ(Stored(store, Setting::DDonTop), "True");

    EXPECT_EQ(TexteEnBooleen("TRUE"), true);
    EXPECT_EQ(TexteEnBooleen("False"), false);
    EXPECT_EQ(TexteEnBooleen("-1"), true);
    EXPECT_EQ(TexteEnBooleen("0"), false);
    EXPECT_FALSE(TexteEnBooleen(""));
    EXPECT_FALSE(TexteEnBooleen("Truee"));
}

TEST(SettingsReaders, TotalsReadAsThirtyTwoBitNumbersOrZero) {
    MemorySettingsStore store;
    store.Write(SettingPath(Setting::DTotale), "123456789");
    CounterSet c;
    Recupere_Distancetotale(store, c);
    EXPECT_EQ(c.Ever_KmSouris, 1234);
    EXPECT_EQ(c.Ever_MSouris, 567);
    EXPECT_EQ(c.Ever_CmSouris, 89);

    for (const char* bad : {"abc", "", "2147483648", "12 ", "1e3", "0x10"}) {
        store.Write(SettingPath(Setting::DTotale), bad);
        c.Ever_KmSouris = c.Ever_MSouris = c.Ever_CmSouris = 7;
        Recupere_Distancetotale(store, c);
        EXPECT_EQ(c.Ever_KmSouris + c.Ever_MSouris + c.Ever_CmSouris, 0) << bad;
        EXPECT_EQ(Stored(store, Setting::DTotale), "0") << bad;
    }

    // Each total lands in its own counter; "abc" is replaced by "0".
    store.Write(SettingPath(Setting::TotalTouches), "1");
    store.Write(SettingPath(Setting::TotalClicsDroit), "2");
    store.Write(SettingPath(Setting::TotalClicsGauche), "3");
    store.Write(SettingPath(Setting::TotalClicsSpecial), "-4");
    store.Write(SettingPath(Setting::TotalScrolls), "abc");
    store.Write(SettingPath(Setting::TotalUptime), "2147483647");
    Recupere_TotauxEver(store, c);
    EXPECT_EQ(c.NbTouches_Ever, 1);
    EXPECT_EQ(c.NCDroit_Ever, 2);
    EXPECT_EQ(c.NCGauche_Ever, 3);
    EXPECT_EQ(c.NCSpecial_Ever, -4);
    EXPECT_EQ(c.NScrolls_Ever, 0);
    EXPECT_EQ(Stored(store, Setting::TotalScrolls), "0");
    EXPECT_EQ(c.UpTime_Ever, 2147483647);
    EXPECT_EQ(c.UseTime_Ever, 0);
    EXPECT_EQ(Stored(store, Setting::TotalUsetime), "0");
}

TEST(SettingsReaders, DisplayDataSetsFlagsByDigit) {
    auto read = [](std::optional<std::string> value, MemorySettingsStore& store) {
        if (value)
            store.Write(SettingPath(Setting::DisplayData), *value);
        DisplayFlags f;
        RecupereDisplayData(store, f);
        return std::string() + (f.DDisplay_distance ? '0' : '.') +
               (f.DDisplay_touches ? '1' : '.') + (f.DDisplay_clics ? '2' : '.') +
               (f.DDisplay_scrolls ? '3' : '.') + (f.DDisplay_uptime ? '4' : '.') +
               (f.DDisplay_usetime ? '5' : '.');
    };
    MemorySettingsStore store;
    EXPECT_EQ(read(std::string("50"), store), "0....5");
    EXPECT_EQ(read(std::string(""), store), "......");
    EXPECT_EQ(Stored(store, Setting::DisplayData), "");
    EXPECT_EQ(read(std::string("6789"), store), "......");
    EXPECT_EQ(read(std::string("5x"), store), "0123.5");
    EXPECT_EQ(Stored(store, Setting::DisplayData), "0123");
    MemorySettingsStore fresh;
    EXPECT_EQ(read(std::nullopt, fresh), "0123..");
    EXPECT_EQ(Stored(fresh, Setting::DisplayData), "0123");
}

TEST(SettingsReaders, MoreClicsAsksOnlyWhenMissing) {
    MemorySettingsStore store;
    ScriptedAnswer no(false);
    EXPECT_TRUE(Recupere_MoreClics(store, no, kQuestion));
    EXPECT_EQ(no.asked, 1);
    EXPECT_EQ(no.last_title, L"TheWandrel: Control more than three buttons?");
    EXPECT_EQ(no.last_text, L"Do you have a simple mouse?");
    EXPECT_EQ(Stored(store, Setting::MoreClics), "True");
    EXPECT_TRUE(Recupere_MoreClics(store, no, kQuestion));
    EXPECT_EQ(no.asked, 1);

    MemorySettingsStore other;
    ScriptedAnswer yes(true);
    other.Write(SettingPath(Setting::MoreClics), "garbage");
    EXPECT_FALSE(Recupere_MoreClics(other, yes, kQuestion));
    EXPECT_EQ(Stored(other, Setting::MoreClics), "False");
}

TEST(SettingsReaders, StartWithWindowsEntries) {
    MemorySettingsStore store;
    EXPECT_FALSE(Recupere_launchwinstart(store));
    store.Write(kRunEntryPath, "");
    store.Write(kOldRunEntryPath, "C:\\Old\\WDX.exe");
    EXPECT_FALSE(Recupere_launchwinstart(store));
    MiseAJourDemarrage(store, "C:\\New");
    EXPECT_EQ(store.Read(kRunEntryPath).value_or("?"), ""); // empty means off: left alone
    EXPECT_FALSE(store.Read(kOldRunEntryPath));

    store.Write(kRunEntryPath, "C:\\Old\\TheWandrel.exe");
    MiseAJourDemarrage(store, "C:\\Program Files\\TheWandrel");
    EXPECT_EQ(store.Read(kRunEntryPath).value_or(""),
              "C:\\Program Files\\TheWandrel\\TheWandrel.exe");
    MiseAJourDemarrage(store, "D:\\");
    EXPECT_EQ(store.Read(kRunEntryPath).value_or(""), "D:\\TheWandrel.exe");
    EXPECT_TRUE(Recupere_launchwinstart(store));

    EXPECT_EQ(DonnePseudo(store), "");
    EXPECT_FALSE(store.Read(SettingPath(Setting::Login))); // nothing written
    store.Write(SettingPath(Setting::Login), "bob");
    EXPECT_EQ(DonnePseudo(store), "bob");
}
