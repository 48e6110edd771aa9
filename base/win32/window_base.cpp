#include "base/win32/window_base.h"

#include <commctrl.h>

#include <exception>
#include <new>
#include <utility>

namespace win32 {

namespace {

std::function<void(const HandlerFailure&)>& FailureAction() {
    static std::function<void(const HandlerFailure&)> action;
    return action;
}

bool RegisterOnce(const WindowClassOptions& options, WNDPROC procedure) {
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSEXW existing{};
    existing.cbSize = sizeof existing;
    if (GetClassInfoExW(instance, options.name, &existing))
        return existing.lpfnWndProc == procedure;
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.style = options.style;
    wc.lpfnWndProc = procedure;
    wc.hInstance = instance;
    wc.hIcon = options.icon;
    wc.hIconSm = options.small_icon;
    wc.hCursor = options.cursor;
    wc.hbrBackground = options.background;
    wc.lpszClassName = options.name;
    return RegisterClassExW(&wc) != 0;
}

} // namespace

std::wstring WindowTextOf(HWND window) {
    const int length = ::GetWindowTextLengthW(window);
    if (length <= 0)
        return {};
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    const int got = ::GetWindowTextW(window, text.data(), length + 1);
    text.resize(got > 0 ? static_cast<size_t>(got) : 0);
    return text;
}

HandlerFailure FailureOfCurrentException() noexcept {
    try {
        throw;
    } catch (const std::bad_alloc&) {
        return {7, "Out of memory"};
    } catch (const std::exception& e) {
        try {
            return {5, e.what()};
        } catch (...) {
            return {7, "Out of memory"};
        }
    } catch (...) {
        return {5, "Unknown error"};
    }
}

void ReportHandlerFailure() noexcept {
    const HandlerFailure failure = FailureOfCurrentException();
    try {
        if (FailureAction())
            FailureAction()(failure);
    } catch (...) { // an action that fails as well changes nothing more
    }
}

void SetHandlerFailureAction(std::function<void(const HandlerFailure&)> action) {
    FailureAction() = std::move(action);
}

WindowBase::~WindowBase() {
    if (!hwnd_)
        return;
    const HWND hwnd = hwnd_;
    // The derived part is gone already: unlinked first, the destruction messages go to the
    // default procedure.
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
    hwnd_ = nullptr;
    DestroyWindow(hwnd);
}

bool WindowBase::Create(const WindowClassOptions& window_class, const WindowOptions& w) {
    if (hwnd_ || !window_class.name)
        return false;
    if (!RegisterOnce(window_class, &WindowBase::WindowProcedure))
        return false;
    // hwnd_ is set by WM_NCCREATE, before any later message is handled.
    const HWND created =
        CreateWindowExW(w.ex_style, window_class.name, w.title, w.style, w.x, w.y, w.width,
                        w.height, w.parent, w.menu, GetModuleHandleW(nullptr), this);
    return created != nullptr;
}

void WindowBase::Destroy() noexcept {
    if (hwnd_)
        DestroyWindow(hwnd_); // WM_DESTROY and WM_NCDESTROY still reach the object
}

LRESULT WindowBase::HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) {
    return DefWindowProcW(hwnd_, message, wparam, lparam);
}

LRESULT CALLBACK WindowBase::WindowProcedure(HWND hwnd, UINT message, WPARAM wparam,
                                             LPARAM lparam) {
    WindowBase* self;
    if (message == WM_NCCREATE) {
        self = static_cast<WindowBase*>(reinterpret_cast<CREATESTRUCTW*>(lparam)->lpCreateParams);
        self->hwnd_ = hwnd;
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    } else {
        self = reinterpret_cast<WindowBase*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    }
    if (!self) // messages before WM_NCCREATE, or after the object let go of its window
        return DefWindowProcW(hwnd, message, wparam, lparam);

    LRESULT result = 0;
    if (!RunGuarded([&] { result = self->HandleMessage(message, wparam, lparam); }))
        result = DefWindowProcW(hwnd, message, wparam, lparam);
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
        self->hwnd_ = nullptr;
        RunGuarded([self] { self->OnWindowGone(); });
    }
    return result;
}

ControlSubclass::~ControlSubclass() {
    if (control_)
        RemoveWindowSubclass(control_, &ControlSubclass::Procedure, 1);
}

bool ControlSubclass::Attach(HWND control) {
    if (control_ || !SetWindowSubclass(control, &ControlSubclass::Procedure, 1,
                                       reinterpret_cast<DWORD_PTR>(this)))
        return false;
    control_ = control;
    return true;
}

LRESULT CALLBACK ControlSubclass::Procedure(HWND control, UINT message, WPARAM wparam,
                                            LPARAM lparam, UINT_PTR id, DWORD_PTR data) {
    auto* self = reinterpret_cast<ControlSubclass*>(data);
    if (message == WM_NCDESTROY) {
        RemoveWindowSubclass(control, &ControlSubclass::Procedure, id);
        self->control_ = nullptr;
        return DefSubclassProc(control, message, wparam, lparam);
    }
    LRESULT result = 0;
    bool handled = false;
    RunGuarded([&] { handled = self->HandleMessage(message, wparam, lparam, result); });
    return handled ? result : DefSubclassProc(control, message, wparam, lparam);
}

} // namespace win32
