#include "base/win32/window_base.h"

#include <gtest/gtest.h>

#include <new>
#include <stdexcept>
#include <vector>

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
    bool throw_when_destroyed = false;

  protected:
    LRESULT HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) override {
        if (message == WM_CREATE)
            ++created;
        if (message == WM_APP) {
            ++pings;
            return 42;
        }
        if (message == WM_APP + 1)
            throw std::runtime_error("probe failure");
        if (message == WM_APP + 2)
            throw std::bad_alloc();
        if (message == WM_APP + 3)
            throw 3;
        if (message == WM_NCDESTROY && throw_when_destroyed)
            throw std::runtime_error("while destroyed");
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

TEST(WindowBase, WhatAHandlerThrowsGoesToTheFailureActionAndTheWindowGoesOn) {
    std::vector<win32::HandlerFailure> failures;
    win32::SetHandlerFailureAction(
        [&](const win32::HandlerFailure& failure) { failures.push_back(failure); });
    ProbeWindow window;
    ASSERT_TRUE(window.Create());
    for (UINT message : {WM_APP + 1, WM_APP + 2, WM_APP + 3})
        EXPECT_EQ(SendMessageW(window.hwnd(), message, 0, 0), 0); // left to DefWindowProcW
    ASSERT_EQ(failures.size(), 3u);
    EXPECT_EQ(failures[0].number, 5);
    EXPECT_EQ(failures[0].description, "probe failure");
    EXPECT_EQ(failures[1].number, 7);
    EXPECT_EQ(failures[1].description, "Out of memory");
    EXPECT_EQ(failures[2].description, "Unknown error");
    EXPECT_EQ(SendMessageW(window.hwnd(), WM_APP, 0, 0), 42);

    // An action that throws as well stays inside the procedure.
    win32::SetHandlerFailureAction([](const win32::HandlerFailure&) { throw 1; });
    EXPECT_EQ(SendMessageW(window.hwnd(), WM_APP + 1, 0, 0), 0);

    // A failure while the window is destroyed still unlinks the object.
    window.throw_when_destroyed = true;
    window.Destroy();
    EXPECT_TRUE(window.gone);
    EXPECT_EQ(window.hwnd(), nullptr);
    win32::SetHandlerFailureAction(nullptr);
}

} // namespace
