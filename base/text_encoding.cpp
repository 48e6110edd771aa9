#include "base/text_encoding.h"

#include <cstdint>

namespace {

constexpr wchar_t kReplacementCharacter = 0xFFFD;

void AppendCodePoint(std::wstring& out, char32_t cp) {
    if constexpr (sizeof(wchar_t) == 2) {
        if (cp >= 0x10000) {
            cp -= 0x10000;
            out.push_back(static_cast<wchar_t>(0xD800 + (cp >> 10)));
            out.push_back(static_cast<wchar_t>(0xDC00 + (cp & 0x3FF)));
            return;
        }
    }
    out.push_back(static_cast<wchar_t>(cp));
}

// Characters of code page 1252 at bytes 0x80-0x9F; 0 where the code page leaves the byte
// unassigned (Windows then maps the byte to the C1 control of the same value).
constexpr char16_t kCp1252High[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

} // namespace

std::wstring WideFromUtf8(std::string_view utf8) {
    std::wstring out;
    out.reserve(utf8.size());
    size_t i = 0;
    while (i < utf8.size()) {
        const auto lead = static_cast<unsigned char>(utf8[i]);
        if (lead < 0x80) {
            out.push_back(static_cast<wchar_t>(lead));
            ++i;
            continue;
        }
        size_t length = 0;
        char32_t cp = 0;
        char32_t min = 0;
        if (lead >= 0xC2 && lead <= 0xDF) {
            length = 2, cp = lead & 0x1F, min = 0x80;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            length = 3, cp = lead & 0x0F, min = 0x800;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            length = 4, cp = lead & 0x07, min = 0x10000;
        }
        bool valid = length != 0 && i + length <= utf8.size();
        for (size_t k = 1; valid && k < length; ++k) {
            const auto next = static_cast<unsigned char>(utf8[i + k]);
            if ((next & 0xC0) != 0x80)
                valid = false;
            else
                cp = (cp << 6) | (next & 0x3F);
        }
        if (valid && (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)))
            valid = false;
        if (!valid) {
            out.push_back(kReplacementCharacter);
            ++i;
            continue;
        }
        AppendCodePoint(out, cp);
        i += length;
    }
    return out;
}

std::wstring WideFromCp1252(std::string_view bytes) {
    std::wstring out;
    out.reserve(bytes.size());
    for (char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        const bool high = byte >= 0x80 && byte <= 0x9F && kCp1252High[byte - 0x80] != 0;
        out.push_back(static_cast<wchar_t>(high ? kCp1252High[byte - 0x80] : byte));
    }
    return out;
}

namespace {

// The byte of one character, or nothing.
std::optional<char> Cp1252Byte(wchar_t ch) {
    const auto cp = static_cast<std::uint32_t>(ch);
    if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF))
        return static_cast<char>(cp);
    for (unsigned k = 0; k < 32; ++k) {
        const std::uint32_t mapped = kCp1252High[k] ? kCp1252High[k] : 0x80 + k;
        if (mapped == cp)
            return static_cast<char>(0x80 + k);
    }
    return std::nullopt;
}

} // namespace

std::optional<std::string> Cp1252Exactly(std::wstring_view text) {
    std::string out;
    out.reserve(text.size());
    for (wchar_t ch : text) {
        const std::optional<char> byte = Cp1252Byte(ch);
        if (!byte)
            return std::nullopt;
        out.push_back(*byte);
    }
    return out;
}

std::string Cp1252FromWide(std::wstring_view text, char replacement) {
    std::string out;
    out.reserve(text.size());
    for (wchar_t ch : text)
        out.push_back(Cp1252Byte(ch).value_or(replacement));
    return out;
}
