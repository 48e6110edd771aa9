#include "app/win32/input_waiter.h"

namespace win32 {

namespace {

// The thread only waits and posts: a small stack is plenty.
constexpr SIZE_T kStackSize = 64 * 1024;

HANDLE NewEvent(bool manual_reset) {
    return ::CreateEventW(nullptr, manual_reset ? TRUE : FALSE, FALSE, nullptr);
}

} // namespace

bool InputWaiter::CreateEvents() {
    if (!mouse_)
        mouse_.reset(NewEvent(false));
    if (!keyboard_)
        keyboard_.reset(NewEvent(false));
    return mouse_ && keyboard_;
}

bool InputWaiter::Start(HWND window, UINT message) {
    if (thread_)
        return true;
    if (!mouse_ || !keyboard_)
        return false;
    armed_.reset(NewEvent(false));
    stop_.reset(NewEvent(true));
    if (!armed_ || !stop_)
        return false;
    window_ = window;
    message_ = message;
    thread_.reset(::CreateThread(nullptr, kStackSize, &InputWaiter::ThreadProc, this,
                                 STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr));
    return static_cast<bool>(thread_);
}

void InputWaiter::Stop() {
    if (!thread_)
        return;
    ::SetEvent(stop_.get());
    ::WaitForSingleObject(thread_.get(), INFINITE);
    thread_.reset();
}

void InputWaiter::Arm() {
    if (thread_)
        ::SetEvent(armed_.get());
}

DWORD WINAPI InputWaiter::ThreadProc(void* self) {
    static_cast<InputWaiter*>(self)->Run();
    return 0;
}

void InputWaiter::Run() {
    const HANDLE until_armed[] = {stop_.get(), armed_.get()};
    const HANDLE until_input[] = {stop_.get(), mouse_.get(), keyboard_.get()};
    for (;;) {
        if (::WaitForMultipleObjects(2, until_armed, FALSE, INFINITE) != WAIT_OBJECT_0 + 1)
            return;
        const DWORD woke = ::WaitForMultipleObjects(3, until_input, FALSE, INFINITE);
        if (woke != WAIT_OBJECT_0 + 1 && woke != WAIT_OBJECT_0 + 2)
            return;
        ::PostMessageW(window_, message_, 0, 0);
    }
}

} // namespace win32
