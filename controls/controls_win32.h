// The program's two button controls, registered together before a window that holds them is
// made.
#pragma once

#include "controls/btn_win32.h"
#include "controls/button2000_win32.h"

namespace controls {

// Registers `Button2000` and `btn`; true when both are available.
inline bool RegisterControlClasses(HINSTANCE instance) {
    const bool button2000 = RegisterButton2000Class(instance);
    const bool btn = RegisterBtnClass(instance);
    return button2000 && btn;
}

} // namespace controls
