#include "app/win32/sampler_host.h"

namespace win32 {

bool SamplingTimers::StartMovementWindow(HWND window) {
    return SetTimer(window, kTimerInitDxMove, kTimerInitDxMoveInterval, nullptr) != 0;
}

bool SamplingTimers::StartSampling(HWND window) {
    return SetTimer(window, kTimer1, kTimer1Interval, nullptr) != 0;
}

void SamplingTimers::StopSampling(HWND window) {
    KillTimer(window, kTimer1);
}

void SamplingTimers::StopAll(HWND window) {
    KillTimer(window, kTimer1);
    KillTimer(window, kTimerInitDxMove);
}

bool SamplingTimers::OnTimer(Sampler& sampler, UINT_PTR timer_id) {
    switch (timer_id) {
    case kTimer1:
        sampler.Tick();
        return true;
    case kTimerInitDxMove:
        sampler.ClearMovementWindow();
        return true;
    default:
        return false;
    }
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
           SamplingTimers::StartSampling(hwnd());
}

void SamplerHost::Stop() {
    if (hwnd())
        SamplingTimers::StopAll(hwnd());
}

LRESULT SamplerHost::HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_TIMER && SamplingTimers::OnTimer(sampler_, wparam))
        return 0;
    return WindowBase::HandleMessage(message, wparam, lparam);
}

} // namespace win32
