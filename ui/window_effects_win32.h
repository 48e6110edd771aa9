// Window effects: topmost or not, a constant opacity (layered window), and whether the
// running Windows is one the program accepts. Failures of the Windows calls are logged with
// their cause; the window stays as it was.
#pragma once

#include <windows.h>

#include <cstdint>

namespace win32 {

// `MetAuPremierPlan`: places the window topmost or back among the normal windows, keeping
// its place and size and without activating it.
void MetAuPremierPlan(HWND window, bool on_top);

// `RendTransparent`: makes the window layered, then applies `opacity` (255 is opaque).
void RendTransparent(HWND window, uint8_t opacity);
// `ChangeTransparence`: a new opacity for a window that is already layered.
void ChangeTransparence(HWND window, uint8_t opacity);
// `RetireTransparence`: ends the layered state; the window is opaque again.
void RetireTransparence(HWND window);

// `EstNT`: an NT-family system of major version 5 or later (the start-up check).
bool EstNT();

// The fade-in of a window that appears: starts fully transparent and goes up by 18 at each
// Tick (one per timer period), then becomes opaque and no longer layered after 14 ticks.
class FadeIn {
  public:
    // Starts the fade on `window`, only where EstNT allows the effects. False otherwise (the
    // window then shows at once and no timer is needed).
    bool Start(HWND window);
    // One step; true when the fade has ended (the caller stops its timer).
    bool Tick();

  private:
    HWND window_ = nullptr;
    uint8_t opacity_ = 0;
};

} // namespace win32
