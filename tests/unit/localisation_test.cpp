#include "storage/settings_store.h"
#include "tests/fakes/memory_stores.h"
#include "ui/language_switch.h"
#include "base/localisation.h"
#include "base/text_encoding.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

const std::string kLanguage = kSettingsKey + "Language";

class Localisation : public ::testing::Test {
  protected:
    void SetUp() override { LangueCourante = 0; }
    void TearDown() override { LangueCourante = 0; }
    MemorySettingsStore store;
};

} // namespace

TEST_F(Localisation, FillsPlaceholdersInOrderThenBreaksLines) {
    EXPECT_EQ(ChaineLocale(120, {{L"%1", L"zeptal.dll"}, {L"%2", L"C:\\W\\"}}),
              L"Missing < zeptal.dll > in C:\\W\\.\r\nPlease reinstall TheWandrel.");
    // A "$" brought in by a replacement breaks the line too; an earlier pair's result is
    // seen by the later pairs; matching is case-sensitive; an empty find is ignored.
    EXPECT_EQ(
        ChaineLocale(120, {{L"%1", L"a$b %2"}, {L"%2", L"d"}, {L"missing", L"x"}, {L"", L"y"}}),
        L"Missing < a\r\nb d > in d.\r\nPlease reinstall TheWandrel.");
    LangueCourante = 1;
    EXPECT_EQ(Cp1252FromWide(LocalTextWithoutBreaks(220)),
              "Erreur : impossible de joindre le serveur. Veuillez v\xE9rifier votre connexion "
              "Internet");
}

TEST_F(Localisation, MissingIdentifierIsAnErrorTheCallerCanCatch) {
    for (int id : {115, 0, -300, 955, 100000}) {
        EXPECT_FALSE(TryChaineLocale(id)) << id;
        try {
            ChaineLocale(id);
            ADD_FAILURE() << id;
        } catch (const MissingStringError& error) {
            EXPECT_EQ(error.id(), id);
            EXPECT_NE(std::string(error.what()).find(std::to_string(id)), std::string::npos);
        }
    }
    EXPECT_THROW(LocalTextWithoutBreaks(115), MissingStringError);
}

TEST_F(Localisation, StoredLanguageLoadsDamagedValuesStartInEnglishAndAreKept) {
    EXPECT_EQ(LoadCurrentLanguage(store), 0);
    EXPECT_EQ(store.Read(kLanguage), "0");
    store.Write(kLanguage, "4"); // German only through the stored value
    EXPECT_EQ(LoadCurrentLanguage(store), 4);
    EXPECT_EQ(ChaineLocale(300), L"Senden");
    for (const LanguageChoice& choice : kLanguageChoices)
        EXPECT_NE(choice.index, 4);

    for (const std::string& value :
         {std::string("7"), std::string("-1"), std::string("abc"), std::string(""),
          std::string(" 1"), std::string("01"), std::string("4x"),
          std::string("99999999999999999999"), std::string(1, '\0')}) {
        LangueCourante = 3;
        store.Write(kLanguage, value);
        EXPECT_EQ(LoadCurrentLanguage(store), 0) << value;
        EXPECT_EQ(ChaineLocale(300), L"Send") << value;
        EXPECT_EQ(store.Read(kLanguage), value);
    }
    LangueCourante = 9; // set out of range by other code: still English
    EXPECT_EQ(ChaineLocale(300), L"Send");
}

TEST_F(Localisation, SwitchWritesTheSettingRelabelsAndSetsTheTrayCaptions) {
    int relabelled = 0;
    std::vector<std::pair<int, std::wstring>> tray;
    auto caption = [&](int id, const std::wstring& text) { tray.emplace_back(id, text); };
    ASSERT_TRUE(ChangeLanguage(
        1, store, [&] { ++relabelled; }, caption));
    EXPECT_EQ(LangueCourante, 1);
    EXPECT_EQ(store.Read(kLanguage), "1");
    EXPECT_EQ(relabelled, 1);
    ASSERT_EQ(tray.size(), 7u);
    EXPECT_EQ(tray.front(), std::make_pair(300, std::wstring(L"Envoyer")));
    EXPECT_EQ(tray.back(), std::make_pair(360, std::wstring(L"Quitter")));

    tray.clear();
    EXPECT_FALSE(ChangeLanguage(
        5, store, [&] { ++relabelled; }, caption));
    EXPECT_EQ(LangueCourante, 1);
    EXPECT_EQ(store.Read(kLanguage), "1");
    EXPECT_EQ(relabelled, 1);
    EXPECT_TRUE(tray.empty());

    store.fail_writes = true; // the registry refuses: the interface stays in French
    EXPECT_FALSE(ChangeLanguage(
        0, store, [&] { ++relabelled; }, caption));
    EXPECT_EQ(LangueCourante, 1);
    EXPECT_EQ(relabelled, 1);
}
