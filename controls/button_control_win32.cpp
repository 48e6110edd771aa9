#include "controls/button_control_win32.h"

#include "base/win32/last_error.h"
#include "controls/button_accessible_win32.h"

namespace controls {

Surface::~Surface() {
    Release();
}

void Surface::Release() noexcept {
    if (dc_ && original_bitmap_)
        ::SelectObject(dc_.get(), original_bitmap_);
    original_bitmap_ = nullptr;
    bitmap_.reset();
    dc_.reset();
    width_ = height_ = 0;
}

bool Surface::Fit(HDC reference, int width, int height) {
    width = width < 1 ? 1 : width;
    height = height < 1 ? 1 : height;
    if (dc_ && width == width_ && height == height_)
        return true;
    Release();
    dc_.reset(::CreateCompatibleDC(reference));
    if (!dc_) {
        win32::LogFailure(L"CreateCompatibleDC", ::GetLastError(), L"button surface");
        return false;
    }
    bitmap_.reset(::CreateCompatibleBitmap(reference, width, height));
    if (!bitmap_) {
        win32::LogFailure(L"CreateCompatibleBitmap", ::GetLastError(), L"button surface");
        dc_.reset();
        return false;
    }
    original_bitmap_ = ::SelectObject(dc_.get(), bitmap_.get());
    width_ = width;
    height_ = height;
    return true;
}

COLORREF Resolve(Colour c) {
    return IsSystemColour(c) ? ::GetSysColor(SystemColourIndex(c)) : static_cast<COLORREF>(c);
}

void FillSolid(HDC dc, int x, int y, int width, int height, COLORREF colour) {
    // ExtTextOut with an opaque rectangle fills without a brush to make and delete.
    const RECT r{x, y, x + width, y + height};
    ::SetBkColor(dc, colour);
    ::ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &r, nullptr, 0, nullptr);
}

void DrawFocusCue(HDC dc, const RECT& r) {
    ::SetTextColor(dc, RGB(0, 0, 0));
    ::SetBkColor(dc, RGB(255, 255, 255));
    ::DrawFocusRect(dc, &r);
}

std::wstring ButtonControl::Caption() const {
    return win32::WindowTextOf(hwnd_);
}

void ButtonControl::Redraw() noexcept {
    stale_ = true;
    ::InvalidateRect(hwnd_, nullptr, FALSE);
}

void ButtonControl::NotifyParent(WORD code) const noexcept {
    const HWND parent = ::GetParent(hwnd_);
    if (!parent)
        return;
    const auto id = static_cast<WORD>(::GetDlgCtrlID(hwnd_));
    ::SendMessageW(parent, WM_COMMAND, MAKEWPARAM(id, code), reinterpret_cast<LPARAM>(hwnd_));
}

bool ButtonControl::PointerIsOver() const noexcept {
    POINT p{};
    return ::GetCursorPos(&p) && ::WindowFromPoint(p) == hwnd_;
}

void ButtonControl::OnPaint() {
    PAINTSTRUCT ps;
    const HDC dc = ::BeginPaint(hwnd_, &ps);
    if (!dc)
        return;
    CopyTo(dc);
    ::EndPaint(hwnd_, &ps);
}

void ButtonControl::CopyTo(HDC dc) {
    RECT client{};
    ::GetClientRect(hwnd_, &client);
    const int width = client.right - client.left;
    const int height = client.bottom - client.top;
    const bool resized = surface_.width() != width || surface_.height() != height;
    if (surface_.Fit(dc, width, height)) {
        if (stale_ || resized) {
            Paint(surface_.dc(), width, height);
            stale_ = false;
        }
        if (!::BitBlt(dc, 0, 0, width, height, surface_.dc(), 0, 0, SRCCOPY))
            win32::LogFailure(L"BitBlt", ::GetLastError(), L"button surface");
    }
}

LRESULT ButtonControl::Handle(UINT message, WPARAM wparam, LPARAM lparam) {
    LRESULT result = 0;
    if (HandleOwn(message, wparam, lparam, result))
        return result;
    switch (message) {
    case WM_CREATE:
        // The container's font until the container sets one.
        if (const HWND parent = ::GetParent(hwnd_))
            font_ = reinterpret_cast<HFONT>(::SendMessageW(parent, WM_GETFONT, 0, 0));
        return 0;
    case WM_PAINT:
        OnPaint();
        return 0;
    case WM_PRINTCLIENT:
        CopyTo(reinterpret_cast<HDC>(wparam));
        return 0;
    case WM_ERASEBKGND:
        return 1; // the paint covers every pixel
    case WM_SIZE:
        Redraw();
        return 0;
    case WM_SETTEXT:
        result = ::DefWindowProcW(hwnd_, message, wparam, lparam);
        Redraw();
        return result;
    case WM_SETFONT:
        font_ = reinterpret_cast<HFONT>(wparam);
        if (LOWORD(lparam))
            Redraw();
        else
            stale_ = true;
        return 0;
    case WM_GETFONT:
        return reinterpret_cast<LRESULT>(font_);
    case WM_SETFOCUS:
        Redraw();
        return 0;
    case WM_KILLFOCUS:
        CancelPress();
        Redraw();
        return 0;
    case WM_ENABLE:
        if (!wparam)
            CancelPress();
        Redraw();
        return 0;
    case WM_GETDLGCODE: {
        const bool is_default = (::GetWindowLongW(hwnd_, GWL_STYLE) & 0x0F) == BS_DEFPUSHBUTTON;
        return DLGC_BUTTON | (is_default ? DLGC_DEFPUSHBUTTON : DLGC_UNDEFPUSHBUTTON) |
               ExtraDialogCodes();
    }
    case BM_SETSTYLE: {
        // The dialog manager moves the default-button style as the focus moves.
        const LONG style = ::GetWindowLongW(hwnd_, GWL_STYLE);
        ::SetWindowLongW(hwnd_, GWL_STYLE, (style & ~0xFFFF) | LOWORD(wparam));
        if (LOWORD(lparam))
            Redraw();
        return 0;
    }
    case BM_CLICK:
        if (enabled())
            ClickFromKeyboard();
        return 0;
    case WM_UPDATEUISTATE:
        result = ::DefWindowProcW(hwnd_, message, wparam, lparam);
        Redraw();
        return result;
    case WM_GETOBJECT:
        return AnswerAccessibleObject(hwnd_, wparam, lparam, MarksAccessKey());
    default:
        return ::DefWindowProcW(hwnd_, message, wparam, lparam);
    }
}

bool RegisterButtonControlClass(HINSTANCE instance, const wchar_t* name, UINT style,
                                WNDPROC procedure) {
    WNDCLASSEXW existing{};
    existing.cbSize = sizeof existing;
    if (::GetClassInfoExW(instance, name, &existing))
        return existing.lpfnWndProc == procedure;
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.style = style | CS_GLOBALCLASS;
    wc.lpfnWndProc = procedure;
    wc.cbWndExtra = sizeof(void*);
    wc.hInstance = instance;
    wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    wc.lpszClassName = name;
    if (::RegisterClassExW(&wc))
        return true;
    win32::LogFailure(L"RegisterClassExW", ::GetLastError(), name);
    return false;
}

} // namespace controls
