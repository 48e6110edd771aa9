// zeptal.dll, the companion library of TheWandrel.
//
// The client and the library share two one-byte blocks of named memory backed by the
// paging file:
//   ZPSHMF     byte 0 is the discard flag. The library sets it to 1 when the next pointer
//              jump is not the user's hand; the client skips that movement and writes 0.
//   ZPSHMFUSE  byte 0 is the use flag, written 1 by the client when it sees input. The
//              library joins the block and keeps it mapped while it runs, so both blocks
//              share one lifetime, but it neither reads nor resets the flag: nothing here
//              depends on the user's activity.
//
// What raises the discard flag: a change of display mode or monitor layout
// (WM_DISPLAYCHANGE), any session switch (WM_WTSSESSION_CHANGE: console or remote
// connect/disconnect, lock, unlock, logon), and the return from sleep (WM_POWERBROADCAST
// with PBT_APMRESUMEAUTOMATIC). In each case Windows may put the pointer somewhere new.
//
// Exports:
//   ChkP(VARIANT* result)  stdcall. Called once by the client at start-up. Starts the
//       watcher (once per process) and puts VT_BOOL VARIANT_TRUE in *result when it runs,
//       VARIANT_FALSE when it could not start; returns S_OK (E_POINTER for a null pointer).
//       The caller frees *result with VariantClear.
//   StopP()  stdcall. Ends the watcher and waits (at most 5 s) until its thread has ended.
//
// The watcher is a thread of its own with a hidden top-level window: broadcasts such as
// WM_DISPLAYCHANGE reach top-level windows only, never message-only ones. The window is
// never shown.
//
// Unloading. DllMain does nothing but turn off thread notifications: no thread is started,
// waited for or stopped under the loader lock. Instead the watcher thread holds a reference
// to this library of its own, taken before it starts, and leaves through
// FreeLibraryAndExitThread. So the library's code is never unmapped under a running thread:
// a FreeLibrary by the client while the watcher runs leaves the library loaded until StopP
// is called or the process ends; after StopP the last FreeLibrary unloads it at once. At
// process exit the system has already ended the thread and nothing is left to do.
#include <windows.h>
#include <oleauto.h>
#include <wtsapi32.h>

namespace {

constexpr wchar_t kWatcherClass[] = L"ZeptalWatcher";
constexpr DWORD kStartStopTimeoutMs = 5000;

HMODULE g_module = nullptr;
SRWLOCK g_lock = SRWLOCK_INIT;
HANDLE g_thread = nullptr;  // the watcher thread, while it runs
HWND g_window = nullptr;    // its window
HANDLE g_started = nullptr; // set by the watcher once its window exists (or failed)

struct SharedFlag {
    HANDLE mapping = nullptr;
    volatile BYTE* view = nullptr;

    bool Open(const char* name) {
        mapping = ::CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, 1, name);
        if (!mapping)
            return false;
        view = static_cast<volatile BYTE*>(::MapViewOfFile(mapping, 0xF001F, 0, 0, 1));
        return view != nullptr;
    }
    void Close() {
        if (view)
            ::UnmapViewOfFile(const_cast<BYTE*>(view));
        if (mapping)
            ::CloseHandle(mapping);
        view = nullptr;
        mapping = nullptr;
    }
};

SharedFlag g_discard; // ZPSHMF
SharedFlag g_use;     // ZPSHMFUSE

void RaiseDiscardFlag() {
    if (g_discard.view)
        *g_discard.view = 1;
}

LRESULT CALLBACK WatcherProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
    case WM_DISPLAYCHANGE:
    case WM_WTSSESSION_CHANGE:
        RaiseDiscardFlag();
        break;
    case WM_POWERBROADCAST:
        if (wparam == PBT_APMRESUMEAUTOMATIC || wparam == PBT_APMRESUMESUSPEND)
            RaiseDiscardFlag();
        return TRUE;
    case WM_CLOSE:
        ::DestroyWindow(hwnd);
        return 0;
    case WM_DESTROY:
        ::WTSUnRegisterSessionNotification(hwnd);
        ::PostQuitMessage(0);
        return 0;
    }
    return ::DefWindowProcW(hwnd, message, wparam, lparam);
}

DWORD WINAPI WatcherThread(void* module_reference) {
    const bool shared_ok = g_discard.Open("ZPSHMF") && g_use.Open("ZPSHMFUSE");
    HWND window = nullptr;
    if (shared_ok) {
        WNDCLASSW wc{};
        wc.lpfnWndProc = WatcherProc;
        wc.hInstance = g_module;
        wc.lpszClassName = kWatcherClass;
        ::RegisterClassW(&wc);
        window = ::CreateWindowExW(WS_EX_TOOLWINDOW, kWatcherClass, L"", WS_POPUP, 0, 0, 0, 0,
                                   nullptr, nullptr, g_module, nullptr);
        if (window)
            ::WTSRegisterSessionNotification(window, NOTIFY_FOR_THIS_SESSION);
    }
    ::AcquireSRWLockExclusive(&g_lock);
    g_window = window;
    ::ReleaseSRWLockExclusive(&g_lock);
    ::SetEvent(g_started);

    if (window) {
        MSG msg;
        while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
    }
    ::AcquireSRWLockExclusive(&g_lock);
    g_window = nullptr;
    ::ReleaseSRWLockExclusive(&g_lock);
    ::UnregisterClassW(kWatcherClass, g_module);
    g_use.Close();
    g_discard.Close();
    ::FreeLibraryAndExitThread(static_cast<HMODULE>(module_reference), 0);
}

// Starts the watcher unless it runs; true when it runs afterwards.
bool StartWatcher() {
    ::AcquireSRWLockExclusive(&g_lock);
    bool running = g_thread != nullptr && g_window != nullptr;
    if (g_thread == nullptr) {
        HMODULE reference = nullptr;
        if (!g_started)
            g_started = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
        if (g_started &&
            ::GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS,
                                 reinterpret_cast<LPCWSTR>(&WatcherThread), &reference)) {
            ::ResetEvent(g_started);
            g_thread = ::CreateThread(nullptr, 0, WatcherThread, reference, 0, nullptr);
            if (!g_thread)
                ::FreeLibrary(reference);
        }
        ::ReleaseSRWLockExclusive(&g_lock);
        if (g_thread)
            ::WaitForSingleObject(g_started, kStartStopTimeoutMs);
        ::AcquireSRWLockExclusive(&g_lock);
        running = g_thread != nullptr && g_window != nullptr;
    }
    ::ReleaseSRWLockExclusive(&g_lock);
    return running;
}

} // namespace

extern "C" __declspec(dllexport) HRESULT __stdcall ChkP(VARIANT* result) {
    if (!result)
        return E_POINTER;
    const bool running = StartWatcher();
    ::VariantInit(result);
    result->vt = VT_BOOL;
    result->boolVal = running ? VARIANT_TRUE : VARIANT_FALSE;
    return S_OK;
}

extern "C" __declspec(dllexport) void __stdcall StopP() {
    ::AcquireSRWLockExclusive(&g_lock);
    const HANDLE thread = g_thread;
    g_thread = nullptr;
    if (g_window)
        ::PostMessageW(g_window, WM_CLOSE, 0, 0);
    ::ReleaseSRWLockExclusive(&g_lock);
    if (thread) {
        // A watcher whose window never came up has already left its loop.
        ::WaitForSingleObject(thread, kStartStopTimeoutMs);
        ::CloseHandle(thread);
    }
}

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, void* reserved) {
    if (reason == DLL_PROCESS_ATTACH) {
        g_module = instance;
        ::DisableThreadLibraryCalls(instance);
    } else if (reason == DLL_PROCESS_DETACH && reserved == nullptr && g_started) {
        // An unload by FreeLibrary: no watcher runs (it would hold the library), so only the
        // event is left to close.
        ::CloseHandle(g_started);
        g_started = nullptr;
    }
    return TRUE;
}
