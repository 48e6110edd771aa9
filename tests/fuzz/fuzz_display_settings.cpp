// The display's registry values (place in twips, colours, transparency) on any text, and the
// placement that follows from them.
#include "ui/display_layout.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    const std::optional<int32_t> position = display::PositionFromSetting(text);
    const std::optional<uint32_t> colour = display::ColourFromSetting(text);
    if (colour && (*colour > 0xFFFFFF || position != static_cast<int32_t>(*colour)))
        std::abort();
    if (!position)
        return 0;
    // Only an optional minus and decimal digits make a number.
    const size_t digits_from = text[0] == '-' ? 1 : 0;
    if (text.find_first_not_of("0123456789", digits_from) != std::string::npos)
        std::abort();
    (void)display::OpacityFromTransparency(*position);
    for (int dpi : {96, 120, 144, 192}) {
        const int px = display::TwipsToPixels(*position, dpi);
        const display::Rect window{px, px, px + 300, px + 200};
        const display::Rect area{0, 0, 1024, 738};
        const display::Rect placed = display::MoveInside(window, area);
        if (placed.width() != 300 || placed.height() != 200 || !display::Intersects(placed, area) ||
            placed.left < 0 || placed.right > 1024)
            std::abort();
        // A place stored and read back at the same DPI is the same pixel.
        if (display::TwipsToPixels(display::PixelsToTwips(px, dpi), dpi) != px)
            std::abort();
    }
    return 0;
}
