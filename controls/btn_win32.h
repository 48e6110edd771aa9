// The `btn` window class: an owner-drawn push button (drawing style 14, colour scheme 1) with
// hover tracking, check-box behaviour and full keyboard use. A dialog template names it as
// CONTROL "Caption", id, "btn", WS_TABSTOP, x, y, cx, cy; the caption is the window text
// ("&" marks the access key), the font the one WM_SETFONT gives (the dialog's), `Enabled` the
// window's enabled state. A click reaches the parent as WM_COMMAND / BN_CLICKED.
// BM_GETCHECK / BM_SETCHECK read and write `value`.
#pragma once

#include "controls/btn_properties.h"

#include <windows.h>

namespace controls {

inline constexpr wchar_t kBtnClassName[] = L"btn";

// Registers the class once for the process; true when it is available.
bool RegisterBtnClass(HINSTANCE instance);

// The properties of a `btn` window; the defaults for any other window.
BtnProperties GetBtnProperties(HWND btn);
// Sets every property at once and redraws; false when `btn` is not such a window.
bool SetBtnProperties(HWND btn, const BtnProperties& properties);

// `value`, the checked state that each click toggles with `CheckBoxBehaviour`.
bool BtnValue(HWND btn);

} // namespace controls
