#include "base/text_encoding.h"

#include <gtest/gtest.h>

TEST(Utf8, DecodesTheTableCharactersAndReplacesMalformedInput) {
    EXPECT_EQ(WideFromUtf8("\xC3\xA9\xC3\x9F \xC2\xA4 n\xC2\xB0 \xE2\x82\xAC"),
              L"\u00e9\u00df \u00a4 n\u00b0 \u20ac");
    const std::wstring clef = WideFromUtf8("\xF0\x9F\x94\x91");
    if constexpr (sizeof(wchar_t) == 2)
        EXPECT_EQ(clef, std::wstring({wchar_t(0xD83D), wchar_t(0xDD11)}));
    else
        EXPECT_EQ(clef, std::wstring(1, wchar_t(0x1F511)));

    const std::wstring bad(1, L'\xFFFD');
    const std::pair<std::string, std::wstring> malformed[] = {
        {"\x80", bad},                               // stray continuation
        {"\xC0\x80", bad + bad},                     // overlong NUL
        {"\xED\xA0\x80", bad + bad + bad},           // surrogate
        {"\xF4\x90\x80\x80", bad + bad + bad + bad}, // past U+10FFFF
        {"a\xC3", L"a" + bad},                       // cut off at the end
        {std::string("\xE2\x82") + 'A', bad + bad + L"A"},
        {std::string("a\0b", 3), std::wstring(L"a\0b", 3)}};
    for (const auto& [in, out] : malformed)
        EXPECT_EQ(WideFromUtf8(in), out) << in;
}

TEST(Cp1252, EveryByteHasItsCharacterAndBackAndTheRestIsRefusedOrReplaced) {
    std::string every_byte;
    for (int b = 0; b < 256; ++b)
        every_byte.push_back(static_cast<char>(b));
    const std::wstring wide = WideFromCp1252(every_byte);
    ASSERT_EQ(wide.size(), 256u);
    // 0x80-0x9F are not Latin-1: the euro sign, typographic quotes, dashes, the trade mark;
    // the unassigned 0x81, 0x8D, 0x8F, 0x90, 0x9D stand for the C1 controls.
    EXPECT_EQ(wide.substr(0x80, 4), L"\u20ac\u0081\u201a\u0192");
    EXPECT_EQ(wide.substr(0x91, 4), L"\u2018\u2019\u201c\u201d");
    EXPECT_EQ(wide[0x96], L'\u2013');
    EXPECT_EQ(wide[0x99], L'\u2122');
    EXPECT_EQ(wide[0x9D], L'\u009d');
    EXPECT_EQ(wide[0xE9], L'\u00e9');
    EXPECT_EQ(Cp1252Exactly(wide), every_byte);
    EXPECT_EQ(Cp1252FromWide(wide), every_byte);

    EXPECT_EQ(Cp1252Exactly(L"C:\\Users\\\u0418\u0432\u0430\u043d"), std::nullopt);
    EXPECT_EQ(Cp1252Exactly(L"caf\u00e9 ?"), "caf\xE9 ?"); // a question mark is no refusal
    EXPECT_EQ(Cp1252FromWide(L"\u4e2d\u0081x"), "?\x81x");
    EXPECT_EQ(Cp1252FromWide(L"\u0100", '#'), "#");
}

TEST(Cp1252, DecodesEveryByteAndRoundTrips) {
    EXPECT_EQ(WideFromCp1252("\xE9\x80\x9C\x92 \x81"), L"\u00e9\u20ac\u0153\u2019 \u0081");
    std::string all;
    for (int byte = 0; byte < 256; ++byte)
        all.push_back(static_cast<char>(byte));
    EXPECT_EQ(Cp1252FromWide(WideFromCp1252(all)), all);
}
