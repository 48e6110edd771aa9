#include "storage/settings_store.h"
#include "ui/language_switch.h"
#include "ui/localisation.h"
#include "ui/text_encoding.h"

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
    EXPECT_EQ(ChaineLocale(120, {{L"%1", L"zeptal.dll"}, {L"%2", L"C:\\Program Files\\W\\"}}),
              L"Missing < zeptal.dll > in C:\\Program Files\\W\\.\r\nPlease reinstall TheWandrel.");
    // A "$" brought in by a replacement breaks the line too; an earlier pair's result is
    // seen by the later pairs; matching is case-sensitive; an empty find is ignored.
    EXPECT_EQ(
        ChaineLocale(120, {{L"%1", L"a$b %2"}, {L"%2", L"d"}, {L"missing", L"x"}, {L"", L"y"}}),
        L"Missing < a\r\nb d > in d.\r\nPlease reinstall TheWandrel.");
    const std::wstring error = ChaineLocale(130, {{L"%1", L"5"}, {L"%2", L"Out of memory"}});
    const std::wstring tail = L"\r\n\r\nErreur Execution n\u00b0: 5 \r\nDescription: Out of memory";
    ASSERT_GT(error.size(), tail.size());
    EXPECT_EQ(error.substr(error.size() - tail.size()), tail);
}

TEST_F(Localisation, ReadsTheCurrentLanguage) {
    LangueCourante = 1;
    EXPECT_EQ(ChaineLocale(300), L"Envoyer");
    LangueCourante = 2;
    EXPECT_EQ(ChaineLocale(630), L"Transparência:");
    LangueCourante = 3;
    EXPECT_EQ(ChaineLocale(620), L"Tamaño:");
}

TEST_F(Localisation, LogTextLosesItsLineBreaks) {
    EXPECT_EQ(LocalTextWithoutBreaks(150),
              L"Error: Unknown Nickname. Please check your Account Settings or create an account "
              L"on the website if it's not already done");
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

TEST_F(Localisation, LanguageSettingMissingIsWrittenBackAsEnglish) {
    EXPECT_EQ(LoadCurrentLanguage(store), 0);
    EXPECT_EQ(store.Read(kLanguage), "0");
}

TEST_F(Localisation, GermanOnlyThroughTheStoredValue) {
    store.Write(kLanguage, "4");
    EXPECT_EQ(LoadCurrentLanguage(store), 4);
    EXPECT_EQ(ChaineLocale(300), L"Senden");
    EXPECT_EQ(ChaineLocale(950), L"Min");
    for (const LanguageChoice& choice : kLanguageChoices)
        EXPECT_NE(choice.index, 4);
}

TEST_F(Localisation, DamagedLanguageValueStartsInEnglishAndIsKept) {
    const std::vector<std::string> damaged = {"7",        "-1",
                                              "abc",      "",
                                              " 1",       "1 ",
                                              "01",       "4x",
                                              "255",      "99999999999999999999",
                                              "\xC3\xA9", std::string(1, '\0')};
    for (const std::string& value : damaged) {
        LangueCourante = 3;
        store.Write(kLanguage, value);
        EXPECT_EQ(LoadCurrentLanguage(store), 0) << value;
        EXPECT_EQ(ChaineLocale(300), L"Send") << value;
        EXPECT_EQ(store.Read(kLanguage), value);
    }
    // A language index set out of range by other code still reads English.
    LangueCourante = 9;
    EXPECT_EQ(ChaineLocale(120, {{L"%1", L"f"}, {L"%2", L"d"}}),
              L"Missing < f > in d.\r\nPlease reinstall TheWandrel.");
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
    const std::vector<std::pair<int, std::wstring>> french = {
        {300, L"Envoyer"},         {310, L"Affichage"},
        {320, L"Comptage activé"}, {330, L"Désactiver l'animation de l'icône"},
        {340, L"Site web"},        {350, L"Paramètres"},
        {360, L"Quitter"}};
    EXPECT_EQ(tray, french);

    tray.clear();
    EXPECT_FALSE(ChangeLanguage(
        5, store, [&] { ++relabelled; }, caption));
    EXPECT_EQ(LangueCourante, 1);
    EXPECT_EQ(store.Read(kLanguage), "1");
    EXPECT_EQ(relabelled, 1);
    EXPECT_TRUE(tray.empty());
}
