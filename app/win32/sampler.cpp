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
    waiter_.Stop();
    const bool events = waiter_.CreateEvents();
    if (!devices_.Setup(window, events ? waiter_.mouse_event() : nullptr,
                        events ? waiter_.keyboard_event() : nullptr))
        return false;
    if (devices_.notifying())
        waiter_.Start(window, kWakeMessage);
    resting_ = false;
    state_.ClavierAlterne = false;
    state_.MouvementDx = false;
    return true;
}

void Sampler::SetSampling(bool on) {
    sampling_ = on;
    resting_ = false;
}

bool Sampler::TryRest() {
    if (!sampling_ || resting_ || !waiter_.running() || !devices_read_ ||
        !SamplingAtRest(state_))
        return false;
    resting_ = true;
    waiter_.Arm();
    return true;
}

bool Sampler::Wake() {
    if (!resting_)
        return false;
    resting_ = false;
    woke_ = sampling_;
    return sampling_;
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
        devices_read_ = false;
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
        devices_read_ = in.mouse_ok && in.keyboard_ok;
        // Nothing was read while resting: a pointer jump made by software in that time is
        // not counted as the hand's travel.
        if (woke_ && in.mouse_ok && in.cursor_ok &&
            !MoveExplainedByDevice(state_.PointPrecedent, in.cursor, in.mouse_dx, in.mouse_dy))
            state_.PointPrecedent = in.cursor;
        woke_ = false;
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
    waiter_.Stop();
    resting_ = false;
    flags_.Close();
    devices_.Unacquire();
}

} // namespace win32
