#include "app/win32/sampler.h"

namespace win32 {

namespace {

bool ReadCursor(ScreenPoint& point) {
    POINT p;
    if (!GetCursorPos(&p))
        return false;
    point = {p.x, p.y};
    return true;
}

} // namespace

bool Sampler::SetupDirectInput(HWND window) {
    if (!devices_.Setup(window))
        return false;
    state_.ClavierAlterne = false;
    state_.MouvementDx = false;
    return true;
}

void Sampler::StartCounting() {
    RefreshCoefficient();
    ScreenPoint cursor = state_.PointActuel;
    ReadCursor(cursor);
    ResetSampling(state_, cursor);
}

void Sampler::RefreshCoefficient() {
    const int width = GetSystemMetrics(SM_CXSCREEN);
    const int height = GetSystemMetrics(SM_CYSCREEN);
    if (width > 0 && height > 0)
        state_.Coef_distance = Calcul_coefficient(width, height);
}

void Sampler::Tick() {
    InputSnapshot& in = input_;
    in.discard_flag = flags_.discard().Read();
    if (in.discard_flag != 0) {
        // Only the pointer is needed: the tick ends after moving the reference.
        in.cursor_ok = ReadCursor(in.cursor);
    } else {
        DIMOUSESTATE2 mouse{};
        in.mouse_ok = devices_.ReadMouse(mouse);
        in.mouse_dx = mouse.lX;
        in.mouse_dy = mouse.lY;
        in.wheel_delta = mouse.lZ;
        for (size_t i = 0; i < in.buttons.size(); ++i)
            in.buttons[i] = mouse.rgbButtons[i];
        in.cursor_ok = ReadCursor(in.cursor);
        in.keyboard_ok = devices_.ReadKeyboard(in.keys);
    }

    const TickActions actions = SamplingTick(state_, counters_, in);
    if (actions.clear_discard_flag)
        flags_.discard().Write(0);
    if (actions.raise_use_flag)
        flags_.use().Write(1);
    if (actions.show_tray_frame && on_tray_frame)
        on_tray_frame(actions.tray_frame);
}

void Sampler::Close() {
    flags_.Close();
    devices_.Unacquire();
}

} // namespace win32
