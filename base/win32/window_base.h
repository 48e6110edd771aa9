// The one window pattern of the program: every window is a C++ object deriving from
// WindowBase. The shared window procedure stores the object in GWLP_USERDATA when the window
// is created (WM_NCCREATE), forwards every message to the object's HandleMessage, and clears
// the link when the window is gone (WM_NCDESTROY), so no message ever reaches a dead object.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

namespace win32 {

// The window's text (a caption, an edit box's contents); empty when it has none.
std::wstring WindowTextOf(HWND window);

// An error that escaped a message handler, numbered as the start-up catch-all numbers its
// errors: 7 for memory, 5 for any other.
struct HandlerFailure {
    long number = 5;
    std::string description;
};

// The failure of the exception being handled; call only inside a catch block.
HandlerFailure FailureOfCurrentException() noexcept;

// No exception leaves the shared window procedure: it would have to unwind through the
// system's frames. The procedure catches it, hands it to the one action the program installs
// (the client keeps its counts, reports the error and ends) and leaves the message to
// DefWindowProcW. Without an action the program goes on.
void SetHandlerFailureAction(std::function<void(const HandlerFailure&)> action);

// Hands the exception being handled to the failure action; call only inside a catch block.
void ReportHandlerFailure() noexcept;

// Runs one message handler; what it throws goes to the failure action instead of leaving the
// window procedure. False when it threw. Window procedures outside WindowBase use it too.
template <typename Handler> bool RunGuarded(Handler&& handler) noexcept {
    try {
        handler();
        return true;
    } catch (...) {
        ReportHandlerFailure();
        return false;
    }
}

struct WindowClassOptions {
    const wchar_t* name = nullptr;
    UINT style = 0;
    HICON icon = nullptr;
    HICON small_icon = nullptr;
    HCURSOR cursor = nullptr;
    HBRUSH background = nullptr;
};

struct WindowOptions {
    const wchar_t* title = L"";
    DWORD style = WS_OVERLAPPEDWINDOW;
    DWORD ex_style = 0;
    int x = CW_USEDEFAULT;
    int y = CW_USEDEFAULT;
    int width = CW_USEDEFAULT;
    int height = CW_USEDEFAULT;
    HWND parent = nullptr;
    HMENU menu = nullptr; // or the child identifier
};

class WindowBase {
  public:
    WindowBase() = default;
    // Destroys the window if it still exists, without its messages reaching this object any
    // more. A window that must see its own WM_DESTROY calls Destroy() in its destructor.
    virtual ~WindowBase();
    WindowBase(const WindowBase&) = delete;
    WindowBase& operator=(const WindowBase&) = delete;

    HWND hwnd() const noexcept { return hwnd_; }

    // Registers the class on first use (this module's instance, the shared window
    // procedure) and creates the window. False, with GetLastError, when either fails.
    bool Create(const WindowClassOptions& window_class, const WindowOptions& window);
    void Destroy() noexcept;

  protected:
    // Every message of the window. The default hands it to DefWindowProcW.
    virtual LRESULT HandleMessage(UINT message, WPARAM wparam, LPARAM lparam);
    // Called once the window is gone (after WM_NCDESTROY); hwnd() is null by then.
    virtual void OnWindowGone() {}

  private:
    static LRESULT CALLBACK WindowProcedure(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);
    HWND hwnd_ = nullptr;
};

// A control whose messages pass through an object first (a subclass), on the same pattern:
// a virtual handler, no exception leaves it, and the link goes when the control goes.
class ControlSubclass {
  public:
    ControlSubclass() = default;
    virtual ~ControlSubclass(); // detaches from a control that still exists
    ControlSubclass(const ControlSubclass&) = delete;
    ControlSubclass& operator=(const ControlSubclass&) = delete;

    // False when the subclass could not be set.
    bool Attach(HWND control);
    HWND control() const noexcept { return control_; }

  protected:
    // Every message of the control; true when handled, with `result` set. False passes it on
    // to the control's own procedure.
    virtual bool HandleMessage(UINT message, WPARAM wparam, LPARAM lparam, LRESULT& result) = 0;

  private:
    static LRESULT CALLBACK Procedure(HWND control, UINT message, WPARAM wparam, LPARAM lparam,
                                      UINT_PTR id, DWORD_PTR self);
    HWND control_ = nullptr;
};

} // namespace win32
