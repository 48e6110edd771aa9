#include "base/string_table.h"
#include "base/text_encoding.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace {

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

// Five distinct translations per base, with the English line breaks and placeholders,
// each storable in the log's code page; nothing else in the table.
TEST(StringTable, EveryBaseHasFiveConsistentTranslations) {
    const std::set<int> same_on_purpose = {262, 263, 264, 344, 851, 852, 853, 951, 952, 953, 954};
    std::set<int> expected;
    for (auto [first, last] : {std::pair{110, 270}, {300, 360}, {400, 850}, {900, 950}}) {
        for (int base = first; base <= last; base += 10) {
            const std::string english = Text(base);
            for (int language = 0; language < 5; ++language) {
                const int id = base + language;
                expected.insert(id);
                const std::string text = Text(id);
                for (const char* mark : {"$", "%1", "%2"})
                    EXPECT_EQ(Count(text, mark), Count(english, mark)) << mark << " in " << id;
                if (language > 0 && !same_on_purpose.count(id)) {
                    EXPECT_NE(text, english) << id;
                }
            }
        }
    }
    ASSERT_EQ(expected.size(), 380u);
    std::set<int> actual;
    for (auto* e = StringTableBegin(); e != StringTableEnd(); ++e) {
        EXPECT_TRUE(actual.insert(e->id).second) << "duplicate " << e->id;
        EXPECT_NE(std::string_view(e->text), "") << e->id;
        const std::wstring wide = WideFromUtf8(e->text);
        EXPECT_EQ(wide.find(L'\xFFFD'), std::wstring::npos) << e->id;
        EXPECT_EQ(Cp1252FromWide(wide, '\0').find('\0'), std::string::npos) << e->id;
    }
    EXPECT_EQ(actual, expected);
}

TEST(StringTable, KeepsTheExactEnglishTexts) {
    EXPECT_EQ(Text(150), "Error: Unknown Nickname. $Please check your Account Settings or "
                         "create $an account on the website if it's not already done");
    EXPECT_NE(Text(130).find("$$Erreur Execution n\xC2\xB0: %1 $Description: %2"),
              std::string::npos);
    EXPECT_EQ(Text(750), "Save logs in "); // the folder follows the trailing space
    EXPECT_NE(Text(140).find("standard ones           $$Note"), std::string::npos);
    // Left untranslated on purpose: a "translation" here is a fault.
    for (int id : {262, 263, 264})
        EXPECT_EQ(Text(id), "Error: Bad library version.$$If you just reinstalled TheWandrel "
                            "please try to reboot your computer.")
            << id;
    for (int id = 950; id < 955; ++id)
        EXPECT_EQ(Text(id), "Min") << id;
}
