#include "storage/text_number.h"

#include <cctype>

namespace {

std::string Trim(const std::string& text) {
    size_t begin = 0;
    size_t end = text.size();
    while (begin < end && text[begin] == ' ')
        ++begin;
    while (end > begin && text[end - 1] == ' ')
        --end;
    return text.substr(begin, end - begin);
}

bool EqualsIgnoringCase(const std::string& a, const char* b) {
    size_t i = 0;
    for (; i < a.size() && b[i]; ++i) {
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    }
    return i == a.size() && b[i] == '\0';
}

} // namespace

std::optional<int64_t> ParseWholeNumber(const std::string& text) {
    const std::string t = Trim(text);
    size_t i = 0;
    bool negative = false;
    if (i < t.size() && (t[i] == '-' || t[i] == '+')) {
        negative = t[i] == '-';
        ++i;
    }
    if (i == t.size())
        return std::nullopt;
    // Accumulate as a negative number so INT64_MIN is reachable without overflow.
    int64_t value = 0;
    for (; i < t.size(); ++i) {
        const char ch = t[i];
        if (ch < '0' || ch > '9')
            return std::nullopt;
        const int digit = ch - '0';
        if (value < (INT64_MIN + digit) / 10)
            return std::nullopt;
        value = value * 10 - digit;
    }
    if (!negative) {
        if (value == INT64_MIN)
            return std::nullopt;
        value = -value;
    }
    return value;
}

std::optional<bool> ParseBoolean(const std::string& text) {
    const std::string t = Trim(text);
    if (EqualsIgnoringCase(t, "true"))
        return true;
    if (EqualsIgnoringCase(t, "false"))
        return false;
    if (auto number = ParseWholeNumber(t))
        return *number != 0;
    return std::nullopt;
}
