// The DirectInput 8 system mouse and keyboard, read by the sampling tick.
#pragma once

#ifndef DIRECTINPUT_VERSION
#define DIRECTINPUT_VERSION 0x0800
#endif
#include <windows.h>
#include <dinput.h>

#include "app/sampling.h"
#include "base/win32/unique_handle.h"

namespace win32 {

class DirectInputDevices {
  public:
    DirectInputDevices() = default;
    ~DirectInputDevices() { ReleaseAll(); }
    DirectInputDevices(const DirectInputDevices&) = delete;
    DirectInputDevices& operator=(const DirectInputDevices&) = delete;

    // Creates the DirectInput 8 object and the devices "GUID_SysMouse" (extended mouse state:
    // X, Y and wheel deltas, eight buttons) and "GUID_SysKeyboard" (256-byte state), both
    // non-exclusive and in the background on `window` (a top-level window of this process),
    // then acquires the mouse and the keyboard. On failure nothing is kept, and
    // failed_step() / failure() say what went wrong; the caller tells the user.
    // `mouse_event` and `keyboard_event`, when given, are signalled by DirectInput at every
    // change of that device's state; notifying() says whether both were accepted.
    bool Setup(HWND window, HANDLE mouse_event = nullptr, HANDLE keyboard_event = nullptr);
    bool notifying() const noexcept { return notifying_; }
    const wchar_t* failed_step() const noexcept { return failed_step_; }
    HRESULT failure() const noexcept { return failure_; }
    bool ready() const noexcept { return mouse_ && keyboard_; }

    // One reading each. A device that lost its acquisition (another program took it, the
    // desktop switched) is acquired again and the reading reports failure; the next tick
    // reads it normally.
    bool ReadMouse(DIMOUSESTATE2& state);
    bool ReadKeyboard(KeyboardState& keys);

    // The mouse, then the keyboard (counting resumed after a pause).
    void Acquire();
    // The mouse, then the keyboard.
    void Unacquire();
    // The mouse alone.
    void AcquireMouse();
    void UnacquireMouse();

  private:
    void ReleaseAll();
    bool Fail(const wchar_t* step, HRESULT hr);
    static bool Read(IDirectInputDevice8W* device, DWORD size, void* data);

    UniqueComPtr<IDirectInput8W> direct_input_;
    UniqueComPtr<IDirectInputDevice8W> mouse_;    // DiDevMo
    UniqueComPtr<IDirectInputDevice8W> keyboard_; // DiDevKb
    const wchar_t* failed_step_ = nullptr;
    HRESULT failure_ = S_OK;
    bool notifying_ = false;
};

} // namespace win32
