// The distance display's geometry: its size table, twips and pixels, its opacity and where
// it appears on the screen.
#pragma once

#include "storage/settings_readers.h"

#include <cstdint>
#include <optional>
#include <string>

namespace display {

// One row of the size table (setting `DDSize`, -1 to 7); widths and heights in twips.
struct SizeRow {
    int font_points;
    int line_height;
    int width_metric;
    int width_english;
};

// The row of `DDSize`; a value outside -1..7 (the dialog never writes one) takes the nearest
// row.
const SizeRow& SizeRowOf(int dd_size);

// The window and label size of `DDSize`, in twips.
struct DisplaySize {
    int font_points = 0;
    int width = 0;
    int height = 0;
    int lines = 0;
};

// Number of lines switched on, at least 1.
int ShownLines(const DisplayFlags& flags);

// Width from the unit's column, plus the whole part of width / 1.3 when uptime or usetime is
// shown; height = lines x line height.
DisplaySize DDSize(int dd_size, bool metric, const DisplayFlags& flags);

// 1440 / dpi twips per pixel (15 at 96 DPI); to the nearest pixel, halves to the even one.
int TwipsToPixels(int64_t twips, int dpi);
int64_t PixelsToTwips(int pixels, int dpi);

// The opacity of the transparency setting p (percent): 255 - p x 225 / 100 to the nearest
// integer, halves to even (30 gives 188, 0 gives 255, 100 gives 30); kept within 0..255.
uint8_t OpacityFromTransparency(int64_t percent);

// A stored position (`DDTop`/`DDLeft`): a decimal number of twips, or nothing for "x" and for
// a text that is not a number. Read as 32 bits: a screen wider than 2,184 pixels at 96 DPI
// already holds positions past the 16-bit range.
std::optional<int32_t> PositionFromSetting(const std::string& text);

// A stored colour (`DDBackColor`, `DDFontColor`): the decimal number of an RGB colour
// (red in the low byte), or nothing for "x" and for anything that is not such a number.
std::optional<uint32_t> ColourFromSetting(const std::string& text);

struct Rect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    int width() const { return right - left; }
    int height() const { return bottom - top; }
};

bool Intersects(const Rect& a, const Rect& b);

// The window moved (never resized) so that it lies wholly inside the area; one larger than
// the area keeps its left or top edge on the area's.
Rect MoveInside(const Rect& window, const Rect& area);

// The work area without a taskbar that lies along one of its edges (a shell that does not
// take its taskbar out of the work area, as Wine's desktop).
Rect WithoutTaskbar(const Rect& work_area, const Rect& taskbar);

// Where a first-ever window goes: the bottom-right corner of the work area (where the tray
// sits), `margin` pixels from its edges.
Rect FirstPosition(int width, int height, const Rect& work_area, int margin);

} // namespace display
