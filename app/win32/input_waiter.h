// Lets the sampling rest while nothing happens. DirectInput signals one event per device
// whenever that device's state changes; a small thread waits on them while the sampler
// rests and posts one message to the sampler's window at the first change, so the timer
// that polls the devices only runs while there is something to count.
#pragma once

#include "base/win32/unique_handle.h"

#include <windows.h>

namespace win32 {

class InputWaiter {
  public:
    InputWaiter() = default;
    ~InputWaiter() { Stop(); }
    InputWaiter(const InputWaiter&) = delete;
    InputWaiter& operator=(const InputWaiter&) = delete;

    // Creates the two device events (auto-reset, for SetEventNotification). False when the
    // system cannot give them; the sampler then never rests.
    bool CreateEvents();
    HANDLE mouse_event() const noexcept { return mouse_.get(); }
    HANDLE keyboard_event() const noexcept { return keyboard_.get(); }

    // Starts the thread that posts `message` to `window` (wParam and lParam 0).
    bool Start(HWND window, UINT message);
    // Ends the thread (waits for it); the events stay.
    void Stop();
    bool running() const noexcept { return static_cast<bool>(thread_); }

    // The sampler rests from now on: the next change of either device posts the message,
    // once. A change signalled before Arm (during the ticks) also wakes at once, so nothing
    // that happened after the last reading is ever slept through.
    void Arm();

  private:
    static DWORD WINAPI ThreadProc(void* self);
    void Run();

    UniqueHandleKernel mouse_, keyboard_;
    UniqueHandleKernel armed_; // auto-reset: one wake-up per Arm
    UniqueHandleKernel stop_;  // manual-reset
    UniqueHandleKernel thread_;
    HWND window_ = nullptr;
    UINT message_ = 0;
};

} // namespace win32
