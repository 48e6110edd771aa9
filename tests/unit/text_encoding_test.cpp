#include "ui/text_encoding.h"

#include <gtest/gtest.h>

TEST(Utf8, DecodesTheTableCharacters) {
    EXPECT_EQ(
        WideFromUtf8("\xC3\xA9\xC3\xA7\xC3\xA3\xC3\xBC\xC3\x9F \xC2\xA4 n\xC2\xB0 \xE2\x82\xAC"),
        L"\u00e9\u00e7\u00e3\u00fc\u00df \u00a4 n\u00b0 \u20ac");
    const std::wstring clef = WideFromUtf8("\xF0\x9F\x94\x91");
    if constexpr (sizeof(wchar_t) == 2)
        EXPECT_EQ(clef, std::wstring({wchar_t(0xD83D), wchar_t(0xDD11)}));
    else
        EXPECT_EQ(clef, std::wstring(1, wchar_t(0x1F511)));
}

TEST(Utf8, MalformedInputBecomesReplacementCharacters) {
    const std::wstring bad(1, L'\xFFFD');
    EXPECT_EQ(WideFromUtf8("\x80"), bad);           // stray continuation
    EXPECT_EQ(WideFromUtf8("\xC0\x80"), bad + bad); // overlong NUL
    EXPECT_EQ(WideFromUtf8("\xE0\x80\xAF"), bad + bad + bad);
    EXPECT_EQ(WideFromUtf8("\xED\xA0\x80"), bad + bad + bad);           // surrogate
    EXPECT_EQ(WideFromUtf8("\xF4\x90\x80\x80"), bad + bad + bad + bad); // past U+10FFFF
    EXPECT_EQ(WideFromUtf8("a\xC3"), L"a" + bad);                       // cut off at the end
    EXPECT_EQ(WideFromUtf8(std::string("\xE2\x82") + 'A'), bad + bad + L"A");
    EXPECT_EQ(WideFromUtf8(std::string("a\0b", 3)), std::wstring(L"a\0b", 3));
}

TEST(Cp1252, EncodesWhatTheCodePageHasAndReplacesTheRest) {
    EXPECT_EQ(Cp1252FromWide(L"\u00e9\u00e7\u00e3\u00fc \u20ac\u0153\u2019 \u00a4"),
              "\xE9\xE7\xE3\xFC \x80\x9C\x92 \xA4");
    EXPECT_EQ(Cp1252FromWide(L"\u4e2d\u0081x"), "?\x81x");
    EXPECT_EQ(Cp1252FromWide(L"\u0100", '#'), "#");
}
