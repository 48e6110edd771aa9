#include "base/win32/dialog_base.h"

#include "base/win32/window_base.h"

#include <algorithm>
#include <string>
#include <vector>

namespace win32 {

namespace {

std::vector<HWND>& ModelessDialogs() {
    static std::vector<HWND> dialogs;
    return dialogs;
}

void Forget(HWND dialog) {
    auto& dialogs = ModelessDialogs();
    dialogs.erase(std::remove(dialogs.begin(), dialogs.end(), dialog), dialogs.end());
}

} // namespace

DialogBase::~DialogBase() {
    if (!hwnd_)
        return;
    const HWND dialog = hwnd_;
    // The derived part is gone already: unlinked first, the destruction messages go nowhere.
    ::SetWindowLongPtrW(dialog, DWLP_USER, 0);
    hwnd_ = nullptr;
    Forget(dialog);
    if (modeless_)
        ::DestroyWindow(dialog);
}

INT_PTR DialogBase::RunModal(int template_id, HWND owner) {
    if (hwnd_)
        return -1;
    modeless_ = false;
    return ::DialogBoxParamW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(template_id), owner,
                             &DialogBase::DialogProcedure, reinterpret_cast<LPARAM>(this));
}

bool DialogBase::CreateModeless(int template_id, HWND owner) {
    if (hwnd_)
        return false;
    modeless_ = true;
    const HWND dialog =
        ::CreateDialogParamW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(template_id), owner,
                             &DialogBase::DialogProcedure, reinterpret_cast<LPARAM>(this));
    if (!dialog)
        return false;
    ModelessDialogs().push_back(dialog);
    return true;
}

HWND DialogBase::ModelessDialogOf(HWND window) noexcept {
    if (!window)
        return nullptr;
    const HWND root = ::GetAncestor(window, GA_ROOT);
    const auto& dialogs = ModelessDialogs();
    return std::find(dialogs.begin(), dialogs.end(), root) != dialogs.end() ? root : nullptr;
}

INT_PTR DialogBase::HandleMessage(UINT, WPARAM, LPARAM) {
    return FALSE;
}

std::wstring DialogBase::TextOf(int id) const {
    return WindowTextOf(control(id));
}

INT_PTR CALLBACK DialogBase::DialogProcedure(HWND dialog, UINT message, WPARAM wparam,
                                             LPARAM lparam) {
    DialogBase* self;
    if (message == WM_INITDIALOG) {
        self = reinterpret_cast<DialogBase*>(lparam);
        self->hwnd_ = dialog;
        ::SetWindowLongPtrW(dialog, DWLP_USER, lparam);
    } else {
        self = reinterpret_cast<DialogBase*>(::GetWindowLongPtrW(dialog, DWLP_USER));
    }
    if (!self) // messages before WM_INITDIALOG, or after the object let go of its dialog
        return FALSE;

    INT_PTR result = FALSE;
    if (!RunGuarded([&] { result = self->HandleMessage(message, wparam, lparam); }))
        result = FALSE;
    if (message == WM_NCDESTROY) {
        ::SetWindowLongPtrW(dialog, DWLP_USER, 0);
        Forget(dialog);
        self->hwnd_ = nullptr;
        RunGuarded([self] { self->OnDialogGone(); });
    }
    return result;
}

} // namespace win32
