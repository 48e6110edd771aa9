// Numbers as the program writes and reads them.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

// Decimal texts as the program stores them: an optional "-" and digits, nothing else.
// Empty when the text is not such a number or does not fit the width.
std::optional<int64_t> ParseInt64(const std::string& text);
std::optional<int32_t> ParseInt32(const std::string& text);
// Digits only (no sign), as a number from 0 to `highest`; empty otherwise.
std::optional<uint64_t> ParseUnsigned(const std::string& text, uint64_t highest);

// The integer nearest to x, halves going to the even integer (2.5 -> 2, 3.5 -> 4).
int64_t NearestEven(double x);
