// Localised texts: the current interface language and the lookup of a text by its base
// identifier (base/string_table.h holds the texts).
//
//   ChaineLocale(120, {{L"%1", L"zeptal.dll"}, {L"%2", folder}})
//
// looks up 120 + LangueCourante, replaces in order every "%1" by the file name and every
// "%2" by the folder, then every "$" by CR LF (so a "$" brought in by a replacement breaks
// the line as well).
#pragma once

#include <cstdint>
#include <initializer_list>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>

// The interface language: 0 English, 1 French, 2 Portuguese, 3 Spanish, 4 German.
// Set at start-up by LoadCurrentLanguage, by the first-run installer and by the language
// switch; a lookup treats any other value as English.
extern std::uint8_t LangueCourante;
inline constexpr std::uint8_t kLanguageCount = 5;

// The language index stored in a `Language` value: "0" to "4". Anything else (another
// number, a sign, spaces, an empty or non-numeric text) gives English, so that a damaged
// value never shows other messages' texts or no text at all.
std::uint8_t LanguageFromSetting(std::string_view value);

// A text identifier with no entry in the table for the current language. The caller's
// error handler (at start-up, the catch-all that shows message 130) decides what to show.
class MissingStringError : public std::runtime_error {
  public:
    explicit MissingStringError(int id);
    int id() const { return id_; } // base identifier + language index
  private:
    int id_;
};

// (what to find, what to put in its place) pairs, applied in order. An empty "find" text
// replaces nothing.
using Replacements = std::initializer_list<std::pair<std::wstring_view, std::wstring_view>>;

// The text for message boxes and window captions: "$" becomes CR LF.
// Throws MissingStringError when the table has no entry id + LangueCourante.
std::wstring ChaineLocale(int id, Replacements pairs = {});

// As ChaineLocale, but nothing instead of an exception.
std::optional<std::wstring> TryChaineLocale(int id, Replacements pairs = {});

// For `LastLog` and the activity log: the same text with every "$" removed instead.
// Pass it through Cp1252FromWide (base/text_encoding.h) for the log file.
// Throws MissingStringError like ChaineLocale.
std::wstring LocalTextWithoutBreaks(int id, Replacements pairs = {});
