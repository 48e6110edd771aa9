// The `btn` control's properties with their defaults (the caption is the window text, the
// font comes with WM_SETFONT, `Enabled` is the window's enabled state).
#pragma once

#include "controls/paint_colours.h"

#include <cstdint>

namespace controls {

struct BtnProperties {
    int16_t ButtonType = 2;  // drawing style 1..14; only 14 is drawn, any other draws as 14
    int16_t ColorScheme = 1; // only scheme 1 exists
    bool ShowFocusRect = true;
    Colour BackColor = kButtonFace;
    Colour BackOver = kButtonFace;
    Colour forecolor = kButtonText;
    Colour ForeOver = kButtonText;
    Colour MaskColor = 0xC0C0C0;
    int16_t MousePointer = 0; // 0 the class's arrow; any other value the arrow as well
    bool UseMaskColor = true;
    bool SoftBevel = false;
    int16_t PicturePosition = 0;
    bool UseGreyscale = false;
    int16_t SpecialEffect = 0;
    bool HandPointer = false;
    bool CheckBoxBehaviour = false;
    bool value = false;
};

} // namespace controls
