#include "server/sending_record.h"

#include "base/md5.h"

#include <vector>

namespace trekhold {

namespace {

std::vector<std::string> SplitFields(const std::string& text, size_t limit) {
    std::vector<std::string> fields(1);
    for (char c : text) {
        if (c == '\'') {
            if (fields.size() > limit)
                break;
            fields.emplace_back();
        } else {
            fields.back() += c;
        }
    }
    return fields;
}

std::string Join(const std::vector<std::string>& fields, size_t count) {
    std::string text;
    for (size_t i = 0; i < count; ++i) {
        if (i)
            text += '\'';
        text += fields[i];
    }
    return text;
}

bool IsUpperHex(const std::string& text) {
    for (char c : text)
        if (!((c >= '0' && c <= '9') || (c >= 'A' && c <= 'F')))
            return false;
    return !text.empty();
}

bool IsPrintable(const std::string& text) {
    for (unsigned char c : text)
        if (c < 32 || c == 127)
            return false;
    return true;
}

std::vector<std::string> CountTexts(const Counts& c) {
    return {std::to_string(c.distance),       std::to_string(c.keystrokes),
            std::to_string(c.left_clicks),    std::to_string(c.right_clicks),
            std::to_string(c.special_clicks), std::to_string(c.scrolls),
            std::to_string(c.uptime),         std::to_string(c.usetime)};
}

} // namespace

std::optional<int64_t> ParseCount(const std::string& text, int64_t max) {
    if (text.empty() || text.size() > 19 || (text[0] == '0' && text.size() > 1))
        return std::nullopt;
    int64_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return std::nullopt;
        int digit = c - '0';
        if (value > (max - digit) / 10)
            return std::nullopt;
        value = value * 10 + digit;
    }
    return value;
}

std::optional<int64_t> RecordVersion(const std::string& plain) {
    if (plain.size() > kMaxPlainText)
        return std::nullopt;
    return ParseCount(plain.substr(0, plain.find('\'')), 999999999);
}

RecordFault ParseSendingRecord(const std::string& plain, SendingRecord& out) {
    if (plain.size() > kMaxPlainText)
        return RecordFault::kBadField;
    std::vector<std::string> f = SplitFields(plain, kSendingRecordFields);
    if (f.size() != kSendingRecordFields)
        return RecordFault::kFieldCount;

    auto version = ParseCount(f[0], 999999999);
    // An empty or over-long nickname or password is left to the account checks, which
    // answer with the words the client explains to its user ("Errlogin", "Errpwd").
    if (!version || !IsPrintable(f[1]) || f[3].size() != kKeyLength)
        return RecordFault::kBadField;
    int64_t* targets[8] = {&out.counts.distance,       &out.counts.keystrokes,
                           &out.counts.left_clicks,    &out.counts.right_clicks,
                           &out.counts.special_clicks, &out.counts.scrolls,
                           &out.counts.uptime,         &out.counts.usetime};
    for (int i = 0; i < 8; ++i) {
        auto n = ParseCount(f[4 + i]);
        if (!n)
            return RecordFault::kBadField;
        *targets[i] = *n;
    }
    if (!IsUpperHex(f[12]) || f[12].size() > 32 || f[13].size() != 32 || !IsUpperHex(f[13]) ||
        f[14].size() != 32 || !IsUpperHex(f[14]))
        return RecordFault::kBadField;
    if (::Md5Text(Join(f, 14)) != f[14])
        return RecordFault::kCheckMismatch;

    out.version = *version;
    out.nick = f[1];
    out.password = f[2];
    out.key = f[3];
    out.machine = f[12];
    out.program_digest = f[13];
    out.check = f[14];
    f[2].clear();
    out.replay_text = Join(f, kSendingRecordFields);
    return RecordFault::kNone;
}

std::string FormatSendingRecord(int64_t version, const std::string& nick,
                                const std::string& password, const std::string& key,
                                const Counts& counts, const std::string& machine,
                                const std::string& program_digest) {
    std::vector<std::string> f = {std::to_string(version), nick, password, key};
    for (std::string& t : CountTexts(counts))
        f.push_back(std::move(t));
    f.push_back(machine);
    f.push_back(program_digest);
    std::string text = Join(f, f.size());
    return text + "'" + ::Md5Text(text);
}

std::optional<std::pair<std::string, std::string>> ParseLogin(const std::string& plain) {
    if (plain.size() > kMaxPlainText)
        return std::nullopt;
    std::vector<std::string> f = SplitFields(plain, 2);
    if (f.size() != 2)
        return std::nullopt;
    return std::make_pair(f[0], f[1]);
}

} // namespace trekhold

namespace trekhold {

std::optional<Counts> ReplayCounts(const std::string& replay_text) {
    std::vector<std::string> f = SplitFields(replay_text, kSendingRecordFields);
    if (f.size() != kSendingRecordFields)
        return std::nullopt;
    Counts c;
    int64_t* targets[8] = {&c.distance,       &c.keystrokes, &c.left_clicks, &c.right_clicks,
                           &c.special_clicks, &c.scrolls,    &c.uptime,      &c.usetime};
    for (int i = 0; i < 8; ++i) {
        auto n = ParseCount(f[4 + i]);
        if (!n)
            return std::nullopt;
        *targets[i] = *n;
    }
    return c;
}

} // namespace trekhold
