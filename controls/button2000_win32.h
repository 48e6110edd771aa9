// The `Button2000` window class: a flat owner-drawn push button whose background, border
// and caption colours follow three states (normal, pointer over, pressed), with an icon
// blended at the state's opacity (raised over a grey silhouette while the pointer is over it)
// and a caption. A dialog template names it as
// CONTROL "Caption", id, "Button2000", WS_TABSTOP, x, y, cx, cy; the caption is the window
// text (a window made without text shows "Button 2000"), the font the one WM_SETFONT gives.
// A click reaches the parent as WM_COMMAND / BN_CLICKED, a double click as BN_DOUBLECLICKED
// (in place of the second click).
#pragma once

#include "controls/button2000_rules.h"

#include <windows.h>

namespace controls {

inline constexpr wchar_t kButton2000ClassName[] = L"Button2000";

// Registers the class once for the process; true when it is available.
bool RegisterButton2000Class(HINSTANCE instance);

// The properties of a `Button2000` window; the defaults for any other window.
Button2000Properties GetButton2000Properties(HWND button);
// Sets every property at once and redraws; false when `button` is not such a window.
bool SetButton2000Properties(HWND button, const Button2000Properties& properties);

// `setIcon`: the control draws its own copy of `icon` (null: no icon) and redraws.
bool SetButton2000Icon(HWND button, HICON icon);

// The visual state now shown, for tests and for a container that mirrors it.
Button2000State GetButton2000State(HWND button);

} // namespace controls
