#include "controls/btn_win32.h"

#include "base/win32/last_error.h"
#include "controls/btn_paint_rules.h"
#include "controls/button_control_win32.h"

namespace controls {

namespace {

constexpr UINT_PTR kOverTimer = 1;
constexpr UINT kOverTimerMs = 100;

enum class MouseButton { None, Left, Right, Middle };

class Btn final : public ButtonControl {
  public:
    explicit Btn(HWND hwnd) noexcept : ButtonControl(hwnd) {}

    const BtnProperties& properties() const noexcept { return properties_; }
    void SetProperties(const BtnProperties& p) {
        properties_ = p;
        Redraw();
    }
    void SetValue(bool value) {
        if (properties_.value != value) {
            properties_.value = value;
            Redraw();
        }
    }

  protected:
    bool HandleOwn(UINT message, WPARAM wparam, LPARAM lparam, LRESULT& result) override;
    void Paint(HDC dc, int width, int height) override;
    void ClickFromKeyboard() override { Click(); }
    void CancelPress() override;
    // The arrow keys move the focus as Tab and Shift+Tab do.
    UINT ExtraDialogCodes() const override { return DLGC_WANTARROWS; }

  private:
    void SetLook(BtnLook look);
    void StartHover();
    void StopHover();
    void Click();
    void MoveFocus(bool previous);
    void SetRegion(int width, int height);
    void OnButtonDown(MouseButton button);
    void OnButtonUp(MouseButton button, LPARAM lparam);
    void OnMouseMove(WPARAM keys);

    BtnProperties properties_;
    BtnLook look_ = BtnLook::Normal;
    bool hover_ = false;
    MouseButton last_button_ = MouseButton::None;
    WPARAM last_key_ = 0;
};

void Btn::SetLook(BtnLook look) {
    if (look == look_)
        return; // the look is all that changed, and it did not
    look_ = look;
    Redraw();
}

void Btn::StartHover() {
    if (!hover_ && !::SetTimer(hwnd(), kOverTimer, kOverTimerMs, nullptr))
        win32::LogFailure(L"SetTimer", ::GetLastError(), L"OverTimer");
    hover_ = true;
}

void Btn::StopHover() {
    if (hover_)
        ::KillTimer(hwnd(), kOverTimer);
    hover_ = false;
}

void Btn::CancelPress() {
    last_button_ = MouseButton::None;
    last_key_ = 0;
    if (::GetCapture() == hwnd())
        ::ReleaseCapture();
    if (!enabled())
        StopHover();
    SetLook(hover_ ? BtnLook::Hover : BtnLook::Normal);
}

void Btn::Click() {
    if (properties_.CheckBoxBehaviour)
        properties_.value = !properties_.value;
    // The hover look stays until the timer sees the pointer away.
    StartHover();
    look_ = BtnLook::Hover;
    Redraw();
    NotifyParent(BN_CLICKED);
}

void Btn::MoveFocus(bool previous) {
    const HWND root = ::GetAncestor(hwnd(), GA_ROOT);
    const HWND next = ::GetNextDlgTabItem(root, hwnd(), previous ? TRUE : FALSE);
    if (!next || next == hwnd())
        return;
    // A dialog moves its default button along; any other window just gives the focus.
    ::SendMessageW(root, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(next), TRUE);
    if (::GetFocus() != next)
        ::SetFocus(next);
}

void Btn::SetRegion(int width, int height) {
    // The frame without its four corner pixels (a polygon of right angles covers exactly the
    // pixels inside it).
    const int w = width, h = height;
    const POINT outline[] = {{1, 0},     {w - 1, 0},     {w - 1, 1}, {w, 1},
                             {w, h - 1}, {w - 1, h - 1}, {w - 1, h}, {1, h},
                             {1, h - 1}, {0, h - 1},     {0, 1},     {1, 1}};
    win32::UniqueGdiObject region(::CreatePolygonRgn(outline, 12, WINDING));
    if (!region) {
        win32::LogFailure(L"CreatePolygonRgn", ::GetLastError(), L"btn");
        return;
    }
    if (::SetWindowRgn(hwnd(), static_cast<HRGN>(region.get()), TRUE))
        region.release(); // the window owns it now
    else
        win32::LogFailure(L"SetWindowRgn", ::GetLastError(), L"btn");
}

void Btn::OnButtonDown(MouseButton button) {
    last_button_ = button;
    if (button == MouseButton::Right)
        return;
    if (button == MouseButton::Left) {
        ::SetFocus(hwnd());
        ::SetCapture(hwnd()); // the release is seen wherever it happens
    }
    SetLook(BtnLook::Pressed);
}

void Btn::OnMouseMove(WPARAM keys) {
    if (keys & (MK_RBUTTON | MK_MBUTTON))
        return;
    const bool left = (keys & MK_LBUTTON) != 0;
    if (!PointerIsOver()) {
        SetLook(BtnLook::Normal);
        return;
    }
    if (!left) {
        // Also when the flag outlived a press released outside, until the timer's next look.
        if (!hover_ || look_ == BtnLook::Normal) {
            StartHover();
            SetLook(BtnLook::Hover);
        }
    } else if (last_button_ == MouseButton::Left) {
        StartHover();
        SetLook(BtnLook::Pressed);
    }
}

void Btn::OnButtonUp(MouseButton button, LPARAM lparam) {
    const bool pressed_here = button == MouseButton::Left && last_button_ == MouseButton::Left;
    last_button_ = MouseButton::None;
    if (::GetCapture() == hwnd())
        ::ReleaseCapture();
    if (button == MouseButton::Right)
        return;
    SetLook(BtnLook::Normal);
    RECT client{};
    ::GetClientRect(hwnd(), &client);
    const POINT at{static_cast<short>(LOWORD(lparam)), static_cast<short>(HIWORD(lparam))};
    if (pressed_here && ::PtInRect(&client, at) && enabled())
        Click();
}

bool Btn::HandleOwn(UINT message, WPARAM wparam, LPARAM lparam, LRESULT& result) {
    switch (message) {
    case WM_SIZE:
        SetRegion(LOWORD(lparam), HIWORD(lparam));
        return false; // redrawn by the shared handling
    case WM_LBUTTONDOWN:
        OnButtonDown(MouseButton::Left);
        break;
    case WM_RBUTTONDOWN:
        OnButtonDown(MouseButton::Right);
        break;
    case WM_MBUTTONDOWN:
        OnButtonDown(MouseButton::Middle);
        break;
    case WM_LBUTTONUP:
        OnButtonUp(MouseButton::Left, lparam);
        break;
    case WM_RBUTTONUP:
        OnButtonUp(MouseButton::Right, lparam);
        break;
    case WM_MBUTTONUP:
        OnButtonUp(MouseButton::Middle, lparam);
        break;
    case WM_CAPTURECHANGED:
        // Another window took the pointer: the press is over, without a click.
        if (last_button_ == MouseButton::Left && reinterpret_cast<HWND>(lparam) != hwnd()) {
            last_button_ = MouseButton::None;
            SetLook(BtnLook::Normal);
        }
        break;
    case WM_MOUSEMOVE:
        OnMouseMove(wparam);
        break;
    case WM_TIMER:
        if (wparam != kOverTimer)
            return false;
        if (!PointerIsOver() && last_key_ != VK_SPACE) {
            StopHover();
            if (last_button_ != MouseButton::Left)
                SetLook(BtnLook::Normal);
        }
        break;
    case WM_KEYDOWN:
        last_key_ = wparam;
        if (wparam == VK_SPACE)
            SetLook(BtnLook::Pressed);
        else if (wparam == VK_LEFT || wparam == VK_UP)
            MoveFocus(true);
        else if (wparam == VK_RIGHT || wparam == VK_DOWN)
            MoveFocus(false);
        break;
    case WM_KEYUP:
        if (wparam == VK_SPACE && last_key_ == VK_SPACE) {
            last_key_ = 0;
            if (properties_.CheckBoxBehaviour)
                properties_.value = !properties_.value;
            look_ = BtnLook::Normal;
            Redraw();
            NotifyParent(BN_CLICKED);
        }
        break;
    case WM_CHAR:
        break; // the key press has no effect of its own
    case WM_SETCURSOR:
        if (!properties_.HandPointer || LOWORD(lparam) != HTCLIENT)
            return false;
        ::SetCursor(::LoadCursorW(nullptr, IDC_HAND));
        result = TRUE;
        return true;
    case BM_GETCHECK:
        result = properties_.value ? BST_CHECKED : BST_UNCHECKED;
        return true;
    case BM_SETCHECK:
        SetValue(wparam == BST_CHECKED);
        break;
    case BM_GETSTATE:
        result = (properties_.value ? BST_CHECKED : 0) |
                 (look_ == BtnLook::Pressed ? BST_PUSHED : 0) | (focused() ? BST_FOCUS : 0);
        return true;
    default:
        return false;
    }
    result = 0;
    return true;
}

void Btn::Paint(HDC dc, int width, int height) {
    const bool hover = look_ == BtnLook::Hover;
    const BtnScheme scheme = Scheme1(Resolve(hover ? properties_.BackOver : properties_.BackColor));
    for (const PaintStep& s : Style14Steps(width, height, look_, scheme, properties_.SoftBevel)) {
        const COLORREF c = static_cast<COLORREF>(s.colour);
        if (s.kind == PaintStep::Fill) {
            FillSolid(dc, s.x, s.y, s.width, s.height, c);
            continue;
        }
        FillSolid(dc, s.x, s.y, s.width, 1, c);
        FillSolid(dc, s.x, s.y + s.height - 1, s.width, 1, c);
        FillSolid(dc, s.x, s.y, 1, s.height, c);
        FillSolid(dc, s.x + s.width - 1, s.y, 1, s.height, c);
    }

    const std::wstring caption = Caption();
    if (!caption.empty()) {
        const HGDIOBJ text_font =
            font() ? static_cast<HGDIOBJ>(font()) : ::GetStockObject(DEFAULT_GUI_FONT);
        win32::SelectedObject selected(dc, text_font);
        ::SetBkMode(dc, TRANSPARENT);
        ::SetTextColor(dc, !enabled()
                               ? ::GetSysColor(COLOR_GRAYTEXT)
                               : Resolve(hover ? properties_.ForeOver : properties_.forecolor));
        const PixelRect box = BtnCaptionRect(width, height, look_);
        RECT r{box.left, box.top, box.right, box.bottom};
        ::DrawTextW(dc, caption.c_str(), static_cast<int>(caption.size()), &r,
                    DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    }
    if (properties_.ShowFocusRect && ShowsFocusCue()) {
        const PixelRect f = BtnFocusRect(width, height);
        DrawFocusCue(dc, RECT{f.left, f.top, f.right, f.bottom});
    }
}

Btn* BtnOf(HWND hwnd) {
    return ControlOf<Btn>(hwnd, kBtnClassName);
}

} // namespace

bool RegisterBtnClass(HINSTANCE instance) {
    return RegisterButtonControlClass(instance, kBtnClassName, 0, &ButtonControlProcedure<Btn>);
}

BtnProperties GetBtnProperties(HWND btn) {
    const Btn* control = BtnOf(btn);
    return control ? control->properties() : BtnProperties{};
}

bool SetBtnProperties(HWND btn, const BtnProperties& properties) {
    Btn* control = BtnOf(btn);
    if (!control)
        return false;
    control->SetProperties(properties);
    return true;
}

bool BtnValue(HWND btn) {
    return ::SendMessageW(btn, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

} // namespace controls
