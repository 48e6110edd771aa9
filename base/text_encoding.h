// Portable conversions between the encodings the interface meets: the UTF-8 string table,
// the UTF-16 window texts (std::wstring; UTF-32 code units where wchar_t is 32 bits wide,
// as in the native unit tests) and the single-byte code page 1252 of the log and the data.
#pragma once

#include <string>
#include <string_view>

// Malformed UTF-8 (stray continuation bytes, overlong forms, surrogates, values past
// U+10FFFF, a cut-off sequence) decodes to U+FFFD, one per bad byte, never stops.
std::wstring WideFromUtf8(std::string_view utf8);

// Code page 1252 bytes of a text; a character the code page has no byte for becomes
// `replacement`. Meant for texts that go into the log, where a lost accent is acceptable.
std::string Cp1252FromWide(std::wstring_view text, char replacement = '?');

// The characters of code page 1252 bytes (an unassigned byte stays the C1 control of its
// value, as Windows maps it).
std::wstring WideFromCp1252(std::string_view bytes);
