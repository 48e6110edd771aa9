#include "base/number_text.h"

#include <cmath>
#include <limits>

std::optional<int64_t> ParseInt64(const std::string& text) {
    size_t i = 0;
    bool negative = false;
    if (!text.empty() && text[0] == '-') {
        negative = true;
        i = 1;
    }
    if (i == text.size())
        return std::nullopt;
    // Accumulate as a negative number so that the lowest value fits too.
    int64_t value = 0;
    const int64_t lowest = std::numeric_limits<int64_t>::min();
    for (; i < text.size(); ++i) {
        char ch = text[i];
        if (ch < '0' || ch > '9')
            return std::nullopt;
        int digit = ch - '0';
        if (value < (lowest + digit) / 10)
            return std::nullopt;
        value = value * 10 - digit;
    }
    if (negative)
        return value;
    if (value == lowest)
        return std::nullopt;
    return -value;
}

std::optional<uint64_t> ParseUnsigned(const std::string& text, uint64_t highest) {
    if (!text.empty() && text[0] == '-')
        return std::nullopt;
    const std::optional<int64_t> value = ParseInt64(text);
    if (!value || static_cast<uint64_t>(*value) > highest)
        return std::nullopt;
    return static_cast<uint64_t>(*value);
}

std::optional<int32_t> ParseInt32(const std::string& text) {
    std::optional<int64_t> value = ParseInt64(text);
    if (!value || *value < std::numeric_limits<int32_t>::min() ||
        *value > std::numeric_limits<int32_t>::max())
        return std::nullopt;
    return static_cast<int32_t>(*value);
}

int64_t NearestEven(double x) {
    double lower = std::floor(x);
    double fraction = x - lower;
    auto n = static_cast<int64_t>(lower);
    if (fraction > 0.5)
        return n + 1;
    if (fraction < 0.5)
        return n;
    return (n % 2 == 0) ? n : n + 1;
}
