// The tray icon's tooltip: the counts waiting to be sent, as the user sees them when the
// pointer rests on the icon. The words are the same in every language.
#pragma once

#include "base/counter_set.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace tray {

// The shell's tip field holds 64 characters including the terminating NUL, so at most 63
// characters of text are shown.
constexpr size_t kTipFieldChars = 64;
constexpr size_t kTipMaxTextChars = kTipFieldChars - 1;

// A count with a pattern of "#" and "0" digit placeholders and literal spaces: digits fill
// the placeholders from the right, a "0" placeholder without a digit writes "0", every space
// of the pattern is always written. Digits beyond the placeholders go in front; a negative
// count gets its minus sign in front.
std::wstring FormatCountPattern(int64_t n, const std::wstring& pattern);
// The tooltip's pattern "## ### ### ##0": "   5", " 1 234 567".
std::wstring FormatCountPattern(int64_t n);

// km / 1.609 in hundredths of a mile, halves to the even hundredth, exact for any 64-bit km
// a distance display can reach.
int64_t MilesHundredthsFromKm(int64_t km);

// A value given in hundredths, written with at most two decimals and no trailing zeros
// ("7.46", "379.5", "12"); `decimal_separator` is the user's locale separator.
std::wstring FormatHundredths(int64_t hundredths, const std::wstring& decimal_separator);

// First line of the tooltip for a distance in centimetres: " 12 Km  345 M" in metric
// units, " 7.46 Mi  379.5 Yd" in English units (mi = km / 1.609, yd = m * 1.1, each rounded
// to two decimals, halves to even). The kilometre part is computed from the whole 32-bit
// count, so it is always the true number: a 32-bit count never exceeds 21,474 km, well
// inside what the text can show, and nothing wraps to a negative value.
std::wstring TooltipDistanceLine(int32_t distance_cm, bool metric,
                                 const std::wstring& decimal_separator);

// The whole tooltip: distance line, keys, clicks (right + left + special) and scrolls, one
// per line (CR LF), cut to kTipMaxTextChars.
std::wstring TooltipText(const CounterSet& counters, bool metric,
                         const std::wstring& decimal_separator);

} // namespace tray
