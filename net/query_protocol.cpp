#include "net/query_protocol.h"

#include "base/record_fields.h"

#include <cstring>

namespace query {

namespace {

// The text up to the first NUL, or nothing when it would not fit the buffer.
std::optional<std::string> TextOf(const void* data, size_t size) {
    if (data == nullptr || size == 0)
        return std::string();
    const char* bytes = static_cast<const char*>(data);
    const void* nul = std::memchr(bytes, '\0', size);
    const size_t length = nul ? static_cast<size_t>(static_cast<const char*>(nul) - bytes) : size;
    if (length > kMaxTextBytes)
        return std::nullopt;
    return std::string(bytes, length);
}

} // namespace

std::optional<int64_t> ParseDecimal(const std::string& text) {
    size_t i = 0;
    const bool negative = !text.empty() && text[0] == '-';
    if (negative)
        i = 1;
    const size_t digits = text.size() - i;
    if (digits == 0 || digits > 18)
        return std::nullopt;
    int64_t value = 0;
    for (; i < text.size(); ++i) {
        if (text[i] < '0' || text[i] > '9')
            return std::nullopt;
        value = value * 10 + (text[i] - '0');
    }
    return negative ? -value : value;
}

std::optional<Request> ParseRequest(const void* data, size_t size) {
    const std::optional<std::string> text = TextOf(data, size);
    if (!text || text->compare(0, std::strlen(kTag), kTag) != 0)
        return std::nullopt;
    const std::vector<std::string> fields = SplitAtApostrophes(*text);
    if (fields.size() != 3)
        return std::nullopt;
    const std::optional<int64_t> window = ParseDecimal(fields[1]);
    const std::optional<int64_t> mode = ParseDecimal(fields[2]);
    if (!window || *window < INT32_MIN || *window > INT32_MAX || !mode || *mode < 0 || *mode > 255)
        return std::nullopt;
    return Request{static_cast<int32_t>(*window), static_cast<uint8_t>(*mode)};
}

std::string BuildRequest(int32_t reply_window, uint8_t mode) {
    return std::string(kTag) + "'" + std::to_string(reply_window) + "'" + std::to_string(mode);
}

std::string BuildReply(const CounterSet& c, const std::string& nickname, uint8_t mode) {
    const bool totals = mode == 0;
    const auto with = [totals](int32_t to_send, int32_t ever) {
        return std::to_string(totals ? int64_t{to_send} + ever : int64_t{to_send});
    };
    const SentCounts s = ToBeSent(c);
    const int64_t distance = totals ? s.Distance + TotalDistanceCm(c) : s.Distance;
    const std::string numbers =
        "'" + std::to_string(distance) + "'" + with(s.NbTouches, c.NbTouches_Ever) + "'" +
        with(s.NCGauche, c.NCGauche_Ever) + "'" + with(s.NCDroit, c.NCDroit_Ever) + "'" +
        with(s.NCSpecial, c.NCSpecial_Ever) + "'" + with(s.NScrolls, c.NScrolls_Ever) + "'" +
        with(s.UpTime, c.UpTime_Ever) + "'" + with(s.UseTime, c.UseTime_Ever);
    const std::string head = std::string(kTag) + "'";
    // The nine numbers with their separators take at most 9 x 21 bytes: room remains.
    const size_t room = kMaxTextBytes - head.size() - numbers.size();
    return head + nickname.substr(0, room) + numbers;
}

std::optional<std::vector<std::string>> ParseReply(const void* data, size_t size) {
    const std::optional<std::string> text = TextOf(data, size);
    if (!text)
        return std::nullopt;
    std::vector<std::string> fields = SplitAtApostrophes(*text);
    if (fields.size() != kReplyFields || fields[0] != kTag)
        return std::nullopt;
    return fields;
}

} // namespace query
