#include "controls/controls_win32.h"

#include "tests/win/win_test_support.h"

#include <gtest/gtest.h>

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
        ASSERT_NE(button2000_, nullptr);
        ASSERT_NE(btn_, nullptr);
    }
    void TearDown() override { DestroyWindow(parent_); }

    HWND MakeChild(const wchar_t* cls, const wchar_t* text, int id, int x, int y) {
        return CreateWindowExW(0, cls, text, WS_CHILD | WS_VISIBLE | WS_TABSTOP, x, y, 120, 40,
                               parent_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                               GetModuleHandleW(nullptr), nullptr);
    }

    static std::wstring TextOf(HWND hwnd) {
        wchar_t text[64] = {};
        GetWindowTextW(hwnd, text, 64);
        return text;
    }

    HWND parent_ = nullptr;
    HWND button2000_ = nullptr;
    HWND btn_ = nullptr;
};

TEST_F(ButtonControls, BehaveAsPushButtonsForTheirContainer) {
    for (HWND control : {button2000_, btn_}) {
        const int id = GetDlgCtrlID(control);
        SetWindowTextW(control, L"Relabelled");
        EXPECT_EQ(TextOf(control), L"Relabelled");

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
    EXPECT_EQ(TextOf(bare), L"Button 2000");
    EXPECT_EQ(std::wstring(BtnVersion()), L"2.0.6");
}

TEST_F(ButtonControls, PropertiesKeepTheirDefaultsUntilSet) {
    const Button2000Properties p = GetButton2000Properties(button2000_);
    EXPECT_EQ(p.Alpha, 190);
    EXPECT_EQ(p.BackColorOver, MakeColour(182, 189, 210));
    EXPECT_EQ(p.BackColorDown, MakeColour(133, 146, 181));
    EXPECT_EQ(p.BorderColorOver, MakeColour(10, 36, 106));
    EXPECT_EQ(p.BackColor, 0x8000000Fu);
    Button2000Properties changed = p;
    changed.ForeColor = MakeColour(1, 2, 3);
    EXPECT_TRUE(SetButton2000Properties(button2000_, changed));
    EXPECT_EQ(GetButton2000Properties(button2000_).ForeColor, MakeColour(1, 2, 3));
    EXPECT_FALSE(SetButton2000Properties(btn_, changed)) << "not a Button2000";

    BtnProperties b = GetBtnProperties(btn_);
    EXPECT_EQ(b.ButtonType, 2);
    EXPECT_EQ(b.MaskColor, 0xC0C0C0u);
    EXPECT_TRUE(b.ShowFocusRect);
    EXPECT_FALSE(b.value);
    b.CheckBoxBehaviour = true;
    EXPECT_TRUE(SetBtnProperties(btn_, b));
    SendMessageW(btn_, BM_CLICK, 0, 0);
    EXPECT_TRUE(BtnValue(btn_));
    SendMessageW(btn_, BM_CLICK, 0, 0);
    EXPECT_FALSE(BtnValue(btn_)) << "two clicks bring value back";
    SetBtnValue(btn_, true);
    EXPECT_EQ(SendMessageW(btn_, BM_GETCHECK, 0, 0), BST_CHECKED);
}

} // namespace
