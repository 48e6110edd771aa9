#include "controls/button2000_rules.h"

#include <algorithm>
#include <cstdint>

namespace controls {

Button2000ColourSet ColourSetOf(const Button2000Properties& p, Button2000State state) {
    const auto opacity = [](int16_t a) { return std::clamp<int>(a, 0, 255); };
    switch (state) {
    case Button2000State::Over:
        return {p.BackColorOver, p.BorderColorOver, p.BorderColorOverDark, p.ForeColorOver,
                opacity(p.AlphaOver)};
    case Button2000State::Pressed:
        return {p.BackColorDown, p.BorderColorDown, p.BorderColorDownDark, p.ForeColorDown,
                opacity(p.AlphaDown)};
    case Button2000State::Normal:
        break;
    }
    return {p.BackColor, p.BorderColor, p.BorderColorDark, p.ForeColor, opacity(p.Alpha)};
}

namespace {

// Start of an element of `size` along an axis of `extent` pixels.
int PlaceAlong(int placement, int margin, int extent, int size) {
    switch (placement) {
    case 2:
        return (extent - size) / 2;
    case 3:
        return extent - size - margin;
    default:
        return margin;
    }
}

bool AtAnEdge(int placement) {
    return placement == 1 || placement == 3;
}

// Start of the second element beside the first along one axis. In 64 bits: a distance may
// be any 32-bit value; the result is kept within the 32-bit range.
int Beside(int placement, int first_start, int first_size, int32_t distance, int size) {
    const int64_t start = placement == 3 ? int64_t{first_start} - distance - size
                                         : int64_t{first_start} + first_size + distance;
    return static_cast<int>(std::clamp<int64_t>(start, INT32_MIN, INT32_MAX));
}

} // namespace

Button2000Layout LayOutButton2000(const Button2000Properties& p, int width, int height,
                                  int icon_width, int icon_height, int caption_width,
                                  int caption_height) {
    const bool icon_first = p.PlacePremier != 2;
    ElementBox first{0, 0, icon_first ? icon_width : caption_width,
                     icon_first ? icon_height : caption_height};
    ElementBox second{0, 0, icon_first ? caption_width : icon_width,
                      icon_first ? caption_height : icon_height};
    first.x = PlaceAlong(p.PositionPremierX, p.PixPremierX, width, first.width);
    first.y = PlaceAlong(p.PositionPremierY, p.PixPremierY, height, first.height);

    // An absent first element leaves the second where it would be alone.
    const bool first_present = first.width > 0 && first.height > 0;
    const bool share_x =
        first_present && p.PositionSecondX == p.PositionPremierX && AtAnEdge(p.PositionPremierX);
    const bool share_y = first_present && !share_x && p.PositionSecondY == p.PositionPremierY &&
                         AtAnEdge(p.PositionPremierY);
    second.x =
        share_x ? Beside(p.PositionSecondX, first.x, first.width, p.DistanceSecondX, second.width)
                : PlaceAlong(p.PositionSecondX, p.PixSecondX, width, second.width);
    second.y =
        share_y ? Beside(p.PositionSecondY, first.y, first.height, p.DistanceSecondY, second.height)
                : PlaceAlong(p.PositionSecondY, p.PixSecondY, height, second.height);
    return icon_first ? Button2000Layout{first, second} : Button2000Layout{second, first};
}

} // namespace controls
