#include "base/localisation.h"

#include "base/string_table.h"
#include "base/text_encoding.h"

std::uint8_t LangueCourante = 0;

namespace {

void ReplaceAll(std::wstring& text, std::wstring_view find, std::wstring_view with) {
    if (find.empty())
        return;
    std::wstring result;
    size_t from = 0;
    for (size_t at = text.find(find); at != std::wstring::npos; at = text.find(find, from)) {
        result.append(text, from, at - from);
        result.append(with);
        from = at + find.size();
    }
    if (from == 0)
        return;
    result.append(text, from, std::wstring::npos);
    text = std::move(result);
}

// The entry with its replacements applied; "$" still in it.
std::optional<std::wstring> LookUp(int id, Replacements pairs) {
    const int language = LangueCourante < kLanguageCount ? LangueCourante : 0;
    auto raw = StringTableText(id + language);
    if (!raw)
        return std::nullopt;
    std::wstring text = WideFromUtf8(*raw);
    for (const auto& [find, with] : pairs)
        ReplaceAll(text, find, with);
    return text;
}

std::wstring LookUpOrThrow(int id, Replacements pairs) {
    auto text = LookUp(id, pairs);
    if (!text) {
        const int language = LangueCourante < kLanguageCount ? LangueCourante : 0;
        throw MissingStringError(id + language);
    }
    return std::move(*text);
}

} // namespace

MissingStringError::MissingStringError(int id)
    : std::runtime_error("No text with identifier " + std::to_string(id) + " in the string table"),
      id_(id) {}

std::uint8_t LanguageFromSetting(std::string_view value) {
    if (value.size() == 1 && value[0] >= '0' && value[0] < '0' + kLanguageCount)
        return static_cast<std::uint8_t>(value[0] - '0');
    return 0;
}

std::wstring ChaineLocale(int id, Replacements pairs) {
    std::wstring text = LookUpOrThrow(id, pairs);
    ReplaceAll(text, L"$", L"\r\n");
    return text;
}

std::optional<std::wstring> TryChaineLocale(int id, Replacements pairs) {
    auto text = LookUp(id, pairs);
    if (text)
        ReplaceAll(*text, L"$", L"\r\n");
    return text;
}

std::wstring LocalTextWithoutBreaks(int id, Replacements pairs) {
    std::wstring text = LookUpOrThrow(id, pairs);
    ReplaceAll(text, L"$", L"");
    return text;
}
