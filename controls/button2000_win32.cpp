#include "controls/button2000_win32.h"

#include "base/win32/last_error.h"
#include "controls/button_control_win32.h"

#include <algorithm>
#include <utility>

namespace controls {

namespace {

// The silhouette under the raised icon.
constexpr COLORREF kShadowColour = RGB(136, 141, 157);

class Button2000 final : public ButtonControl {
  public:
    explicit Button2000(HWND hwnd) noexcept : ButtonControl(hwnd) {}

    const Button2000Properties& properties() const noexcept { return properties_; }
    Button2000State state() const noexcept { return state_; }
    void SetProperties(const Button2000Properties& p) {
        properties_ = p;
        Redraw();
    }
    bool SetIcon(HICON icon);

  protected:
    bool HandleOwn(UINT message, WPARAM wparam, LPARAM lparam, LRESULT& result) override;
    void Paint(HDC dc, int width, int height) override;
    void ClickFromKeyboard() override { Click(); }
    void CancelPress() override;
    // The caption is written as it is, ampersands included.
    bool MarksAccessKey() const override { return false; }

  private:
    void SetState(Button2000State state);
    void Click();
    void OnMouseMove();
    void OnButtonUp();
    void DrawIcon(HDC dc, int x, int y, int alpha);

    Button2000Properties properties_;
    Button2000State state_ = Button2000State::Normal;
    win32::UniqueIcon icon_;
    SIZE icon_size_{};
    Surface icon_surface_; // where the icon is made before it is blended
    bool mouse_pressed_ = false;
    bool double_click_ = false;
    bool space_pressed_ = false;
};

void Button2000::SetState(Button2000State state) {
    if (state != state_) {
        state_ = state;
        Redraw();
    }
}

void Button2000::Click() {
    SetState(Button2000State::Normal);
    NotifyParent(BN_CLICKED);
}

void Button2000::CancelPress() {
    mouse_pressed_ = double_click_ = space_pressed_ = false;
    if (::GetCapture() == hwnd())
        ::ReleaseCapture();
    SetState(Button2000State::Normal);
}

bool Button2000::SetIcon(HICON icon) {
    icon_.reset();
    icon_size_ = {};
    if (icon) {
        icon_.reset(::CopyIcon(icon));
        if (!icon_) {
            win32::LogFailure(L"CopyIcon", ::GetLastError(), L"Button2000");
            Redraw();
            return false;
        }
        ICONINFO info{};
        if (::GetIconInfo(icon_.get(), &info)) {
            const win32::UniqueGdiObject colour(info.hbmColor), mask(info.hbmMask);
            BITMAP bm{};
            if (::GetObjectW(mask.get(), sizeof bm, &bm)) {
                // A monochrome icon's mask holds the AND and XOR halves one above the other.
                icon_size_ = {bm.bmWidth, info.hbmColor ? bm.bmHeight : bm.bmHeight / 2};
            }
        }
    }
    Redraw();
    return true;
}

void Button2000::OnMouseMove() {
    if (!PointerIsOver()) {
        // The pointer left: the capture that noticed it goes, also after a click, which
        // leaves the normal state behind it. A press keeps its look and the capture until
        // the release.
        if (state_ == Button2000State::Pressed)
            return;
        SetState(Button2000State::Normal);
        if (::GetCapture() == hwnd())
            ::ReleaseCapture();
        return;
    }
    if (::GetCapture() != hwnd())
        ::SetCapture(hwnd());
    if (state_ != Button2000State::Pressed)
        SetState(Button2000State::Over);
}

void Button2000::OnButtonUp() {
    if (!mouse_pressed_)
        return;
    mouse_pressed_ = false;
    const bool over = PointerIsOver();
    SetState(over ? Button2000State::Over : Button2000State::Normal);
    if (!over) {
        double_click_ = false;
        if (::GetCapture() == hwnd())
            ::ReleaseCapture();
        return;
    }
    if (std::exchange(double_click_, false))
        return; // the double click was the notification of this press
    Click();
}

bool Button2000::HandleOwn(UINT message, WPARAM wparam, LPARAM lparam, LRESULT& result) {
    switch (message) {
    case WM_CREATE:
        if (!reinterpret_cast<const CREATESTRUCTW*>(lparam)->lpszName)
            ::SetWindowTextW(hwnd(), kButton2000DefaultCaption);
        return false; // the shared handling goes on
    case WM_MOUSEMOVE:
        OnMouseMove();
        break;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
        ::SetFocus(hwnd());
        ::SetCapture(hwnd());
        mouse_pressed_ = true;
        SetState(Button2000State::Pressed);
        if (message == WM_LBUTTONDBLCLK) {
            double_click_ = true;
            NotifyParent(BN_DOUBLECLICKED);
        }
        break;
    case WM_LBUTTONUP:
        OnButtonUp();
        break;
    case WM_CAPTURECHANGED:
        // Another window took the pointer during a press: it ends without a click.
        if (mouse_pressed_) {
            mouse_pressed_ = double_click_ = false;
            SetState(Button2000State::Normal);
        }
        break;
    case WM_KEYDOWN:
        if (wparam != VK_SPACE)
            return false;
        space_pressed_ = true;
        SetState(Button2000State::Pressed);
        break;
    case WM_KEYUP:
        if (wparam != VK_SPACE || !space_pressed_)
            return false;
        space_pressed_ = false;
        Click();
        break;
    case BM_GETSTATE:
        result =
            (state_ == Button2000State::Pressed ? BST_PUSHED : 0) | (focused() ? BST_FOCUS : 0);
        return true;
    default:
        return false;
    }
    result = 0;
    return true;
}

void Button2000::DrawIcon(HDC dc, int x, int y, int alpha) {
    const HDC prep = icon_surface_.dc();
    const int w = icon_size_.cx;
    const int h = icon_size_.cy;
    // The blended box: the icon, and in the over state one pixel more on each side for the
    // shadow below right and the raised icon above left.
    int bx = x, by = y, bw = w, bh = h;
    if (state_ == Button2000State::Over) {
        win32::UniqueGdiObject shadow(::CreateSolidBrush(kShadowColour));
        ::DrawStateW(prep, static_cast<HBRUSH>(shadow.get()), nullptr,
                     reinterpret_cast<LPARAM>(icon_.get()), 0, x + 1, y + 1, w, h,
                     DST_ICON | DSS_MONO);
        ::DrawStateW(prep, nullptr, nullptr, reinterpret_cast<LPARAM>(icon_.get()), 0, x - 1, y - 1,
                     w, h, DST_ICON | DSS_NORMAL);
        bx -= 1, by -= 1, bw += 2, bh += 2;
    } else {
        ::DrawStateW(prep, nullptr, nullptr, reinterpret_cast<LPARAM>(icon_.get()), 0, x, y, w, h,
                     DST_ICON | DSS_NORMAL);
    }
    const BLENDFUNCTION blend{AC_SRC_OVER, 0, static_cast<BYTE>(alpha), 0};
    if (!::AlphaBlend(dc, bx, by, bw, bh, prep, bx, by, bw, bh, blend)) {
        // Without blending the icon is still shown, opaque.
        win32::LogFailure(L"AlphaBlend", ::GetLastError(), L"Button2000 icon");
        ::BitBlt(dc, bx, by, bw, bh, prep, bx, by, SRCCOPY);
    }
}

void Button2000::Paint(HDC dc, int width, int height) {
    const Button2000ColourSet colours = ColourSetOf(properties_, state_);
    const COLORREF back = Resolve(colours.back);
    FillSolid(dc, 0, 0, width, height, back);

    const HGDIOBJ text_font =
        font() ? static_cast<HGDIOBJ>(font()) : ::GetStockObject(DEFAULT_GUI_FONT);
    win32::SelectedObject selected(dc, text_font);
    const std::wstring caption = Caption();
    SIZE text{};
    if (!caption.empty())
        ::GetTextExtentPoint32W(dc, caption.c_str(), static_cast<int>(caption.size()), &text);
    const bool has_icon = icon_ && icon_size_.cx > 0 && icon_size_.cy > 0;
    const Button2000Layout layout =
        LayOutButton2000(properties_, width, height, has_icon ? icon_size_.cx : 0,
                         has_icon ? icon_size_.cy : 0, text.cx, text.cy);

    if (has_icon && icon_surface_.Fit(dc, width, height)) {
        FillSolid(icon_surface_.dc(), 0, 0, width, height, back);
        DrawIcon(dc, layout.icon.x, layout.icon.y, colours.alpha);
    }
    if (!caption.empty()) {
        ::SetBkMode(dc, TRANSPARENT);
        ::SetTextColor(dc, enabled() ? Resolve(colours.fore) : ::GetSysColor(COLOR_GRAYTEXT));
        ::TextOutW(dc, layout.caption.x, layout.caption.y, caption.c_str(),
                   static_cast<int>(caption.size()));
    }
    // Light edges top and left, dark ones bottom and right (drawn last, they own the
    // corners they share).
    const COLORREF light = Resolve(colours.border);
    const COLORREF dark = Resolve(colours.border_dark);
    FillSolid(dc, 0, 0, width, 1, light);
    FillSolid(dc, 0, 0, 1, height, light);
    FillSolid(dc, 0, height - 1, width, 1, dark);
    FillSolid(dc, width - 1, 0, 1, height, dark);
    if (ShowsFocusCue())
        DrawFocusCue(dc, RECT{3, 3, width - 3, height - 3});
}

Button2000* Button2000Of(HWND hwnd) {
    return ControlOf<Button2000>(hwnd, kButton2000ClassName);
}

} // namespace

bool RegisterButton2000Class(HINSTANCE instance) {
    return RegisterButtonControlClass(instance, kButton2000ClassName, CS_DBLCLKS,
                                      &ButtonControlProcedure<Button2000>);
}

Button2000Properties GetButton2000Properties(HWND button) {
    const Button2000* control = Button2000Of(button);
    return control ? control->properties() : Button2000Properties{};
}

bool SetButton2000Properties(HWND button, const Button2000Properties& properties) {
    Button2000* control = Button2000Of(button);
    if (!control)
        return false;
    control->SetProperties(properties);
    return true;
}

bool SetButton2000Icon(HWND button, HICON icon) {
    Button2000* control = Button2000Of(button);
    return control && control->SetIcon(icon);
}

Button2000State GetButton2000State(HWND button) {
    const Button2000* control = Button2000Of(button);
    return control ? control->state() : Button2000State::Normal;
}

} // namespace controls
