#include "net/update_texts.h"

namespace {

std::wstring OneDecimal(uint64_t bytes, uint64_t unit, const NumberSeparators& separators,
                        bool grouped) {
    const uint64_t tenths = (bytes * 10 + unit / 2) / unit;
    std::wstring whole = std::to_wstring(tenths / 10);
    if (grouped)
        for (int i = static_cast<int>(whole.size()) - 3; i > 0; i -= 3)
            whole.insert(static_cast<size_t>(i), separators.grouping);
    return whole + separators.decimal + std::to_wstring(tenths % 10);
}

} // namespace

std::wstring UpdateSizeText(uint64_t bytes, const NumberSeparators& separators) {
    if (bytes < 1024)
        return std::to_wstring(bytes) + L" Octets";
    if (bytes <= 1024000)
        return OneDecimal(bytes, 1024, separators, false) + L" Ko";
    return OneDecimal(bytes, 1024000, separators, true) + L" Mo";
}

std::wstring UpdateDurationText(uint64_t seconds) {
    if (seconds < 61)
        return std::to_wstring(seconds) + L"s";
    const uint64_t hours = seconds / 3600;
    std::wstring text;
    if (hours != 0)
        text = std::to_wstring(hours) + L"h ";
    return text + std::to_wstring(seconds / 60 % 60) + L"min " + std::to_wstring(seconds % 60) +
           L"s";
}
