// Conversions of setting texts into numbers and booleans. Settings are stored as text;
// these readers never throw and return nothing for a text that is not a value.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

// A whole decimal number with an optional sign, surrounding spaces allowed. Nothing for
// any other text, or for a number outside the 64-bit range.
std::optional<int64_t> ParseWholeNumber(const std::string& text);

// "True"/"False" in any letter case (surrounding spaces allowed), or a whole number
// (zero is false, anything else true).
std::optional<bool> ParseBoolean(const std::string& text);

// "True" or "False", as booleans are stored.
inline const char* BooleanText(bool value) { return value ? "True" : "False"; }
