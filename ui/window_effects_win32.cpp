#include "ui/window_effects_win32.h"

#include "base/win32/last_error.h"
#include "ui/window_effects.h"

#include <string>

namespace win32 {

void MetAuPremierPlan(HWND window, bool on_top) {
    // The place and size stay as they are: the window is only moved in the Z order.
    if (!::SetWindowPos(window, on_top ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
                        SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE))
        LogFailure(L"SetWindowPos", ::GetLastError());
}

void RendTransparent(HWND window, uint8_t opacity) {
    const LONG_PTR style = ::GetWindowLongPtrW(window, GWL_EXSTYLE);
    ::SetLastError(0);
    if (!::SetWindowLongPtrW(window, GWL_EXSTYLE, style | WS_EX_LAYERED) && ::GetLastError() != 0)
        LogFailure(L"SetWindowLongPtr", ::GetLastError());
    ChangeTransparence(window, opacity);
}

void ChangeTransparence(HWND window, uint8_t opacity) {
    if (!::SetLayeredWindowAttributes(window, 0, opacity, LWA_ALPHA))
        LogFailure(L"SetLayeredWindowAttributes", ::GetLastError());
}

void RetireTransparence(HWND window) {
    const LONG_PTR style = ::GetWindowLongPtrW(window, GWL_EXSTYLE);
    ::SetLastError(0);
    if (!::SetWindowLongPtrW(window, GWL_EXSTYLE, style & ~LONG_PTR{WS_EX_LAYERED}) &&
        ::GetLastError() != 0)
        LogFailure(L"SetWindowLongPtr", ::GetLastError());
}

bool EstNT() {
    OSVERSIONINFOW version{};
    version.dwOSVersionInfoSize = sizeof version;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    const BOOL ok = ::GetVersionExW(&version);
#pragma GCC diagnostic pop
    if (!ok) {
        LogFailure(L"GetVersionEx", ::GetLastError());
        return false;
    }
    return EstNtVersion(version.dwPlatformId, version.dwMajorVersion);
}

bool FadeIn::Start(HWND window) {
    if (!EstNT())
        return false;
    window_ = window;
    opacity_ = 0;
    RendTransparent(window_, opacity_);
    return true;
}

bool FadeIn::Tick() {
    if (!window_)
        return true;
    if (const auto next = NextFadeOpacity(opacity_)) {
        opacity_ = *next;
        ChangeTransparence(window_, opacity_);
        return false;
    }
    RetireTransparence(window_);
    window_ = nullptr;
    return true;
}

} // namespace win32
