// The table is complete and consistent: five non-empty entries per base, the same line
// breaks and placeholders in every language, and every text storable in the log's code page.
#include "ui/string_table.h"
#include "ui/text_encoding.h"

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>

namespace {

std::vector<int> ExpectedBases() {
    std::vector<int> bases;
    for (int b = 110; b <= 260; b += 10)
        bases.push_back(b);
    for (int b = 300; b <= 360; b += 10)
        bases.push_back(b);
    for (int b = 400; b <= 800; b += 10)
        bases.push_back(b);
    for (int b = 900; b <= 950; b += 10)
        bases.push_back(b);
    return bases;
}

size_t Count(std::string_view text, std::string_view what) {
    size_t n = 0;
    for (size_t at = text.find(what); at != std::string_view::npos; at = text.find(what, at + 1))
        ++n;
    return n;
}

std::string Text(int id) {
    auto text = StringTableText(id);
    return text ? std::string(*text) : std::string("<missing>");
}

} // namespace

TEST(StringTable, HasFiveEntriesForEverySeventyBasesAndNothingElse) {
    const std::vector<int> bases = ExpectedBases();
    ASSERT_EQ(bases.size(), 70u);
    std::set<int> expected;
    for (int base : bases)
        for (int language = 0; language < 5; ++language)
            expected.insert(base + language);

    std::set<int> actual;
    for (auto* e = StringTableBegin(); e != StringTableEnd(); ++e) {
        EXPECT_TRUE(actual.insert(e->id).second) << "duplicate " << e->id;
        EXPECT_NE(std::string_view(e->text), "") << e->id;
    }
    EXPECT_EQ(actual, expected);
    EXPECT_EQ(StringTableEnd() - StringTableBegin(), 350);
}

TEST(StringTable, TranslationsKeepLineBreaksAndPlaceholders) {
    for (int base : ExpectedBases()) {
        const std::string english = Text(base);
        for (int language = 1; language < 5; ++language) {
            const std::string text = Text(base + language);
            for (const char* mark : {"$", "%1", "%2"})
                EXPECT_EQ(Count(text, mark), Count(english, mark))
                    << "'" << mark << "' in " << base + language << ": " << text;
        }
    }
}

TEST(StringTable, EveryTextIsValidUtf8AndFitsTheLogCodePage) {
    for (auto* e = StringTableBegin(); e != StringTableEnd(); ++e) {
        const std::wstring wide = WideFromUtf8(e->text);
        EXPECT_EQ(wide.find(L'\xFFFD'), std::wstring::npos) << e->id;
        EXPECT_EQ(Cp1252FromWide(wide, '\0').find('\0'), std::string::npos) << e->id;
    }
}

TEST(StringTable, TranslationsAreNotCopiesOfTheEnglishText) {
    // Texts that are the same in a language on purpose.
    const std::set<int> same = {262, 263, 264, 344, 951, 952, 953, 954};
    for (int base : ExpectedBases()) {
        for (int language = 1; language < 5; ++language) {
            if (!same.count(base + language)) {
                EXPECT_NE(Text(base + language), Text(base)) << base + language;
            }
        }
    }
}

TEST(StringTable, KeepsTheExactEnglishTexts) {
    EXPECT_EQ(Text(120), "Missing < %1 > in %2.$Please reinstall TheWandrel.");
    EXPECT_EQ(Text(140).substr(0, 31), "$Do you have a simple mouse?$$ ");
    EXPECT_NE(Text(140).find("standard ones           $$Note: you can change"), std::string::npos);
    EXPECT_EQ(Text(750), "Save logs in ");
    EXPECT_EQ(Text(150), "Error: Unknown Nickname. $Please check your Account Settings or "
                         "create $an account on the website if it's not already done");
    EXPECT_EQ(Text(900).substr(Text(900).size() - 26), "\xC2\xA4 be connected to the web");

    const std::string error = Text(130);
    EXPECT_EQ(error.rfind("An error has occured!$", 0), 0u);
    EXPECT_NE(error.find("$$Erreur Execution n\xC2\xB0: %1 $Description: %2"), std::string::npos);
    EXPECT_EQ(Text(110).rfind("Directx 8 or greater is needed$You will find the latest version "
                              "of Directx here:$https://",
                              0),
              0u);
    EXPECT_EQ(Text(250).rfind("Please give the proxy server adress and port.$Ex:  http://", 0), 0u);
    for (int id : {262, 263, 264})
        EXPECT_EQ(Text(id), "Error: Bad library version.$$If you just reinstalled TheWandrel "
                            "please try to reboot your computer.");
    for (int id = 950; id < 955; ++id)
        EXPECT_EQ(Text(id), "Min");
}
