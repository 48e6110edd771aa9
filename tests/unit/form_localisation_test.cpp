#include "ui/form_localisation.h"
#include "ui/localisation.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace {

// A control of a fake window: what it shows and, for a combo box, its list.
struct FakeControl {
    std::wstring caption;
    std::vector<std::wstring> items;
};

TextSlot CaptionSlot(const std::wstring& identifier, FakeControl& control) {
    return {identifier, false, [&control](const std::wstring& text) { control.caption = text; }};
}

TextSlot ComboSlot(const std::wstring& identifier, FakeControl& control) {
    return {identifier, true,
            [&control](const std::wstring& item) { control.items.push_back(item); }};
}

class FormLocalisation : public ::testing::Test {
  protected:
    void SetUp() override { LangueCourante = 0; }
    void TearDown() override { LangueCourante = 0; }
};

} // namespace

TEST(TextIdentifier, OnlyPlainDecimalNumbersWithin16Bits) {
    EXPECT_EQ(ParseTextIdentifier(L"300"), 300);
    EXPECT_EQ(ParseTextIdentifier(L"00950"), 950);
    EXPECT_EQ(ParseTextIdentifier(L"32767"), 32767);
    for (const wchar_t* bad : {L"", L"Send", L"30a", L" 300", L"300 ", L"-300", L"+300", L"3e2",
                               L"3.0", L"32768", L"000300", L"99999999999", L"\x0663\x0660\x0660"})
        EXPECT_FALSE(ParseTextIdentifier(bad)) << bad;
}

TEST(ComboItems, SplitOnSemicolonsKeepingEmptyItems) {
    using V = std::vector<std::wstring>;
    EXPECT_EQ(SplitComboItems(L"Km;Mi"), (V{L"Km", L"Mi"}));
    EXPECT_EQ(SplitComboItems(L";a;;b;"), (V{L"", L"a", L"", L"b", L""}));
    EXPECT_EQ(SplitComboItems(L"one"), (V{L"one"}));
    EXPECT_TRUE(SplitComboItems(L"").empty());
}

TEST_F(FormLocalisation, NumericIdentifiersGetTheirTextOthersKeepTheirCaption) {
    FakeControl window{L"TheWandrel 4.2 - Settings", {}};
    FakeControl save{L"Save", {}}, empty{L"design", {}}, word{L"design", {}},
        unknown{L"design", {}}, failing{L"design", {}}, after{L"design", {}};
    LangueCourante = 1;
    const std::vector<TextSlot> slots = {
        CaptionSlot(L"780", window),
        CaptionSlot(L"420", save),
        CaptionSlot(L"", empty),
        CaptionSlot(L"Tag", word),
        CaptionSlot(L"115", unknown), // numeric, but no text: skipped
        {L"300", false, [](const std::wstring&) { throw std::runtime_error("gone"); }},
        CaptionSlot(L"800", after),
    };
    EXPECT_EQ(LocaliseSlots(slots), 3);
    EXPECT_EQ(window.caption, L"Paramètres");
    EXPECT_EQ(save.caption, L"Enregistrer");
    EXPECT_EQ(empty.caption, L"design");
    EXPECT_EQ(word.caption, L"design");
    EXPECT_EQ(unknown.caption, L"design");
    EXPECT_EQ(after.caption, L"Compte");
}

TEST_F(FormLocalisation, ComboBoxLocalisedTwiceListsItsItemsTwice) {
    FakeControl combo;
    const std::vector<TextSlot> slots = {ComboSlot(L"680", combo)};
    LocaliseSlots(slots);
    LangueCourante = 3;
    LocaliseSlots(slots);
    EXPECT_EQ(combo.items, (std::vector<std::wstring>{L"To be sent", L"Por enviar"}));
}

TEST_F(FormLocalisation, MenuCaptionHoldsItsIdentifierOnlyUntilTheFirstLocalisation) {
    FakeControl send{L"300", {}};
    auto localise = [&] { return LocaliseSlots({CaptionSlot(send.caption, send)}); };
    EXPECT_EQ(localise(), 1);
    EXPECT_EQ(send.caption, L"Send");
    LangueCourante = 4;
    EXPECT_EQ(localise(), 0);
    EXPECT_EQ(send.caption, L"Send");
}
