#include "storage/settings_readers.h"
#include "tests/fakes/memory_stores.h"

#include <gtest/gtest.h>

namespace {

struct ScriptedAnswer : UserMessages {
    explicit ScriptedAnswer(bool y) : yes(y) {}
    MessageAnswer Show(const std::wstring& text, const std::wstring& title, MessageButtons buttons,
                       MessageIcon icon) override {
        ++asked, asked_with = text + L"|" + title;
        EXPECT_EQ(buttons, MessageButtons::YesNo);
        EXPECT_EQ(icon, MessageIcon::Question);
        return yes ? MessageAnswer::Yes : MessageAnswer::No;
    }
    std::optional<std::wstring> AskText(const std::wstring&, const std::wstring&,
                                        const std::wstring&) override {
        ADD_FAILURE() << "no text is asked";
        return std::nullopt;
    }
    bool yes;
    int asked = 0;
    std::wstring asked_with;
};

std::string Stored(MemorySettingsStore& store, Setting s) {
    return store.Read(SettingPath(s)).value_or("<missing>");
}

} // namespace

TEST(SettingsTable, EveryDefaultIsWrittenBackByItsFirstReader) {
    // What a first read gives is what it leaves in the store, and a second read gives the
    // same; a value without a default stays missing.
    MemorySettingsStore store;
    for (int i = 0; i <= static_cast<int>(Setting::Server); ++i) {
        const auto s = static_cast<Setting>(i);
        const std::string first = RecupereParametre(store, s);
        EXPECT_EQ(store.Read(SettingPath(s)).value_or(first), first) << InfoOf(s).name;
        EXPECT_EQ(RecupereParametre(store, s), first) << InfoOf(s).name;
    }
    EXPECT_EQ(Stored(store, Setting::AS), "none");
    EXPECT_EQ(Stored(store, Setting::Login), "");
    EXPECT_EQ(Stored(store, Setting::Server), "http://127.0.0.1:8035/");
    EXPECT_EQ(Stored(store, Setting::Path), "<missing>");
    EXPECT_EQ(SettingPath(Setting::KmAS), "HKEY_CURRENT_USER\\Software\\WDX\\KmAS");

    // The first reader decides the stored default; a store that cannot write still gives it.
    MemorySettingsStore other;
    EXPECT_EQ(RecupereNombre(other, Setting::DDSize, kDDSizeDialogDefault), 1);
    EXPECT_EQ(RecupereNombre(other, Setting::DDSize), 1);
    EXPECT_EQ(RecupereNombre(store, Setting::DDSize, kDDSizeDialogDefault), 2);
    MemorySettingsStore broken;
    broken.fail_writes = true;
    EXPECT_EQ(RecupereParametre(broken, Setting::AS), "none");
    EXPECT_EQ(broken.size(), 0u);
}

TEST(SettingsReaders, UnusableTextsFallBackToTheDefault) {
    MemorySettingsStore store;
    for (auto [s, text] : {std::pair{Setting::KmAS, "0"},
                           {Setting::HAS, "23"},
                           {Setting::Language, "seven"},
                           {Setting::IconMove, "fAlSe"},
                           {Setting::DDonTop, "maybe"}}) // KmAS 0: below 1 to 99
        store.Write(SettingPath(s), text);
    EXPECT_EQ(RecupereNombre(store, Setting::KmAS), 1);
    EXPECT_EQ(Stored(store, Setting::KmAS), "1");
    EXPECT_EQ(RecupereNombre(store, Setting::HAS), 23);
    EXPECT_EQ(RecupereNombre(store, Setting::Language), 0);
    EXPECT_FALSE(RecupereBooleen(store, Setting::IconMove));
    EXPECT_TRUE(RecupereBooleen(store, Setting::DDonTop));
    EXPECT_EQ(Stored(store, Setting::DDonTop), "True");

    using B = std::pair<const char*, std::optional<bool>>;
    for (auto [text, value] : {B{"TRUE", true},
                               {"-1", true},
                               {"False", false},
                               {"0", false},
                               {"", std::nullopt},
                               {"Truee", std::nullopt}})
        EXPECT_EQ(TexteEnBooleen(text), value) << text;
}

TEST(SettingsReaders, TotalsReadAsNumbersOrZero) {
    MemorySettingsStore store;
    store.Write(SettingPath(Setting::DTotale), "123456789");
    CounterSet c;
    Recupere_Distancetotale(store, c);
    EXPECT_EQ(c.Ever_KmSouris, 1234);
    EXPECT_EQ(c.Ever_MSouris, 567);
    EXPECT_EQ(c.Ever_CmSouris, 89);
    // A distance total the sendings took past 32 bits is still read.
    store.Write(SettingPath(Setting::DTotale), "3000012345");
    Recupere_Distancetotale(store, c);
    EXPECT_EQ(TotalDistanceCm(c), 3000012345);
    for (const char* bad : {"abc", "", "99999999999999999999", "12 ", "1e3", "0x10"}) {
        store.Write(SettingPath(Setting::DTotale), bad);
        c.Ever_KmSouris = c.Ever_MSouris = c.Ever_CmSouris = 7;
        Recupere_Distancetotale(store, c);
        EXPECT_EQ(c.Ever_KmSouris + c.Ever_MSouris + c.Ever_CmSouris, 0) << bad;
        EXPECT_EQ(Stored(store, Setting::DTotale), "0") << bad;
    }

    // Each total lands in its own counter; "abc" and a missing value become "0".
    const std::tuple<Setting, const char*, int32_t CounterSet::*, int32_t> totals[] = {
        {Setting::TotalTouches, "1", &CounterSet::NbTouches_Ever, 1},
        {Setting::TotalClicsDroit, "2", &CounterSet::NCDroit_Ever, 2},
        {Setting::TotalClicsGauche, "3", &CounterSet::NCGauche_Ever, 3},
        {Setting::TotalClicsSpecial, "-4", &CounterSet::NCSpecial_Ever, -4},
        {Setting::TotalScrolls, "abc", &CounterSet::NScrolls_Ever, 0},
        {Setting::TotalUptime, "2147483647", &CounterSet::UpTime_Ever, 2147483647},
        {Setting::TotalUsetime, nullptr, &CounterSet::UseTime_Ever, 0}};
    for (auto [s, text, field, value] : totals) {
        if (text)
            store.Write(SettingPath(s), text);
        c.*field = 99;
    }
    Recupere_TotauxEver(store, c);
    for (auto [s, text, field, value] : totals) {
        EXPECT_EQ(c.*field, value) << InfoOf(s).name;
        EXPECT_EQ(Stored(store, s), value ? text : "0") << InfoOf(s).name;
    }
}

TEST(SettingsReaders, DisplayDataSetsFlagsByDigit) {
    auto read = [](MemorySettingsStore& store, const char* value) {
        if (value)
            store.Write(SettingPath(Setting::DisplayData), value);
        DisplayFlags f;
        RecupereDisplayData(store, f);
        return std::string() + (f.DDisplay_distance ? '0' : '.') +
               (f.DDisplay_touches ? '1' : '.') + (f.DDisplay_clics ? '2' : '.') +
               (f.DDisplay_scrolls ? '3' : '.') + (f.DDisplay_uptime ? '4' : '.') +
               (f.DDisplay_usetime ? '5' : '.');
    };
    MemorySettingsStore store;
    EXPECT_EQ(read(store, "50"), "0....5");
    EXPECT_EQ(read(store, ""), "......");
    EXPECT_EQ(Stored(store, Setting::DisplayData), "");
    EXPECT_EQ(read(store, "6789"), "......");
    EXPECT_EQ(read(store, "5x"), "0123.5");
    EXPECT_EQ(Stored(store, Setting::DisplayData), "0123");
    MemorySettingsStore fresh;
    EXPECT_EQ(read(fresh, nullptr), "0123..");
}

TEST(SettingsReaders, MoreClicsAsksOnlyWhenMissing) {
    const std::function<std::wstring()> question = [] { return std::wstring(L"Simple?"); };
    MemorySettingsStore store;
    ScriptedAnswer no(false);
    EXPECT_TRUE(Recupere_MoreClics(store, no, question));
    EXPECT_TRUE(Recupere_MoreClics(store, no, question));
    EXPECT_EQ(no.asked, 1);
    EXPECT_EQ(no.asked_with, L"Simple?|TheWandrel: Control more than three buttons?");
    EXPECT_EQ(Stored(store, Setting::MoreClics), "True");

    ScriptedAnswer yes(true);
    store.Write(SettingPath(Setting::MoreClics), "garbage");
    EXPECT_FALSE(Recupere_MoreClics(store, yes, question));
    EXPECT_EQ(Stored(store, Setting::MoreClics), "False");
}

TEST(SettingsReaders, StartWithWindowsEntriesAndNickname) {
    MemorySettingsStore store;
    EXPECT_FALSE(Recupere_launchwinstart(store));
    store.Write(kRunEntryPath, "");
    store.Write(kOldRunEntryPath, "C:\\Old\\WDX.exe");
    EXPECT_FALSE(Recupere_launchwinstart(store));
    MiseAJourDemarrage(store, L"C:\\New");
    EXPECT_EQ(store.Read(kRunEntryPath).value_or("?"), ""); // empty means off: left alone
    EXPECT_FALSE(store.Read(kOldRunEntryPath));

    store.Write(kRunEntryPath, "C:\\Old\\TheWandrel.exe");
    MiseAJourDemarrage(store, L"C:\\Program Files\\TheWandrel");
    EXPECT_EQ(store.Read(kRunEntryPath).value_or(""),
              "C:\\Program Files\\TheWandrel\\TheWandrel.exe");
    MiseAJourDemarrage(store, L"D:\\");
    EXPECT_EQ(store.Read(kRunEntryPath).value_or(""), "D:\\TheWandrel.exe");
    // A folder in any script, as it is: the entry is a path, not code page 1252 text.
    const std::wstring cyrillic = L"C:\\Users\\\u0418\u0432\u0430\u043d\\\u041f\u0440\u043e\u0433\u0440\u0430\u043c\u043c\u044b";
    MiseAJourDemarrage(store, cyrillic);
    EXPECT_EQ(store.ReadWide(kRunEntryPath), cyrillic + L"\\TheWandrel.exe");
    EXPECT_TRUE(Recupere_launchwinstart(store));
    MiseAJourDemarrage(store, L"D:\\");
    EXPECT_EQ(store.Read(kRunEntryPath).value_or(""), "D:\\TheWandrel.exe"); // and back
    EXPECT_EQ(DonnePseudo(store), "");
    EXPECT_FALSE(store.Read(SettingPath(Setting::Login))); // nothing written
}
