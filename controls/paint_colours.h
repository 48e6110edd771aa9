// Colours as the two button controls store them: the bytes of a Windows COLORREF (red in the
// low byte), or a system colour named by its index with the high bit set (0x8000000F is the
// button face), resolved each time the control draws.
#pragma once

#include <cstdint>

namespace controls {

using Colour = uint32_t;

constexpr Colour MakeColour(int red, int green, int blue) {
    return static_cast<Colour>(red & 0xFF) | static_cast<Colour>(green & 0xFF) << 8 |
           static_cast<Colour>(blue & 0xFF) << 16;
}
constexpr int RedOf(Colour c) {
    return static_cast<int>(c & 0xFF);
}
constexpr int GreenOf(Colour c) {
    return static_cast<int>(c >> 8 & 0xFF);
}
constexpr int BlueOf(Colour c) {
    return static_cast<int>(c >> 16 & 0xFF);
}

constexpr uint32_t kSystemColourFlag = 0x80000000u;
constexpr Colour SystemColour(int index) {
    return kSystemColourFlag | static_cast<uint32_t>(index);
}
constexpr bool IsSystemColour(Colour c) {
    return (c & kSystemColourFlag) != 0;
}
constexpr int SystemColourIndex(Colour c) {
    return static_cast<int>(c & 0xFF);
}

constexpr Colour kButtonFace = SystemColour(15); // COLOR_BTNFACE
constexpr Colour kButtonText = SystemColour(18); // COLOR_BTNTEXT
constexpr Colour kWhite = 0xFFFFFF;

// Each of red, green and blue moved by `amount` and kept within 0..255. With `soft` the
// amount is halved first (towards zero).
Colour ShiftColour(Colour c, int amount, bool soft = false);

// Each component c becomes c x (255 - a) / 255 + a (integer division): a = 0 keeps the colour,
// a = 255 gives white.
Colour BlendTowardsWhite(Colour c, int a);

} // namespace controls
