#include "app/win32/sampler_host.h"

namespace win32 {

bool SamplingTimers::StartMovementWindow(HWND window) {
    return SetTimer(window, kTimerInitDxMove, kTimerInitDxMoveInterval, nullptr) != 0;
}

bool SamplingTimers::StartSampling(Sampler& sampler, HWND window) {
    sampler.SetSampling(true);
    return SetTimer(window, kTimer1, kTimer1Interval, nullptr) != 0;
}

void SamplingTimers::StopSampling(Sampler& sampler, HWND window) {
    sampler.SetSampling(false);
    KillTimer(window, kTimer1);
}

void SamplingTimers::StopAll(Sampler& sampler, HWND window) {
    StopSampling(sampler, window);
    KillTimer(window, kTimerInitDxMove);
}

bool SamplingTimers::OnTimer(Sampler& sampler, HWND window, UINT_PTR timer_id) {
    switch (timer_id) {
    case kTimer1:
        sampler.Tick();
        if (sampler.TryRest())
            KillTimer(window, kTimer1);
        return true;
    case kTimerInitDxMove:
        sampler.ClearMovementWindow();
        return true;
    default:
        return false;
    }
}

bool SamplingTimers::OnMessage(Sampler& sampler, HWND window, UINT message) {
    if (message != Sampler::kWakeMessage)
        return false;
    if (sampler.Wake() && SetTimer(window, kTimer1, kTimer1Interval, nullptr) != 0)
        OnTimer(sampler, window, kTimer1); // the change is read now, not a timer period later
    return true;
}

SamplerHost::~SamplerHost() {
    Stop();
}

bool SamplerHost::Create() {
    WindowClassOptions window_class;
    window_class.name = L"TheWandrelSamplerHost";
    WindowOptions window;
    window.title = L"TheWandrel sampler";
    window.style = WS_OVERLAPPED; // never shown
    window.ex_style = WS_EX_TOOLWINDOW;
    return WindowBase::Create(window_class, window);
}

bool SamplerHost::Start() {
    return hwnd() && SamplingTimers::StartMovementWindow(hwnd()) &&
           SamplingTimers::StartSampling(sampler_, hwnd());
}

void SamplerHost::Stop() {
    if (hwnd())
        SamplingTimers::StopAll(sampler_, hwnd());
}

LRESULT SamplerHost::HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_TIMER ? SamplingTimers::OnTimer(sampler_, hwnd(), wparam)
                            : SamplingTimers::OnMessage(sampler_, hwnd(), message))
        return 0;
    return WindowBase::HandleMessage(message, wparam, lparam);
}

} // namespace win32
