// Drives a Sampler from window timers: Timer1 (1 ms, the sampling tick) and TimerInitDxMove
// (300 ms, the movement window). Timer1 stops while the sampler rests and starts again at
// the waiter's message. SamplingTimers is for any window that hosts the sampler (the main
// window); SamplerHost is a hidden top-level window that does only this.
#pragma once

#include "app/win32/sampler.h"
#include "base/win32/window_base.h"

namespace win32 {

class SamplingTimers {
  public:
    static constexpr UINT_PTR kTimer1 = 0x5A01;
    static constexpr UINT_PTR kTimerInitDxMove = 0x5A02;
    static constexpr UINT kTimer1Interval = 1;            // ms
    static constexpr UINT kTimerInitDxMoveInterval = 300; // ms

    // TimerInitDxMove runs from the start; Timer1 only while counting.
    static bool StartMovementWindow(HWND window);
    static bool StartSampling(Sampler& sampler, HWND window);
    static void StopSampling(Sampler& sampler, HWND window); // pause, or a sending
    static void StopAll(Sampler& sampler, HWND window);

    // For WM_TIMER: true when `timer_id` was one of these two and has been handled.
    static bool OnTimer(Sampler& sampler, HWND window, UINT_PTR timer_id);
    // For any other message: true when it was the end of a rest and has been handled.
    static bool OnMessage(Sampler& sampler, HWND window, UINT message);
};

class SamplerHost : public WindowBase {
  public:
    explicit SamplerHost(Sampler& sampler) : sampler_(sampler) {}
    ~SamplerHost() override;

    // Creates the hidden window (DirectInput needs a top-level window of this process).
    bool Create();
    // Starts both timers.
    bool Start();
    void Stop();

  protected:
    LRESULT HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) override;

  private:
    Sampler& sampler_;
};

} // namespace win32
