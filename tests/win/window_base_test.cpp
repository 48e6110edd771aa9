#include "app/win32/window_base.h"

#include <gtest/gtest.h>

namespace {

class ProbeWindow : public win32::WindowBase {
  public:
    bool Create() {
        win32::WindowClassOptions c;
        c.name = L"WandrelProbeWindow";
        win32::WindowOptions w;
        w.style = WS_OVERLAPPED;
        return WindowBase::Create(c, w);
    }
    int created = 0;
    int pings = 0;
    bool gone = false;

  protected:
    LRESULT HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) override {
        if (message == WM_CREATE)
            ++created;
        if (message == WM_APP) {
            ++pings;
            return 42;
        }
        return WindowBase::HandleMessage(message, wparam, lparam);
    }
    void OnWindowGone() override { gone = true; }
};

TEST(WindowBase, MessagesReachTheObjectOnlyWhileItsWindowLives) {
    ProbeWindow window;
    ASSERT_TRUE(window.Create());
    const HWND hwnd = window.hwnd();
    EXPECT_EQ(window.created, 1); // WM_CREATE already reaches the object
    EXPECT_EQ(GetWindowLongPtrW(hwnd, GWLP_USERDATA), reinterpret_cast<LONG_PTR>(&window));
    EXPECT_EQ(SendMessageW(hwnd, WM_APP, 0, 0), 42);

    ProbeWindow second; // the class is registered once and shared
    ASSERT_TRUE(second.Create());
    EXPECT_EQ(SendMessageW(second.hwnd(), WM_APP, 0, 0), 42);
    EXPECT_EQ(window.pings, 1);
    EXPECT_EQ(second.pings, 1);

    DestroyWindow(hwnd); // destroyed from outside
    EXPECT_TRUE(window.gone);
    EXPECT_EQ(window.hwnd(), nullptr);
    EXPECT_FALSE(IsWindow(hwnd));
    ASSERT_TRUE(window.Create()); // the object may own a new window
    EXPECT_EQ(window.created, 2);

    second.Destroy(); // its own destruction messages still reach it
    EXPECT_TRUE(second.gone);

    // An object destroyed first takes its window along: no dangling object behind it.
    HWND orphan;
    {
        ProbeWindow third;
        ASSERT_TRUE(third.Create());
        orphan = third.hwnd();
    }
    EXPECT_FALSE(IsWindow(orphan));
    EXPECT_EQ(SendMessageW(orphan, WM_APP, 0, 0), 0);
}

} // namespace
