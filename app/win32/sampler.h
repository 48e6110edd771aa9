// The sampling of the main window: owns the DirectInput devices, the shared-memory flags and
// the sampling state, and runs the tick on the counter set of `Client`.
//
// Start-up calls OpenSharedMemory, then (once an account exists) SetupDirectInput and
// StartCounting; Timer1 calls Tick, TimerInitDxMove calls ClearMovementWindow, the minute
// timer calls RefreshCoefficient; shutdown calls Close.
#pragma once

#include "app/counter_set.h"
#include "app/sampling.h"
#include "app/win32/direct_input.h"
#include "app/win32/shared_flags.h"

#include <functional>

namespace win32 {

class Sampler {
  public:
    explicit Sampler(CounterSet& counters) : counters_(counters) {}
    ~Sampler() { Close(); }
    Sampler(const Sampler&) = delete;
    Sampler& operator=(const Sampler&) = delete;

    // Joins or creates ZPSHMF, then ZPSHMFUSE. Any result but Ok is fatal to start-up.
    HookLibraryFlags::OpenResult OpenSharedMemory() { return flags_.Open(); }

    // The DirectInput devices, acquired on `window`; false with devices().failed_step() when
    // DirectInput is unusable. Starts from the first keyboard buffer with no movement seen.
    bool SetupDirectInput(HWND window);

    // The start of counting: all buttons taken as released, the pixels-per-centimetre
    // coefficient of the primary screen, both pointer positions on the cursor, no carried
    // pixels, no movement or activity.
    void StartCounting();

    // Timer1: one sample. A device whose reading failed is acquired again and left out of
    // this sample.
    void Tick();
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
    DirectInputDevices devices_;
    InputSnapshot input_; // reused: one tick reads 256 + 8 bytes of device state
};

} // namespace win32
