#include "ui/display_layout.h"

#include "base/number_text.h"

#include <algorithm>
#include <limits>

namespace display {

namespace {

constexpr SizeRow kSizeTable[] = {
    {6, 150, 1500, 1800},  // -1
    {7, 190, 1600, 1950},  // 0
    {8, 200, 2000, 2400},  // 1
    {10, 240, 2300, 2700}, // 2
    {12, 270, 2800, 3200}, // 3
    {16, 390, 3800, 4300}, // 4
    {20, 500, 5000, 5500}, // 5
    {24, 570, 5800, 6800}, // 6
    {36, 900, 8600, 9800}, // 7
};

// num / den to the nearest integer, halves to the even one (den > 0).
int64_t RoundHalfEven(int64_t num, int64_t den) {
    int64_t q = num / den;
    int64_t r = num % den;
    if (r < 0) {
        r += den;
        --q;
    }
    if (2 * r > den || (2 * r == den && (q & 1) != 0))
        ++q;
    return q;
}

} // namespace

const SizeRow& SizeRowOf(int dd_size) {
    return kSizeTable[std::clamp(dd_size, -1, 7) + 1];
}

int ShownLines(const DisplayFlags& f) {
    const int n = f.DDisplay_distance + f.DDisplay_touches + f.DDisplay_clics + f.DDisplay_scrolls +
                  f.DDisplay_uptime + f.DDisplay_usetime;
    return std::max(n, 1);
}

DisplaySize DDSize(int dd_size, bool metric, const DisplayFlags& flags) {
    const SizeRow& row = SizeRowOf(dd_size);
    DisplaySize size;
    size.font_points = row.font_points;
    size.width = metric ? row.width_metric : row.width_english;
    size.lines = ShownLines(flags);
    // Whole part of width / 1.3, computed exactly as width * 10 / 13.
    if (flags.DDisplay_uptime || flags.DDisplay_usetime)
        size.width += size.width * 10 / 13;
    size.height = size.lines * row.line_height;
    return size;
}

int TwipsToPixels(int64_t twips, int dpi) {
    const int64_t px = RoundHalfEven(twips * dpi, 1440);
    return static_cast<int>(
        std::clamp<int64_t>(px, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}

int64_t PixelsToTwips(int pixels, int dpi) {
    return RoundHalfEven(int64_t{pixels} * 1440, dpi > 0 ? dpi : 96);
}

uint8_t OpacityFromTransparency(int64_t percent) {
    const int64_t p = std::clamp<int64_t>(percent, -1000, 1000);
    return static_cast<uint8_t>(std::clamp<int64_t>(RoundHalfEven(25500 - p * 225, 100), 0, 255));
}

std::optional<int32_t> PositionFromSetting(const std::string& text) {
    return ParseInt32(text);
}

std::optional<uint32_t> ColourFromSetting(const std::string& text) {
    const std::optional<int32_t> n = PositionFromSetting(text);
    if (!n || *n < 0 || *n > 0xFFFFFF)
        return std::nullopt;
    return static_cast<uint32_t>(*n);
}

bool Intersects(const Rect& a, const Rect& b) {
    return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

Rect MoveInside(const Rect& w, const Rect& area) {
    const auto place = [](int start, int size, int lo, int hi) {
        if (start + size > hi)
            start = hi - size;
        return std::max(start, lo);
    };
    const int left = place(w.left, w.width(), area.left, area.right);
    const int top = place(w.top, w.height(), area.top, area.bottom);
    return Rect{left, top, left + w.width(), top + w.height()};
}

Rect WithoutTaskbar(const Rect& work, const Rect& bar) {
    if (!Intersects(work, bar))
        return work;
    Rect area = work;
    const bool horizontal = bar.width() >= bar.height();
    if (horizontal && bar.top > work.top + work.height() / 2)
        area.bottom = bar.top;
    else if (horizontal)
        area.top = bar.bottom;
    else if (bar.left > work.left + work.width() / 2)
        area.right = bar.left;
    else
        area.left = bar.right;
    return area.width() > 0 && area.height() > 0 ? area : work;
}

Rect FirstPosition(int width, int height, const Rect& work_area, int margin) {
    const Rect corner{work_area.right - margin - width, work_area.bottom - margin - height,
                      work_area.right - margin, work_area.bottom - margin};
    return MoveInside(corner, work_area);
}

} // namespace display
