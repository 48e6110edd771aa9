#include "controls/controls_win32.h"
#include "controls/button_control_win32.h"

#include "base/win32/unique_handle.h"
#include "tests/win/win_test_support.h"

#include <oleacc.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <initializer_list>
#include <string>
#include <vector>

namespace {

using namespace controls;

// The notifications the parent window received, as (control id, code).
std::vector<std::pair<int, int>>& Notifications() {
    static std::vector<std::pair<int, int>> received;
    return received;
}

LRESULT CALLBACK ParentProcedure(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_COMMAND && lparam)
        Notifications().emplace_back(LOWORD(wparam), HIWORD(wparam));
    return DefWindowProcW(hwnd, message, wparam, lparam);
}

int ClicksOf(int id, int code = BN_CLICKED) {
    int n = 0;
    for (const auto& [from, what] : Notifications())
        n += from == id && what == code;
    return n;
}

bool Pushed(HWND control) {
    return (SendMessageW(control, BM_GETSTATE, 0, 0) & BST_PUSHED) != 0;
}

// A Button2000 "Inputs" and a btn "&Save", each 120 x 40, on a plain parent window.
class ButtonControls : public ::testing::Test {
  protected:
    static constexpr int kButton2000Id = 101;
    static constexpr int kBtnId = 102;

    void SetUp() override {
        Notifications().clear();
        ASSERT_TRUE(RegisterControlClasses(GetModuleHandleW(nullptr)));
        WNDCLASSW wc{};
        wc.lpfnWndProc = ParentProcedure;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        wc.lpszClassName = L"WandrelButtonTestParent";
        RegisterClassW(&wc);
        parent_ = CreateWindowExW(0, wc.lpszClassName, L"Buttons", WS_POPUP | WS_VISIBLE, 40, 40,
                                  400, 200, nullptr, nullptr, wc.hInstance, nullptr);
        ASSERT_NE(parent_, nullptr);
        button2000_ = MakeChild(kButton2000ClassName, L"Inputs", kButton2000Id, 10, 10);
        btn_ = MakeChild(kBtnClassName, L"&Save", kBtnId, 10, 60);
        ASSERT_TRUE(button2000_ && btn_);
    }
    void TearDown() override { DestroyWindow(parent_); }

    HWND MakeChild(const wchar_t* cls, const wchar_t* text, int id, int x, int y) {
        return CreateWindowExW(0, cls, text, WS_CHILD | WS_VISIBLE | WS_TABSTOP, x, y, 120, 40,
                               parent_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                               GetModuleHandleW(nullptr), nullptr);
    }

    // Puts the pointer on the client point (x, y) of `control` (or outside it) and tells
    // the control the pointer moved there with `keys` held.
    static void PointerTo(HWND control, int x, int y, WPARAM keys = 0) {
        POINT p{x, y};
        ClientToScreen(control, &p);
        ASSERT_TRUE(PlacePointer(p));
        Mouse(control, WM_MOUSEMOVE, x, y, keys);
    }
    // Wine warps the X pointer only while no other X client grabs it, and its own moves come
    // back as mouse messages: those are dropped, the tests say what the buttons hold. Wine
    // answers GetCursorPos from its own record for 100 ms after a move and from the X server
    // after that: the place counts once the X server has it too.
    static bool PlacePointer(POINT to) {
        const ULONGLONG deadline = GetTickCount64() + 10000;
        ULONGLONG moved = GetTickCount64();
        SetCursorPos(to.x, to.y);
        for (;;) {
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
            MSG msg;
            while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
                if (msg.message < WM_MOUSEFIRST || msg.message > WM_MOUSELAST)
                    DispatchMessageW(&msg);
            POINT at{};
            GetCursorPos(&at);
            const bool there = at.x == to.x && at.y == to.y;
            if (there && GetTickCount64() - moved > 150)
                return true;
            if (GetTickCount64() > deadline)
                return false;
            if (!there) {
                SetCursorPos(to.x, to.y);
                moved = GetTickCount64();
            }
        }
    }
    static void Mouse(HWND control, UINT message, int x, int y, WPARAM keys = 0) {
        SendMessageW(control, message, keys, MAKELPARAM(x, y));
    }

    HWND parent_ = nullptr;
    HWND button2000_ = nullptr;
    HWND btn_ = nullptr;
};

// The tests that move the pointer or inject input run alone (see the Windows CMake file).
class ButtonControlsUnderPointer : public ButtonControls {
  protected:
    void SetUp() override {
        ASSERT_TRUE(lock_.held());
        ButtonControls::SetUp();
    }
    void TearDown() override {
        PlacePointer({5, 5});
        ButtonControls::TearDown();
    }
    wintest::InputLock lock_;
};

// The drawing of a control as WM_PRINTCLIENT gives it, read back pixel by pixel.
class Drawing {
  public:
    explicit Drawing(HWND control) {
        RECT r{};
        GetClientRect(control, &r);
        const HDC screen = GetDC(nullptr);
        bitmap_.reset(CreateCompatibleBitmap(screen, r.right, r.bottom));
        dc_.reset(CreateCompatibleDC(screen));
        ReleaseDC(nullptr, screen);
        SelectObject(dc_.get(), bitmap_.get());
        SendMessageW(control, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc_.get()), PRF_CLIENT);
    }
    COLORREF At(int x, int y) const { return GetPixel(dc_.get(), x, y); }
    bool Holds(COLORREF colour, RECT box) const {
        for (int y = box.top; y < box.bottom; ++y)
            for (int x = box.left; x < box.right; ++x)
                if (At(x, y) == colour)
                    return true;
        return false;
    }

  private:
    win32::UniqueGdiObject bitmap_; // outlives the DC it is selected into
    UniqueMemoryDc dc_;
};

constexpr RECT kCaptionBox{20, 4, 100, 36};

std::string Hex(COLORREF c) {
    char text[16];
    snprintf(text, sizeof text, "%02X,%02X,%02X", GetRValue(c), GetGValue(c), GetBValue(c));
    return text;
}

struct Pixel {
    int x;
    int y;
    COLORREF colour;
    const char* what;
};
void ExpectPixels(const Drawing& drawing, std::initializer_list<Pixel> pixels) {
    for (const Pixel& p : pixels)
        EXPECT_EQ(Hex(drawing.At(p.x, p.y)), Hex(p.colour))
            << p.what << " at (" << p.x << ", " << p.y << ")";
}

TEST_F(ButtonControls, BehaveAsPushButtonsForTheirContainer) {
    for (HWND control : {button2000_, btn_}) {
        const int id = GetDlgCtrlID(control);
        wchar_t text[32] = {};
        SetWindowTextW(control, L"Relabelled");
        GetWindowTextW(control, text, 32);
        EXPECT_STREQ(text, L"Relabelled");
        const LRESULT code = SendMessageW(control, WM_GETDLGCODE, 0, 0);
        EXPECT_TRUE(code & DLGC_UNDEFPUSHBUTTON);
        EXPECT_TRUE(code & DLGC_BUTTON); // so the dialog manager clicks it on its access key
        SendMessageW(control, BM_CLICK, 0, 0);
        EXPECT_EQ(ClicksOf(id), 1);
        EnableWindow(control, FALSE);
        SendMessageW(control, BM_CLICK, 0, 0);
        EXPECT_EQ(ClicksOf(id), 1) << "a disabled button raises nothing";
        EnableWindow(control, TRUE);
        const HFONT font = static_cast<HFONT>(GetStockObject(ANSI_VAR_FONT));
        SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
        EXPECT_EQ(reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0)), font);
    }
    // Made without any text, Button2000 shows its own default caption.
    const HWND bare = CreateWindowExW(0, kButton2000ClassName, nullptr, WS_CHILD, 0, 0, 50, 20,
                                      parent_, nullptr, GetModuleHandleW(nullptr), nullptr);
    wchar_t text[32] = {};
    GetWindowTextW(bare, text, 32);
    EXPECT_STREQ(text, L"Button 2000");

    // Properties are set on their own class only; with CheckBoxBehaviour two clicks bring
    // `value` back to false.
    EXPECT_FALSE(SetButton2000Properties(btn_, GetButton2000Properties(button2000_)));
    EXPECT_FALSE(SetBtnProperties(button2000_, GetBtnProperties(btn_)));
    BtnProperties b = GetBtnProperties(btn_);
    b.CheckBoxBehaviour = true;
    ASSERT_TRUE(SetBtnProperties(btn_, b));
    SendMessageW(btn_, BM_CLICK, 0, 0);
    EXPECT_TRUE(BtnValue(btn_));
    EXPECT_EQ(SendMessageW(btn_, BM_GETCHECK, 0, 0), BST_CHECKED);
    SendMessageW(btn_, BM_CLICK, 0, 0);
    EXPECT_FALSE(BtnValue(btn_));
}

// Body colour (200, 210, 220) on a 120 x 40 button: every colour below is worked out by hand
// from the drawing rules of style 14 (the highlight: c x 85 / 255 + 170).
TEST_F(ButtonControls, BtnDrawsStyle14InEachLook) {
    BtnProperties p = GetBtnProperties(btn_);
    p.ButtonType = 14;
    p.BackColor = p.BackOver = MakeColour(200, 210, 220);
    p.forecolor = MakeColour(0, 0, 128);
    ASSERT_TRUE(SetBtnProperties(btn_, p));
    SetFocus(parent_);
    const Drawing normal(btn_);
    // Row 10 of 40: 58 x 10 / 40 = 14.5, which goes to the even 14; row 31: 44.95 -> 45.
    ExpectPixels(normal, {{60, 0, RGB(150, 160, 170), "outer frame, -50"},
                          {119, 20, RGB(150, 160, 170), "outer frame, -50"},
                          {60, 1, RGB(191, 201, 211), "inner frame, -9"},
                          {60, 2, RGB(236, 240, 243), "highlight band"},
                          {2, 20, RGB(200, 210, 220), "band in the base colour"},
                          {8, 9, RGB(186, 196, 206), "gradient row 10"},
                          {8, 30, RGB(155, 165, 175), "gradient row 31"}});
    EXPECT_TRUE(normal.Holds(RGB(0, 0, 128), kCaptionBox)) << "the caption";

    // Pressed (Space held): body -9, frame -48, lines two pixels inside bottom and right.
    SetFocus(btn_);
    SendMessageW(btn_, WM_KEYDOWN, VK_SPACE, 0);
    EXPECT_TRUE(Pushed(btn_));
    ExpectPixels(Drawing(btn_), {{8, 9, RGB(191, 201, 211), "body, -9"},
                                 {0, 20, RGB(152, 162, 172), "frame, -48"},
                                 {60, 37, RGB(236, 240, 243), "line inside the bottom"},
                                 {117, 20, RGB(236, 240, 243), "line inside the right"}});
    SendMessageW(btn_, WM_KEYUP, VK_SPACE, 0);

    // Focused with ShowFocusRect: a dotted rectangle 4 pixels in; without it, the gradient.
    EXPECT_EQ(GetFocus(), btn_);
    const Drawing focused(btn_);
    bool dotted = false; // the dots of the focus rectangle down its left side
    for (int y = 5; y < 35; ++y)
        dotted = dotted || focused.At(4, y) != normal.At(4, y);
    EXPECT_TRUE(dotted);
    p.ShowFocusRect = false;
    SetBtnProperties(btn_, p);
    EXPECT_EQ(Hex(Drawing(btn_).At(4, 20)), Hex(normal.At(4, 20)));
}

// Button2000 with its default colours, no icon: normal, then pressed (Space held).
TEST_F(ButtonControls, Button2000DrawsEachStateInItsColours) {
    SetFocus(parent_);
    const Drawing normal(button2000_);
    ExpectPixels(normal, {{20, 10, GetSysColor(COLOR_BTNFACE), "background"},
                          {60, 0, RGB(0, 0, 0), "light border"},
                          {60, 39, RGB(0, 0, 0), "dark border"}});
    EXPECT_TRUE(normal.Holds(RGB(0, 0, 0), kCaptionBox)) << "the caption";
    SetFocus(button2000_);
    SendMessageW(button2000_, WM_KEYDOWN, VK_SPACE, 0);
    const Drawing pressed(button2000_);
    ExpectPixels(pressed, {{20, 10, RGB(133, 146, 181), "background"},
                           {0, 20, RGB(10, 36, 106), "light border"},
                           {119, 20, RGB(10, 36, 106), "dark border"}});
    EXPECT_TRUE(pressed.Holds(RGB(255, 255, 255), kCaptionBox)) << "white caption";
    SendMessageW(button2000_, WM_KEYUP, VK_SPACE, 0);
    EXPECT_EQ(ClicksOf(kButton2000Id), 1);

    // Disabled: the captions grey.
    for (HWND control : {button2000_, btn_}) {
        EnableWindow(control, FALSE);
        EXPECT_TRUE(Drawing(control).Holds(GetSysColor(COLOR_GRAYTEXT), kCaptionBox));
    }
}

// Under the pointer each control shows its over (hover) look, the pressed look while the left
// button is held on it, and the normal look off it; a release on it is one click, and once
// the pointer is off nothing holds the capture. btn with body (200, 210, 220), its gradient
// row 10 of 40: -14 normal, half the depth hovered (7.25 -> -7), the pressed body -9; dragged
// off it looks normal. Button2000: its default backgrounds; dragged off it stays pressed.
TEST_F(ButtonControlsUnderPointer, LooksFollowThePointer) {
    BtnProperties p = GetBtnProperties(btn_);
    p.BackColor = p.BackOver = MakeColour(200, 210, 220);
    ASSERT_TRUE(SetBtnProperties(btn_, p));
    const COLORREF face = GetSysColor(COLOR_BTNFACE);
    const COLORREF over = RGB(182, 189, 210), down = RGB(133, 146, 181);
    const COLORREF row = RGB(186, 196, 206), hover_row = RGB(193, 203, 213);
    struct Case {
        HWND control;
        POINT pixel;
        COLORREF normal, over, pressed, dragged_off, after_click;
    };
    const Case cases[] = {
        {button2000_, {20, 10}, face, over, down, down, face},
        {btn_, {8, 9}, row, hover_row, RGB(191, 201, 211), row, hover_row},
    };
    SetFocus(parent_);
    for (const Case& c : cases) {
        const auto look = [&] { return Hex(Drawing(c.control).At(c.pixel.x, c.pixel.y)); };
        PointerTo(c.control, 60, 20);
        EXPECT_EQ(look(), Hex(c.over));
        Mouse(c.control, WM_LBUTTONDOWN, 60, 20, MK_LBUTTON);
        EXPECT_EQ(look(), Hex(c.pressed));
        EXPECT_EQ(GetCapture(), c.control);
        PointerTo(c.control, 300, 20, MK_LBUTTON);
        EXPECT_EQ(look(), Hex(c.dragged_off));
        PointerTo(c.control, 60, 20, MK_LBUTTON);
        EXPECT_EQ(look(), Hex(c.pressed)) << "back on";
        Mouse(c.control, WM_LBUTTONUP, 60, 20);
        EXPECT_EQ(ClicksOf(GetDlgCtrlID(c.control)), 1);
        EXPECT_EQ(look(), Hex(c.after_click));
        PointerTo(c.control, 300, 20);
        EXPECT_EQ(look(), Hex(c.normal));
        EXPECT_EQ(GetCapture(), nullptr);
    }

    // Button2000 holds the capture while the pointer is on it, so that leaving is noticed.
    PointerTo(button2000_, 60, 20);
    EXPECT_EQ(GetCapture(), button2000_);
    EXPECT_EQ(Hex(Drawing(button2000_).At(119, 20)), Hex(RGB(10, 36, 106))) << "over border";
    // A double click: one double-click notification, no second click.
    Mouse(button2000_, WM_LBUTTONDBLCLK, 60, 20, MK_LBUTTON);
    Mouse(button2000_, WM_LBUTTONUP, 60, 20);
    EXPECT_EQ(ClicksOf(kButton2000Id), 1);
    EXPECT_EQ(ClicksOf(kButton2000Id, BN_DOUBLECLICKED), 1);

    // btn: leaving sends it nothing, its timer notices; the right button never presses it.
    PointerTo(btn_, 60, 20);
    ASSERT_TRUE(PlacePointer({5, 5}));
    EXPECT_TRUE(wintest::PumpUntil([&] { return Drawing(btn_).At(8, 9) == row; }, 3000));
    PointerTo(btn_, 60, 20);
    Mouse(btn_, WM_RBUTTONDOWN, 60, 20, MK_RBUTTON);
    EXPECT_FALSE(Pushed(btn_));
    Mouse(btn_, WM_RBUTTONUP, 60, 20);
    EXPECT_EQ(ClicksOf(kBtnId), 1);
}

TEST_F(ButtonControls, BtnKeyboard) {
    const HWND third = CreateWindowExW(0, L"BUTTON", L"Other", WS_CHILD | WS_VISIBLE | WS_TABSTOP,
                                       200, 10, 80, 30, parent_, nullptr, nullptr, nullptr);
    SetFocus(btn_);
    // Space down and up: one click. Space released after another key: none.
    SendMessageW(btn_, WM_KEYDOWN, VK_SPACE, 0);
    SendMessageW(btn_, WM_KEYUP, VK_SPACE, 0);
    EXPECT_EQ(ClicksOf(kBtnId), 1);
    SendMessageW(btn_, WM_KEYDOWN, VK_SPACE, 0);
    SendMessageW(btn_, WM_KEYDOWN, 'A', 0);
    SendMessageW(btn_, WM_KEYUP, VK_SPACE, 0);
    EXPECT_EQ(ClicksOf(kBtnId), 1);

    // Arrows move the focus in Tab order: Button2000, btn, the standard button.
    SendMessageW(btn_, WM_KEYDOWN, VK_RIGHT, 0);
    EXPECT_EQ(GetFocus(), third);
    SetFocus(btn_);
    SendMessageW(btn_, WM_KEYDOWN, VK_UP, 0);
    EXPECT_EQ(GetFocus(), button2000_);

    // The access key of "&Save", through the dialog manager; none once disabled.
    SetFocus(third);
    MSG key{third, WM_CHAR, 's', 0, 0, {}};
    EXPECT_TRUE(IsDialogMessageW(parent_, &key));
    EXPECT_EQ(ClicksOf(kBtnId), 2);
    EnableWindow(btn_, FALSE);
    IsDialogMessageW(parent_, &key);
    EXPECT_EQ(ClicksOf(kBtnId), 2) << "disabled";
}

// The whole chain once, with input through the X server (each button held 50 ms): a click
// reaches the parent, a press dragged off and released outside does not. A click on a
// standard button afterwards marks the end of the events before it.
TEST_F(ButtonControlsUnderPointer, RealInputClicksOnlyWhenReleasedOnTheButton) {
    if (!wintest::XdotoolAvailable())
        GTEST_SKIP() << "xdotool is only reachable under Wine";
    const HWND marker =
        CreateWindowExW(0, L"BUTTON", L"Marker", WS_CHILD | WS_VISIBLE, 250, 120, 80, 30, parent_,
                        reinterpret_cast<HMENU>(103), nullptr, nullptr);
    SetForegroundWindow(parent_);
    const auto at = [](HWND window, int x, int y) {
        POINT p{x, y};
        ClientToScreen(window, &p);
        return std::to_wstring(p.x) + L" " + std::to_wstring(p.y);
    };
    const std::wstring hold = L" mousedown 1 sleep 0.05 ";
    int markers = 0;
    for (HWND control : {button2000_, btn_}) {
        const int id = GetDlgCtrlID(control);
        ASSERT_TRUE(wintest::RunXdotool(L"mousemove " + at(control, 60, 20) + hold + L"mouseup 1"));
        EXPECT_TRUE(wintest::PumpUntil([&] { return ClicksOf(id) == 1; }));
        ASSERT_TRUE(wintest::RunXdotool(L"mousemove " + at(control, 50, 15) + hold + L"mousemove " +
                                        at(control, 300, 20) + L" sleep 0.05 mouseup 1 mousemove " +
                                        at(marker, 40, 15) + hold + L"mouseup 1"));
        ++markers;
        EXPECT_TRUE(wintest::PumpUntil([&] { return ClicksOf(103) == markers; }));
        EXPECT_EQ(ClicksOf(id), 1);
    }
    EXPECT_EQ(GetButton2000State(button2000_), Button2000State::Normal);
}

// A 16 x 16 icon of one colour, every pixel opaque.
HICON SolidIcon(COLORREF colour) {
    const std::vector<BYTE> and_mask(32, 0);
    const std::vector<uint32_t> pixels(256, GetRValue(colour) << 16 | GetGValue(colour) << 8 |
                                                GetBValue(colour));
    return CreateIcon(nullptr, 16, 16, 1, 32, and_mask.data(),
                      reinterpret_cast<const BYTE*>(pixels.data()));
}

TEST_F(ButtonControlsUnderPointer, Button2000BlendsItsIcon) {
    Button2000Properties p = GetButton2000Properties(button2000_);
    p.BackColor = MakeColour(0, 0, 255);
    ASSERT_TRUE(SetButton2000Properties(button2000_, p));
    const HICON icon = SolidIcon(RGB(255, 0, 0));
    ASSERT_TRUE(SetButton2000Icon(button2000_, icon));
    DestroyIcon(icon); // the control keeps its own copy
    SetFocus(parent_);
    // First element at 3 from the left and from the bottom: (3, 21) to (19, 37).
    // Alpha 190: red 255 x 190 / 255, blue 255 x 65 / 255, give or take the rounding.
    const COLORREF faded = Drawing(button2000_).At(10, 28);
    EXPECT_NEAR(GetRValue(faded), 190, 1);
    EXPECT_EQ(GetGValue(faded), 0);
    EXPECT_NEAR(GetBValue(faded), 65, 1);
    p.Alpha = 255;
    SetButton2000Properties(button2000_, p);
    EXPECT_EQ(Hex(Drawing(button2000_).At(10, 28)), Hex(RGB(255, 0, 0)));

    // Over: the icon one pixel up and left, its grey silhouette one pixel down and right.
    PointerTo(button2000_, 60, 10);
    ExpectPixels(Drawing(button2000_), {{2, 20, RGB(255, 0, 0), "raised icon"},
                                        {10, 28, RGB(255, 0, 0), "raised icon"},
                                        {19, 37, RGB(136, 141, 157), "silhouette"}});
    PointerTo(button2000_, 300, 20);
}

TEST_F(ButtonControls, AccessibilityToolsSeeAPushButtonNamedByItsCaption) {
    win32::ComInit com;
    const auto text = [](BSTR b) {
        const std::wstring t = b ? b : L"";
        SysFreeString(b);
        return t;
    };
    for (HWND control : {button2000_, btn_}) {
        IAccessible* accessible = nullptr;
        ASSERT_EQ(AccessibleObjectFromWindow(control, static_cast<DWORD>(OBJID_CLIENT),
                                             __uuidof(IAccessible),
                                             reinterpret_cast<void**>(&accessible)),
                  S_OK);
        VARIANT self{};
        self.vt = VT_I4;
        self.lVal = CHILDID_SELF;
        BSTR name = nullptr, shortcut = nullptr;
        VARIANT role{};
        EXPECT_EQ(accessible->get_accName(self, &name), S_OK);
        accessible->get_accKeyboardShortcut(self, &shortcut);
        EXPECT_EQ(accessible->get_accRole(self, &role), S_OK);
        EXPECT_EQ(text(name), control == btn_ ? L"Save" : L"Inputs");
        EXPECT_EQ(text(shortcut), control == btn_ ? L"Alt+S" : L"");
        EXPECT_TRUE(role.vt == VT_I4 && role.lVal == ROLE_SYSTEM_PUSHBUTTON);
        EXPECT_EQ(accessible->accDoDefaultAction(self), S_OK);
        EXPECT_TRUE(wintest::PumpUntil([&] { return ClicksOf(GetDlgCtrlID(control)) == 1; }));
        accessible->Release();
    }
}

// Messages no container sends in earnest: the controls stay whole, and answer afterwards.
TEST_F(ButtonControls, SurviveHostileMessages) {
    for (HWND control : {button2000_, btn_}) {
        SendMessageW(control, WM_SETTEXT, 0, 0);
        SendMessageW(control, WM_SETFONT, 0x1234, TRUE);
        SendMessageW(control, WM_PRINTCLIENT, 0, PRF_CLIENT);
        SendMessageW(control, WM_PRINTCLIENT, 0x5678, PRF_CLIENT);
        SendMessageW(control, WM_GETOBJECT, 0, 12345);
        SendMessageW(control, WM_LBUTTONUP, 0, MAKELPARAM(-5, -70));
        SendMessageW(control, WM_KEYUP, VK_SPACE, 0);
        SendMessageW(control, BM_SETSTYLE, 0xFFFF, TRUE);
        for (const SIZE size : {SIZE{0, 0}, SIZE{3, 2}}) {
            SetWindowPos(control, nullptr, 0, 0, size.cx, size.cy, SWP_NOMOVE | SWP_NOZORDER);
            Drawing{control};
        }
        SetWindowTextW(control, std::wstring(100000, L'&').c_str());
        Drawing{control};
        EXPECT_EQ(GetWindowTextLengthW(control), 100000);
    }
    EXPECT_EQ(Notifications().size(), 0u);
}

// The btn's window region: its frame without the four corner pixels, at every size.
TEST_F(ButtonControls, BtnRegionFollowsItsSize) {
    const auto inside = [&](int x, int y) {
        const win32::UniqueGdiObject region(CreateRectRgn(0, 0, 0, 0));
        return GetWindowRgn(btn_, static_cast<HRGN>(region.get())) != ERROR &&
               PtInRegion(static_cast<HRGN>(region.get()), x, y);
    };
    EXPECT_TRUE(!inside(0, 0) && inside(1, 0) && inside(119, 38) && !inside(119, 39));
    SetWindowPos(btn_, nullptr, 0, 0, 60, 20, SWP_NOMOVE | SWP_NOZORDER);
    EXPECT_TRUE(inside(58, 19) && !inside(59, 19) && !inside(70, 10));
}

} // namespace
