#include "app/win32/direct_input.h"

namespace win32 {

namespace {

// Non-exclusive access that keeps reading while other windows have the focus.
constexpr DWORD kCooperativeLevel = DISCL_NONEXCLUSIVE | DISCL_BACKGROUND; // 2 + 8 = 10

} // namespace

void DirectInputDevices::ReleaseAll() {
    Unacquire();
    // The events belong to the caller: the devices stop signalling them before they go.
    if (mouse_)
        mouse_.get()->SetEventNotification(nullptr);
    if (keyboard_)
        keyboard_.get()->SetEventNotification(nullptr);
    keyboard_.reset();
    mouse_.reset();
    direct_input_.reset();
}

bool DirectInputDevices::Fail(const wchar_t* step, HRESULT hr) {
    ReleaseAll();
    failed_step_ = step;
    failure_ = hr;
    return false;
}

bool DirectInputDevices::Setup(HWND window, HANDLE mouse_event, HANDLE keyboard_event) {
    ReleaseAll(); // a second set-up starts from nothing
    failed_step_ = nullptr;
    failure_ = S_OK;
    notifying_ = false;
    HRESULT hr =
        DirectInput8Create(GetModuleHandleW(nullptr), DIRECTINPUT_VERSION, IID_IDirectInput8W,
                           reinterpret_cast<void**>(direct_input_.put()), nullptr);
    if (FAILED(hr))
        return Fail(L"DirectInput8Create", hr);
    hr = direct_input_.get()->CreateDevice(GUID_SysMouse, mouse_.put(), nullptr);
    if (FAILED(hr))
        return Fail(L"CreateDevice(GUID_SysMouse)", hr);
    hr = direct_input_.get()->CreateDevice(GUID_SysKeyboard, keyboard_.put(), nullptr);
    if (FAILED(hr))
        return Fail(L"CreateDevice(GUID_SysKeyboard)", hr);

    hr = mouse_.get()->SetDataFormat(&c_dfDIMouse2);
    if (FAILED(hr))
        return Fail(L"SetDataFormat(mouse)", hr);
    hr = mouse_.get()->SetCooperativeLevel(window, kCooperativeLevel);
    if (FAILED(hr))
        return Fail(L"SetCooperativeLevel(mouse)", hr);
    hr = keyboard_.get()->SetDataFormat(&c_dfDIKeyboard);
    if (FAILED(hr))
        return Fail(L"SetDataFormat(keyboard)", hr);
    hr = keyboard_.get()->SetCooperativeLevel(window, kCooperativeLevel);
    if (FAILED(hr))
        return Fail(L"SetCooperativeLevel(keyboard)", hr);

    // Notification is set before acquiring (DirectInput refuses it on an acquired device).
    // Without it the devices are simply polled all the time.
    if (mouse_event && keyboard_event) {
        notifying_ = SUCCEEDED(mouse_.get()->SetEventNotification(mouse_event)) &&
                     SUCCEEDED(keyboard_.get()->SetEventNotification(keyboard_event));
        if (!notifying_) {
            mouse_.get()->SetEventNotification(nullptr);
            keyboard_.get()->SetEventNotification(nullptr);
        }
    }

    hr = mouse_.get()->Acquire();
    if (FAILED(hr))
        return Fail(L"Acquire(mouse)", hr);
    hr = keyboard_.get()->Acquire();
    if (FAILED(hr))
        return Fail(L"Acquire(keyboard)", hr);
    return true;
}

bool DirectInputDevices::Read(IDirectInputDevice8W* device, DWORD size, void* data) {
    if (!device)
        return false;
    const HRESULT hr = device->GetDeviceState(size, data);
    if (SUCCEEDED(hr))
        return true;
    // Whatever the failure (acquisition lost, device reset, not acquired), acquiring again is
    // the way back; on a device that is still acquired it does nothing. It may fail again:
    // the next tick retries.
    device->Acquire();
    return false;
}

bool DirectInputDevices::ReadMouse(DIMOUSESTATE2& state) {
    return Read(mouse_.get(), sizeof state, &state);
}

bool DirectInputDevices::ReadKeyboard(KeyboardState& keys) {
    return Read(keyboard_.get(), static_cast<DWORD>(keys.size()), keys.data());
}

void DirectInputDevices::Acquire() {
    if (mouse_)
        mouse_.get()->Acquire();
    if (keyboard_)
        keyboard_.get()->Acquire();
}

void DirectInputDevices::AcquireMouse() {
    if (mouse_)
        mouse_.get()->Acquire();
}

void DirectInputDevices::UnacquireMouse() {
    if (mouse_)
        mouse_.get()->Unacquire();
}

void DirectInputDevices::Unacquire() {
    if (mouse_)
        mouse_.get()->Unacquire();
    if (keyboard_)
        keyboard_.get()->Unacquire();
}

} // namespace win32
