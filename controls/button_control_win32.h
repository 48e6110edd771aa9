// What the two owner-drawn buttons share: the part that makes them behave like a standard
// push button outside their drawing (caption through WM_SETTEXT/WM_GETTEXT, the font of
// WM_SETFONT, BM_CLICK, BN_CLICKED to the parent, WM_GETDLGCODE for Tab order, the default
// button and access keys, focus, enabled state, and a push button named by its caption for
// accessibility tools), and the off-screen surface they draw on before copying to the screen.
#pragma once

#include "base/win32/unique_handle.h"
#include "base/win32/window_base.h"
#include "controls/paint_colours.h"

#include <windows.h>

#include <new>
#include <string>

namespace controls {

struct MemoryDcTraits {
    using Handle = HDC;
    static Handle invalid() noexcept { return nullptr; }
    static bool valid(Handle h) noexcept { return h != nullptr; }
    static void close(Handle h) noexcept { ::DeleteDC(h); }
};
using UniqueMemoryDc = win32::UniqueHandle<MemoryDcTraits>;

// A memory DC with a bitmap of a given size selected into it.
class Surface {
  public:
    Surface() = default;
    ~Surface();
    Surface(const Surface&) = delete;
    Surface& operator=(const Surface&) = delete;
    // Makes the surface `width` x `height` (at least 1 x 1), compatible with `reference`;
    // keeps it when it has that size already. False (logged) when GDI refuses.
    bool Fit(HDC reference, int width, int height);
    HDC dc() const noexcept { return dc_.get(); }
    int width() const noexcept { return width_; }
    int height() const noexcept { return height_; }

  private:
    void Release() noexcept;
    UniqueMemoryDc dc_;
    win32::UniqueGdiObject bitmap_;
    HGDIOBJ original_bitmap_ = nullptr;
    int width_ = 0;
    int height_ = 0;
};

COLORREF Resolve(Colour c);
void FillSolid(HDC dc, int x, int y, int width, int height, COLORREF colour);
// The dotted focus rectangle, black on white whatever colours the drawing left in `dc`.
void DrawFocusCue(HDC dc, const RECT& r);

class ButtonControl {
  public:
    explicit ButtonControl(HWND hwnd) noexcept : hwnd_(hwnd) {}
    virtual ~ButtonControl() = default;
    ButtonControl(const ButtonControl&) = delete;
    ButtonControl& operator=(const ButtonControl&) = delete;

    LRESULT Handle(UINT message, WPARAM wparam, LPARAM lparam);

  protected:
    // The control's own messages, seen before the shared handling; true when handled.
    virtual bool HandleOwn(UINT message, WPARAM wparam, LPARAM lparam, LRESULT& result) = 0;
    // Draws the whole control on `dc`, a surface of the control's size.
    virtual void Paint(HDC dc, int width, int height) = 0;
    // A click asked for by BM_CLICK or the access key; the control is enabled.
    virtual void ClickFromKeyboard() = 0;
    // Called when the control loses the focus or is disabled: a press in progress ends.
    virtual void CancelPress() {}
    // Dialog codes added to those of a push button.
    virtual UINT ExtraDialogCodes() const { return 0; }
    // Whether an "&" of the caption marks its access key (else it is shown as it is).
    virtual bool MarksAccessKey() const { return true; }

    HWND hwnd() const noexcept { return hwnd_; }
    HFONT font() const noexcept { return font_; }
    bool focused() const noexcept { return ::GetFocus() == hwnd_; }
    bool enabled() const noexcept { return ::IsWindowEnabled(hwnd_) != FALSE; }
    std::wstring Caption() const;
    // Focused, with the focus cues shown (a dialog hides them until the keyboard is used).
    bool ShowsFocusCue() const noexcept {
        return focused() && !(::SendMessageW(hwnd_, WM_QUERYUISTATE, 0, 0) & UISF_HIDEFOCUS);
    }
    // Marks the drawing stale; it is made again, off screen, at the next paint.
    void Redraw() noexcept;
    // WM_COMMAND with `code` (BN_CLICKED, BN_DOUBLECLICKED) to the parent.
    void NotifyParent(WORD code) const noexcept;
    // Whether the pointer is over this control (and not over a window above it).
    bool PointerIsOver() const noexcept;

  private:
    void OnPaint();
    // The drawing (made again first when stale) copied onto `dc` at the origin.
    void CopyTo(HDC dc);

    HWND hwnd_;
    HFONT font_ = nullptr;
    Surface surface_;
    bool stale_ = true;
};

// The window procedure of a ButtonControl class: the object is made at WM_NCCREATE, kept in
// the window's first extra pointer and deleted at WM_NCDESTROY; no exception leaves it.
template <typename Control>
LRESULT CALLBACK ButtonControlProcedure(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    auto* control = reinterpret_cast<Control*>(::GetWindowLongPtrW(hwnd, 0));
    if (message == WM_NCCREATE && !control) {
        control = new (std::nothrow) Control(hwnd);
        if (!control)
            return FALSE;
        ::SetWindowLongPtrW(hwnd, 0, reinterpret_cast<LONG_PTR>(control));
    }
    if (!control)
        return ::DefWindowProcW(hwnd, message, wparam, lparam);
    if (message == WM_NCDESTROY) {
        ::SetWindowLongPtrW(hwnd, 0, 0);
        delete control;
        return ::DefWindowProcW(hwnd, message, wparam, lparam);
    }
    LRESULT result = 0;
    if (!win32::RunGuarded([&] { result = control->Handle(message, wparam, lparam); }))
        return ::DefWindowProcW(hwnd, message, wparam, lparam);
    return result;
}

// Registers a class of this program's instance (global to the process, so dialog templates
// of any module name it). True when it exists already with this procedure.
bool RegisterButtonControlClass(HINSTANCE instance, const wchar_t* name, UINT style,
                                WNDPROC procedure);

// The control object of `hwnd` when it is of the class `name`, else null.
template <typename Control> Control* ControlOf(HWND hwnd, const wchar_t* name) {
    wchar_t class_name[32] = {};
    if (!hwnd || !::GetClassNameW(hwnd, class_name, 32) || ::lstrcmpiW(class_name, name) != 0)
        return nullptr;
    return reinterpret_cast<Control*>(::GetWindowLongPtrW(hwnd, 0));
}

} // namespace controls
