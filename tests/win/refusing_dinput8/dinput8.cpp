// A dinput8.dll whose DirectInput8Create always fails, as on a system without DirectX 8.
// Placed beside the client and preferred to the system's copy, it lets the end-to-end tests
// see what the client does when DirectInput cannot be set up.
#include <windows.h>

extern "C" __declspec(dllexport) HRESULT WINAPI
    DirectInput8Create(HINSTANCE, DWORD, REFIID, void** out, void*) {
    if (out)
        *out = nullptr;
    return E_FAIL;
}
