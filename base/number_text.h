// Decimal texts as the program stores them: an optional "-" and digits, nothing else.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

// Empty when the text is not such a number or does not fit the width.
std::optional<int64_t> ParseInt64(const std::string& text);
std::optional<int32_t> ParseInt32(const std::string& text);
