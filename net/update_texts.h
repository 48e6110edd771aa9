// The update window's number texts: byte counts and durations.
#pragma once

#include <cstdint>
#include <string>

struct NumberSeparators {
    std::wstring decimal = L".";
    std::wstring grouping = L",";
};

// Below 1024 bytes "n Octets"; from 1024 to 1024000 the count / 1024 with one decimal and
// " Ko"; above, the count / 1024000 (a thousand kibibytes) with one decimal, thousands
// grouped, and " Mo". Tenths are rounded half up. Exactly 1024 is "1.0 Ko", as the server
// writes it in its descriptions.
std::wstring UpdateSizeText(uint64_t bytes, const NumberSeparators& separators);

// Below 61 seconds "59s" (60 too is "60s"); otherwise "1h 2min 5s", without the hours part
// when it is zero.
std::wstring UpdateDurationText(uint64_t seconds);
