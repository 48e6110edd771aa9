// The floor for the client's CPU benchmark: a program that does nothing but run a 1 ms timer
// on a hidden window, as the client's sampling timer does. With the argument "dinput" it
// also acquires the DirectInput system mouse and keyboard on that window (never reading
// them), to show what DirectInput alone costs. With "read" it also reads both devices on
// every tick: the least any program that samples them every millisecond can cost.
#define DIRECTINPUT_VERSION 0x0800
#include <windows.h>
#include <dinput.h>

#include <cwchar>

namespace {

IDirectInputDevice8W* g_mouse = nullptr;
IDirectInputDevice8W* g_keyboard = nullptr;
bool g_read = false;

LRESULT CALLBACK FloorProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_CLOSE) {
        ::PostQuitMessage(0);
        return 0;
    }
    if (message == WM_TIMER && g_read) {
        DIMOUSESTATE2 mouse;
        BYTE keys[256];
        g_mouse->GetDeviceState(sizeof mouse, &mouse);
        g_keyboard->GetDeviceState(sizeof keys, keys);
        return 0;
    }
    return ::DefWindowProcW(hwnd, message, wparam, lparam);
}

// Loaded only in that mode, so the plain floor does not carry the library.
bool AcquireDevices(HINSTANCE instance, HWND hwnd) {
    using Create = HRESULT(WINAPI*)(HINSTANCE, DWORD, REFIID, void**, LPUNKNOWN);
    HMODULE library = ::LoadLibraryW(L"dinput8.dll");
    const auto create = library ? reinterpret_cast<Create>(reinterpret_cast<void*>(
                                      ::GetProcAddress(library, "DirectInput8Create")))
                                : nullptr;
    IDirectInput8W* input = nullptr;
    if (!create || FAILED(create(instance, DIRECTINPUT_VERSION, IID_IDirectInput8W,
                                 reinterpret_cast<void**>(&input), nullptr)))
        return false;
    IDirectInputDevice8W*& mouse = g_mouse;
    IDirectInputDevice8W*& keyboard = g_keyboard;
    // Kept until the process ends.
    return SUCCEEDED(input->CreateDevice(GUID_SysMouse, &mouse, nullptr)) &&
           SUCCEEDED(input->CreateDevice(GUID_SysKeyboard, &keyboard, nullptr)) &&
           SUCCEEDED(mouse->SetDataFormat(&c_dfDIMouse2)) &&
           SUCCEEDED(keyboard->SetDataFormat(&c_dfDIKeyboard)) &&
           SUCCEEDED(mouse->SetCooperativeLevel(hwnd, DISCL_NONEXCLUSIVE | DISCL_BACKGROUND)) &&
           SUCCEEDED(keyboard->SetCooperativeLevel(hwnd, DISCL_NONEXCLUSIVE | DISCL_BACKGROUND)) &&
           SUCCEEDED(mouse->Acquire()) && SUCCEEDED(keyboard->Acquire());
}

} // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR command_line, int) {
    WNDCLASSW wc{};
    wc.lpfnWndProc = FloorProc;
    wc.hInstance = instance;
    wc.lpszClassName = L"WandrelBenchFloor";
    ::RegisterClassW(&wc);
    HWND hwnd = ::CreateWindowExW(WS_EX_TOOLWINDOW, wc.lpszClassName, L"", WS_POPUP, 0, 0, 0, 0,
                                  nullptr, nullptr, instance, nullptr);
    if (!hwnd)
        return 1;
    const bool read = std::wcsstr(command_line, L"read") != nullptr;
    if ((read || std::wcsstr(command_line, L"dinput")) && !AcquireDevices(instance, hwnd))
        return 2;
    g_read = read;
    ::SetTimer(hwnd, 1, 1, nullptr);
    MSG msg;
    while (::GetMessageW(&msg, nullptr, 0, 0) > 0)
        ::DispatchMessageW(&msg);
    return 0;
}
