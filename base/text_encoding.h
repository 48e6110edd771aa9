// Portable conversions between the encodings the interface meets: the UTF-8 string table,
// the UTF-16 window texts (std::wstring; UTF-32 code units where wchar_t is 32 bits wide,
// as in the native unit tests) and the single-byte code page 1252 of the log and the data.
#pragma once

#include <optional>
#include <string>
#include <string_view>

// Malformed UTF-8 (stray continuation bytes, overlong forms, surrogates, values past
// U+10FFFF, a cut-off sequence) decodes to U+FFFD, one per bad byte, never stops.
std::wstring WideFromUtf8(std::string_view utf8);

// The program's one pair of code page 1252 conversions, as Windows defines the code page:
// bytes 0x80-0x9F are the euro sign, typographic quotes, dashes and the like; the five bytes
// the code page leaves unassigned stand for the C1 controls of the same value.

// The characters of code page 1252 bytes; every byte has one.
std::wstring WideFromCp1252(std::string_view bytes);

// Code page 1252 bytes of a text, or nothing when a character has no byte there: for texts
// that must arrive exactly as typed (an account, a proxy address).
std::optional<std::string> Cp1252Exactly(std::wstring_view text);

// Code page 1252 bytes of a text; a character the code page has no byte for becomes
// `replacement`. Only for texts that go into the log and error descriptions, where a lost
// accent is acceptable.
std::string Cp1252FromWide(std::wstring_view text, char replacement = '?');

