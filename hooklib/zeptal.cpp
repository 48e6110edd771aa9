// zeptal.dll: placeholder until the library is written.
#include <windows.h>
#include <oleauto.h>

extern "C" __declspec(dllexport) HRESULT __stdcall ChkP(VARIANT* result) {
    if (result) {
        VariantInit(result);
    }
    return S_OK;
}
