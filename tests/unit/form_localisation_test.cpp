#include "ui/form_localisation.h"
#include "base/localisation.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace {

TextSlot CaptionSlot(const std::wstring& identifier, std::wstring& caption) {
    return {identifier, false, [&caption](const std::wstring& text) { caption = text; }};
}

class FormLocalisation : public ::testing::Test {
  protected:
    void SetUp() override { LangueCourante = 0; }
    void TearDown() override { LangueCourante = 0; }
};

} // namespace

TEST(TextIdentifier, OnlyPlainDecimalNumbersWithin16Bits) {
    EXPECT_EQ(ParseTextIdentifier(L"00950"), 950);
    EXPECT_EQ(ParseTextIdentifier(L"32767"), 32767);
    for (const wchar_t* bad : {L"", L"Send", L"30a", L" 300", L"300 ", L"-300", L"+300", L"3e2",
                               L"3.0", L"32768", L"000300", L"99999999999", L"\x0663\x0660\x0660"})
        EXPECT_FALSE(ParseTextIdentifier(bad)) << bad;

    using V = std::vector<std::wstring>;
    EXPECT_EQ(SplitComboItems(L";a;;b;"), (V{L"", L"a", L"", L"b", L""}));
    EXPECT_EQ(SplitComboItems(L"one"), (V{L"one"}));
    EXPECT_TRUE(SplitComboItems(L"").empty());
}

TEST_F(FormLocalisation, NumericIdentifiersGetTheirTextOthersKeepTheirCaption) {
    std::wstring window = L"TheWandrel 4.2", empty = L"design", word = L"design",
                 unknown = L"design", after = L"design";
    LangueCourante = 1;
    const std::vector<TextSlot> slots = {
        CaptionSlot(L"780", window),
        CaptionSlot(L"", empty),
        CaptionSlot(L"Tag", word),
        CaptionSlot(L"115", unknown), // numeric, but no text: skipped
        {L"300", false, [](const std::wstring&) { throw std::runtime_error("gone"); }},
        CaptionSlot(L"800", after),
    };
    EXPECT_EQ(LocaliseSlots(slots), 2);
    EXPECT_EQ(window, L"Paramètres");
    EXPECT_EQ(empty + word + unknown, L"designdesigndesign");
    EXPECT_EQ(after, L"Compte");

    // A combo box localised twice lists its items twice.
    std::vector<std::wstring> items;
    const std::vector<TextSlot> combo = {
        {L"680", true, [&](const std::wstring& item) { items.push_back(item); }}};
    LangueCourante = 0;
    LocaliseSlots(combo);
    LangueCourante = 3;
    LocaliseSlots(combo);
    EXPECT_EQ(items, (std::vector<std::wstring>{L"To be sent", L"Por enviar"}));
}

TEST_F(FormLocalisation, MenuCaptionHoldsItsIdentifierOnlyUntilTheFirstLocalisation) {
    std::wstring send = L"300";
    auto localise = [&] { return LocaliseSlots({CaptionSlot(send, send)}); };
    EXPECT_EQ(localise(), 1);
    EXPECT_EQ(send, L"Send");
    LangueCourante = 4;
    EXPECT_EQ(localise(), 0);
    EXPECT_EQ(send, L"Send");
}
