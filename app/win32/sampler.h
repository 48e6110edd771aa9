// The sampling of the main window: owns the DirectInput devices, the shared-memory flags and
// the sampling state, and runs the tick on the counter set of `Client`.
//
// Start-up calls OpenSharedMemory, then (once an account exists) SetupDirectInput and
// StartCounting; Timer1 calls Tick, TimerInitDxMove calls ClearMovementWindow, the minute
// timer calls RefreshCoefficient; shutdown calls Close.
//
// Resting: when a tick leaves nothing that another tick on the same readings would change
// (SamplingAtRest), Timer1 may stop until DirectInput reports a change of either device;
// the input waiter then posts kWakeMessage to the window and sampling goes on at once.
// An idle client so costs almost nothing. SamplingTimers drives this.
#pragma once

#include "base/counter_set.h"
#include "app/sampling.h"
#include "app/win32/direct_input.h"
#include "app/win32/input_waiter.h"
#include "app/win32/shared_flags.h"

#include <functional>

namespace win32 {

class Sampler {
  public:
    // Posted to the sampler's window by the input waiter at the end of a rest.
    static constexpr UINT kWakeMessage = WM_APP + 0x5A;

    explicit Sampler(CounterSet& counters) : counters_(counters) {}
    ~Sampler() { Close(); }
    Sampler(const Sampler&) = delete;
    Sampler& operator=(const Sampler&) = delete;

    // Joins or creates ZPSHMF, then ZPSHMFUSE. Any result but Ok is fatal to start-up.
    HookLibraryFlags::OpenResult OpenSharedMemory() { return flags_.Open(); }

    // The DirectInput devices, acquired on `window`; false with devices().failed_step() when
    // DirectInput is unusable. Starts from the first keyboard buffer with no movement seen.
    // Also starts the input waiter that ends rests (without it the sampler never rests).
    bool SetupDirectInput(HWND window);

    // The start of counting: all buttons taken as released, the pixels-per-centimetre
    // coefficient of the primary screen, both pointer positions on the cursor, no carried
    // pixels, no movement or activity.
    void StartCounting();

    // Timer1: one sample. A device whose reading failed is acquired again and left out of
    // this sample.
    void Tick();

    // Whether Timer1 should run (counting on, no pause, no sending in progress).
    void SetSampling(bool on);
    // After a tick: true when the sampler starts to rest (Timer1 should stop): both
    // devices were read, SamplingAtRest holds and the waiter watches the devices.
    bool TryRest();
    // At kWakeMessage: true when a rest ends and sampling should go on.
    bool Wake();
    bool resting() const noexcept { return resting_; }
    // TimerInitDxMove.
    void ClearMovementWindow() { ::ClearMovementWindow(state_); }
    // Calcul_coefficient for the primary screen; the coefficient is kept when the screen
    // size cannot be read.
    void RefreshCoefficient();

    // Shutdown: the shared memory (ZPSHMF, then ZPSHMFUSE), then the devices (the mouse,
    // then the keyboard).
    void Close();

    SamplingState& state() noexcept { return state_; }
    HookLibraryFlags& flags() noexcept { return flags_; }
    DirectInputDevices& devices() noexcept { return devices_; }

    // Shows frame `frame` of the tray icon images (set by the tray icon's owner).
    std::function<void(uint8_t frame)> on_tray_frame;

  private:
    CounterSet& counters_;
    SamplingState state_;
    HookLibraryFlags flags_;
    InputWaiter waiter_; // outlives the devices that signal its events
    DirectInputDevices devices_;
    bool sampling_ = false;
    bool resting_ = false;
    bool devices_read_ = false; // the last tick read both devices
    bool woke_ = false;         // the next tick is the first after a rest
    InputSnapshot input_; // reused: one tick reads 256 + 8 bytes of device state
};

} // namespace win32
