#include "base/win32/dialog_base.h"
#include "base/win32/message_pump.h"
#include "base/win32/unique_handle.h"
#include "base/win32/window_base.h"
#include "resources/dialog_resources.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <vector>

namespace {

// A dialog from the input box's template.
class ProbeDialog : public win32::DialogBase {
  public:
    int inits = 0;
    int pings = 0;
    bool gone = false;
    bool end_at_once = false;

  protected:
    INT_PTR HandleMessage(UINT message, WPARAM, LPARAM) override {
        switch (message) {
        case WM_INITDIALOG:
            ++inits;
            if (end_at_once)
                PostMessageW(hwnd(), WM_APP + 2, 0, 0);
            return TRUE;
        case WM_APP:
            ++pings;
            return TRUE;
        case WM_APP + 1:
            throw std::runtime_error("dialog failure");
        case WM_APP + 2:
            EndDialog(hwnd(), 7);
            return TRUE;
        }
        return FALSE;
    }
    void OnDialogGone() override { gone = true; }
};

class CountingSubclass : public win32::ControlSubclass {
  public:
    int swallowed = 0;

  protected:
    bool HandleMessage(UINT message, WPARAM wparam, LPARAM, LRESULT& result) override {
        if (message == WM_CHAR && wparam == 'x') {
            ++swallowed;
            result = 0;
            return true;
        }
        if (message == WM_CHAR && wparam == '!')
            throw std::runtime_error("subclass failure");
        return false;
    }
};

TEST(DialogBase, ModelessDialogLinkedFromInitDialogUntilItIsGone) {
    std::vector<win32::HandlerFailure> failures;
    win32::SetHandlerFailureAction(
        [&](const win32::HandlerFailure& failure) { failures.push_back(failure); });
    ProbeDialog dialog;
    ASSERT_TRUE(dialog.CreateModeless(IDD_INPUT_BOX, nullptr));
    const HWND hwnd = dialog.hwnd();
    EXPECT_EQ(dialog.inits, 1);
    EXPECT_EQ(GetWindowLongPtrW(hwnd, DWLP_USER), reinterpret_cast<LONG_PTR>(&dialog));
    // The message pump runs Tab for a message to the dialog or any of its controls.
    EXPECT_EQ(win32::DialogBase::ModelessDialogOf(dialog.control(IDC_INPUT_EDIT)), hwnd);
    EXPECT_EQ(win32::DialogBase::ModelessDialogOf(hwnd), hwnd);
    EXPECT_EQ(win32::DialogBase::ModelessDialogOf(GetDesktopWindow()), nullptr);

    SendMessageW(hwnd, WM_APP, 0, 0);
    SendMessageW(hwnd, WM_APP + 1, 0, 0); // caught, reported, the dialog goes on
    SendMessageW(hwnd, WM_APP, 0, 0);
    EXPECT_EQ(dialog.pings, 2);
    ASSERT_EQ(failures.size(), 1u);
    EXPECT_EQ(failures[0].description, "dialog failure");

    // Enter on the window base's pattern for a control of the dialog.
    CountingSubclass edit;
    ASSERT_TRUE(edit.Attach(dialog.control(IDC_INPUT_EDIT)));
    SendMessageW(edit.control(), WM_CHAR, 'x', 1);
    SendMessageW(edit.control(), WM_CHAR, 'y', 1);
    SendMessageW(edit.control(), WM_CHAR, '!', 1);
    EXPECT_EQ(edit.swallowed, 1);
    wchar_t text[16] = {};
    GetWindowTextW(edit.control(), text, 16);
    // What the subclass leaves, or fails on, reaches the control.
    EXPECT_STREQ(text, L"y!");
    EXPECT_EQ(failures.size(), 2u);

    DestroyWindow(hwnd); // destroyed from outside
    EXPECT_TRUE(dialog.gone);
    EXPECT_EQ(dialog.hwnd(), nullptr);
    EXPECT_EQ(edit.control(), nullptr); // the subclass let go with its control
    EXPECT_EQ(win32::DialogBase::ModelessDialogOf(hwnd), nullptr);

    // An object destroyed first takes its dialog along.
    HWND orphan;
    {
        ProbeDialog second;
        ASSERT_TRUE(second.CreateModeless(IDD_INPUT_BOX, nullptr));
        orphan = second.hwnd();
    }
    EXPECT_FALSE(IsWindow(orphan));
    win32::SetHandlerFailureAction(nullptr);
}

TEST(DialogBase, ModalDialogReturnsWhatItEndsWith) {
    ProbeDialog dialog;
    dialog.end_at_once = true;
    EXPECT_EQ(dialog.RunModal(IDD_INPUT_BOX, nullptr), 7);
    EXPECT_EQ(dialog.inits, 1);
    EXPECT_TRUE(dialog.gone);
    EXPECT_EQ(dialog.RunModal(9999, nullptr), -1); // no such template
}

// A nested pump, or a wait that pumps, handles what waits and leaves WM_QUIT for the main
// loop.
TEST(MessagePump, NestedPumpsKeepQuitForTheMainLoop) {
    ProbeDialog dialog;
    ASSERT_TRUE(dialog.CreateModeless(IDD_INPUT_BOX, nullptr));
    PostQuitMessage(5);
    PostMessageW(dialog.hwnd(), WM_APP, 0, 0);
    win32::ProcessPendingMessages();
    EXPECT_EQ(dialog.pings, 1);
    win32::UniqueHandleKernel never(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    EXPECT_FALSE(win32::WaitPumpingMessages(never.get(), 50));
    EXPECT_EQ(win32::RunMessageLoop(), 5);
}

} // namespace
