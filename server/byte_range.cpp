#include "server/byte_range.h"

#include <algorithm>
#include <cctype>
#include <optional>

namespace trekhold {

namespace {

std::string Trimmed(const std::string& text) {
    size_t begin = text.find_first_not_of(" \t");
    if (begin == std::string::npos)
        return "";
    size_t end = text.find_last_not_of(" \t");
    return text.substr(begin, end - begin + 1);
}

// Decimal digits only; nothing for an empty text or one beyond 18 digits (no overflow).
std::optional<uint64_t> Digits(const std::string& text) {
    if (text.empty() || text.size() > 18 || text.find_first_not_of("0123456789") != std::string::npos)
        return std::nullopt;
    return std::stoull(text);
}

bool StartsWithBytesUnit(const std::string& text) {
    static const char kUnit[] = "bytes=";
    if (text.size() < sizeof kUnit - 1)
        return false;
    for (size_t i = 0; i < sizeof kUnit - 1; ++i)
        if (std::tolower(static_cast<unsigned char>(text[i])) != kUnit[i])
            return false;
    return true;
}

} // namespace

ByteRange ChooseByteRange(const std::string& header, uint64_t file_size) {
    ByteRange whole{ByteRange::Kind::kWhole, 0, file_size};
    if (file_size == 0 || !StartsWithBytesUnit(header))
        return whole;
    const std::string wanted = Trimmed(header.substr(6));
    size_t dash = wanted.find('-');
    if (wanted.find(',') != std::string::npos || dash == std::string::npos)
        return whole;
    const std::string first_text = Trimmed(wanted.substr(0, dash));
    const std::string last_text = Trimmed(wanted.substr(dash + 1));
    ByteRange part{ByteRange::Kind::kPart, 0, 0};
    if (first_text.empty()) { // "-N": the last N bytes
        auto suffix = Digits(last_text);
        if (!suffix)
            return whole;
        if (*suffix == 0)
            return {ByteRange::Kind::kUnsatisfiable, 0, 0};
        part.length = std::min(*suffix, file_size);
        part.first = file_size - part.length;
        return part;
    }
    auto first = Digits(first_text);
    if (!first)
        return whole;
    uint64_t last = file_size - 1;
    if (!last_text.empty()) {
        auto named = Digits(last_text);
        if (!named || *named < *first)
            return whole;
        last = std::min(*named, last);
    }
    if (*first >= file_size)
        return {ByteRange::Kind::kUnsatisfiable, 0, 0};
    part.first = *first;
    part.length = last - *first + 1;
    return part;
}

std::string ContentRangeText(const ByteRange& range, uint64_t file_size) {
    if (range.kind == ByteRange::Kind::kUnsatisfiable)
        return "bytes */" + std::to_string(file_size);
    return "bytes " + std::to_string(range.first) + "-" +
           std::to_string(range.first + range.length - 1) + "/" + std::to_string(file_size);
}

} // namespace trekhold
