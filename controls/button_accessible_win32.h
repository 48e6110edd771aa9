// What accessibility tools see of the two buttons: a push button named by its caption, with
// its access key, its state and "Press" as default action. Everything else (place, focus,
// navigation) comes from the system's standard object for the window's client area.
#pragma once

#include <windows.h>

#include <string>

namespace controls {

// The answer to WM_GETOBJECT for OBJID_CLIENT, or what DefWindowProc answers when the
// object cannot be made (logged). `marks_access_key`: the caption's "&" marks its access key.
LRESULT AnswerAccessibleObject(HWND button, WPARAM wparam, LPARAM lparam, bool marks_access_key);

} // namespace controls
