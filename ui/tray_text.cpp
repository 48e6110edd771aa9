#include "ui/tray_text.h"

namespace tray {

namespace {

std::wstring Digits(uint64_t magnitude) {
    std::wstring d;
    do {
        d.insert(d.begin(), static_cast<wchar_t>(L'0' + magnitude % 10));
        magnitude /= 10;
    } while (magnitude != 0);
    return d;
}

uint64_t Magnitude(int64_t n) {
    // Negating through unsigned arithmetic keeps INT64_MIN defined.
    return n < 0 ? uint64_t{0} - static_cast<uint64_t>(n) : static_cast<uint64_t>(n);
}

// Rounds num / den (den > 0) to the nearest integer, halves to the even integer.
int64_t DivideRoundHalfEven(int64_t num, int64_t den) {
    const bool negative = num < 0;
    const uint64_t a = Magnitude(num);
    const uint64_t d = static_cast<uint64_t>(den);
    uint64_t q = a / d;
    const uint64_t r = a % d;
    if (2 * r > d || (2 * r == d && (q % 2) == 1))
        ++q;
    return negative ? -static_cast<int64_t>(q) : static_cast<int64_t>(q);
}

} // namespace

std::wstring FormatCountPattern(int64_t n) {
    static const std::wstring kPattern = L"## ### ### ##0";
    return FormatCountPattern(n, kPattern);
}

std::wstring FormatCountPattern(int64_t n, const std::wstring& pattern) {
    const std::wstring digits = Digits(Magnitude(n));
    std::wstring out;
    size_t next = digits.size(); // digits still to place, taken from the right
    for (size_t i = pattern.size(); i-- > 0;) {
        const wchar_t p = pattern[i];
        if (p == L'#' || p == L'0') {
            if (next > 0)
                out.insert(out.begin(), digits[--next]);
            else if (p == L'0')
                out.insert(out.begin(), L'0');
        } else {
            out.insert(out.begin(), p);
        }
    }
    out.insert(0, digits.substr(0, next));
    if (n < 0)
        out.insert(out.begin(), L'-');
    return out;
}

std::wstring FormatHundredths(int64_t hundredths, const std::wstring& decimal_separator) {
    const uint64_t a = Magnitude(hundredths);
    std::wstring out = hundredths < 0 ? L"-" : L"";
    out += Digits(a / 100);
    const unsigned fraction = static_cast<unsigned>(a % 100);
    if (fraction != 0) {
        out += decimal_separator;
        out += static_cast<wchar_t>(L'0' + fraction / 10);
        if (fraction % 10 != 0)
            out += static_cast<wchar_t>(L'0' + fraction % 10);
    }
    return out;
}

int64_t MilesHundredthsFromKm(int64_t km) {
    // km * 100000 / 1609 hundredths; split so the product never overflows.
    const int64_t whole = km / 1609;
    return whole * 100000 + DivideRoundHalfEven((km - whole * 1609) * 100000, 1609);
}

std::wstring TooltipDistanceLine(int32_t distance_cm, bool metric,
                                 const std::wstring& decimal_separator) {
    const int32_t km = distance_cm / 100000;
    const int32_t m = (distance_cm - km * 100000) / 100;
    if (metric)
        return L" " + std::to_wstring(km) + L" Km  " + std::to_wstring(m) + L" M";
    // Exact decimal arithmetic: km / 1.609 in hundredths is km * 100000 / 1609, and
    // m * 1.1 in hundredths is m * 110 (no rounding needed).
    const int64_t mi_hundredths = MilesHundredthsFromKm(km);
    const int64_t yd_hundredths = int64_t{m} * 110;
    return L" " + FormatHundredths(mi_hundredths, decimal_separator) + L" Mi  " +
           FormatHundredths(yd_hundredths, decimal_separator) + L" Yd";
}

std::wstring TooltipText(const CounterSet& c, bool metric, const std::wstring& decimal_separator) {
    const int64_t clicks = int64_t{c.NCDroit} + c.NCGauche + c.NCSpecial;
    std::wstring text = TooltipDistanceLine(c.Distance, metric, decimal_separator) + L"\r\n" +
                        FormatCountPattern(c.NbTouches) + L" Keys\r\n" +
                        FormatCountPattern(clicks) + L" Clicks\r\n" +
                        FormatCountPattern(c.NScrolls) + L" Scrolls";
    if (text.size() > kTipMaxTextChars)
        text.resize(kTipMaxTextChars);
    return text;
}

} // namespace tray
