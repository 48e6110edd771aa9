// The `Button2000` control's properties with their defaults, the colour set of each visual
// state and the placement of its two elements (icon and caption).
#pragma once

#include "controls/paint_colours.h"

#include <cstdint>

namespace controls {

// Visual state, numbered as the control numbers it.
enum class Button2000State { Over = 1, Pressed = 2, Normal = 3 };

// Every property but the caption (the window text), the font (WM_SETFONT) and the icon
// (SetButton2000Icon). Opacities are 0 (transparent) to 255 (opaque).
struct Button2000Properties {
    int16_t Alpha = 190;
    int16_t AlphaOver = 255;
    int16_t AlphaDown = 255;
    Colour ForeColor = 0;
    Colour ForeColorOver = 0;
    Colour ForeColorDown = 16777215;
    Colour BackColor = kButtonFace;
    Colour BackColorOver = 13811126; // red 182, green 189, blue 210
    Colour BackColorDown = 11899525; // red 133, green 146, blue 181
    Colour BorderColor = 0;
    Colour BorderColorOver = 6956042; // red 10, green 36, blue 106
    Colour BorderColorDown = 6956042;
    Colour BorderColorDark = 0;
    Colour BorderColorOverDark = 6956042;
    Colour BorderColorDownDark = 6956042;
    // Placements: 1 start (left or top), 2 centre, 3 end (right or bottom).
    int32_t PositionPremierX = 1;
    int32_t PositionPremierY = 3;
    int32_t PositionSecondX = 2;
    int32_t PositionSecondY = 3;
    int32_t DistanceSecondX = 3; // pixels between the elements when they share a side
    int32_t DistanceSecondY = 3;
    int16_t PixPremierX = 3; // margins from the edge an element is placed at, in pixels
    int16_t PixPremierY = 3;
    int16_t PixSecondX = 3;
    int16_t PixSecondY = 3;
    int32_t PlacePremier = 1; // the first element: 1 the icon, 2 the caption
};

inline constexpr wchar_t kButton2000DefaultCaption[] = L"Button 2000";

// The colours and opacity a state draws with.
struct Button2000ColourSet {
    Colour back = 0;
    Colour border = 0;      // top and left edges
    Colour border_dark = 0; // bottom and right edges
    Colour fore = 0;
    int alpha = 255; // kept within 0..255
};
Button2000ColourSet ColourSetOf(const Button2000Properties& p, Button2000State state);

struct ElementBox {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
};
struct Button2000Layout {
    ElementBox icon;
    ElementBox caption;
};

// Places the icon and the caption (sizes in pixels; an absent element has size 0) on a
// `width` x `height` surface. The first element (`PlacePremier`) goes at `PixPremier` from
// the edge its placement names, or centred. The second is placed the same way with
// `PixSecond`, except along an axis where both elements sit at the same edge (placement 1 or
// 3 on both): there it goes beside the first, `DistanceSecond` pixels from it, on the side
// away from that edge. Horizontal sharing is looked at first; elements set beside each other
// are not stacked as well.
Button2000Layout LayOutButton2000(const Button2000Properties& p, int width, int height,
                                  int icon_width, int icon_height, int caption_width,
                                  int caption_height);

} // namespace controls
