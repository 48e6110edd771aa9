// The one dialog pattern of the program, the twin of WindowBase for windows made from a
// dialog template of the resources (laid out in dialog units, so it follows the font and the
// DPI). The shared dialog procedure stores the object in DWLP_USER at WM_INITDIALOG, forwards
// every message to the object's HandleMessage, and clears the link once the dialog is gone.
// No exception leaves the procedure: it goes to the failure action of the window base.
#pragma once

#include <windows.h>

#include <string>

namespace win32 {

class DialogBase {
  public:
    DialogBase() = default;
    // Destroys a modeless dialog that still exists, without its messages reaching this object
    // any more.
    virtual ~DialogBase();
    DialogBase(const DialogBase&) = delete;
    DialogBase& operator=(const DialogBase&) = delete;

    HWND hwnd() const noexcept { return hwnd_; }
    HWND control(int id) const noexcept { return ::GetDlgItem(hwnd_, id); }

    // A modal dialog from the template `template_id` of this module: returns the value passed
    // to EndDialog, or -1 (with GetLastError) when it could not be made.
    INT_PTR RunModal(int template_id, HWND owner);
    // A modeless dialog: the message pump moves the focus between its controls with Tab.
    // False, with GetLastError, when it could not be made.
    bool CreateModeless(int template_id, HWND owner);

    // The modeless dialog whose keyboard navigation the message pump runs for a message to
    // `window` (the dialog itself or one of its controls), or null.
    static HWND ModelessDialogOf(HWND window) noexcept;

  protected:
    // Every message of the dialog, WM_INITDIALOG included; returns what a dialog procedure
    // returns (TRUE when handled). The default handles nothing.
    virtual INT_PTR HandleMessage(UINT message, WPARAM wparam, LPARAM lparam);
    // Called once the dialog is gone (after WM_NCDESTROY); hwnd() is null by then.
    virtual void OnDialogGone() {}

    // The text of the control `id`.
    std::wstring TextOf(int id) const;

  private:
    static INT_PTR CALLBACK DialogProcedure(HWND dialog, UINT message, WPARAM wparam,
                                            LPARAM lparam);
    HWND hwnd_ = nullptr;
    bool modeless_ = false;
};

} // namespace win32
