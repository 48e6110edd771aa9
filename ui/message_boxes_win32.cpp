#include "ui/message_boxes_win32.h"

#include "base/win32/dialog_base.h"
#include "resources/dialog_resources.h"

namespace win32 {

namespace {

class InputBoxDialog : public DialogBase {
  public:
    InputBoxDialog(const std::wstring& prompt, const std::wstring& title,
                   const std::wstring& initial)
        : prompt_(prompt), title_(title), initial_(initial) {}
    const std::wstring& answer() const { return answer_; }

  protected:
    INT_PTR HandleMessage(UINT message, WPARAM wparam, LPARAM) override {
        switch (message) {
        case WM_INITDIALOG:
            SetWindowTextW(hwnd(), title_.c_str());
            SetDlgItemTextW(hwnd(), IDC_INPUT_PROMPT, prompt_.c_str());
            SetDlgItemTextW(hwnd(), IDC_INPUT_EDIT, initial_.c_str());
            SendDlgItemMessageW(hwnd(), IDC_INPUT_EDIT, EM_SETSEL, 0, -1);
            SetFocus(control(IDC_INPUT_EDIT));
            return FALSE; // focus set here
        case WM_COMMAND:
            if (LOWORD(wparam) == IDOK) {
                answer_ = TextOf(IDC_INPUT_EDIT);
                EndDialog(hwnd(), IDOK);
                return TRUE;
            }
            if (LOWORD(wparam) == IDCANCEL) {
                EndDialog(hwnd(), IDCANCEL);
                return TRUE;
            }
            break;
        }
        return FALSE;
    }

  private:
    const std::wstring& prompt_;
    const std::wstring& title_;
    const std::wstring& initial_;
    std::wstring answer_;
};

} // namespace

std::optional<std::wstring> InputBox(HWND owner, const std::wstring& prompt,
                                     const std::wstring& title, const std::wstring& initial) {
    InputBoxDialog box(prompt, title, initial);
    if (box.RunModal(IDD_INPUT_BOX, owner) != IDOK)
        return std::nullopt;
    return box.answer();
}

MessageAnswer MessageBoxMessages::Show(const std::wstring& text, const std::wstring& title,
                                       MessageButtons buttons, MessageIcon icon) {
    UINT flags = 0;
    switch (buttons) {
    case MessageButtons::Ok:
        flags |= MB_OK;
        break;
    case MessageButtons::YesNo:
        flags |= MB_YESNO;
        break;
    case MessageButtons::OkCancel:
        flags |= MB_OKCANCEL;
        break;
    }
    switch (icon) {
    case MessageIcon::Information:
        flags |= MB_ICONINFORMATION;
        break;
    case MessageIcon::Exclamation:
        flags |= MB_ICONEXCLAMATION;
        break;
    case MessageIcon::Question:
        flags |= MB_ICONQUESTION;
        break;
    case MessageIcon::Critical:
        flags |= MB_ICONERROR;
        break;
    }
    switch (MessageBoxW(owner_, text.c_str(), title.c_str(), flags)) {
    case IDYES:
        return MessageAnswer::Yes;
    case IDNO:
        return MessageAnswer::No;
    case IDCANCEL:
        return MessageAnswer::Cancel;
    default:
        return MessageAnswer::Ok;
    }
}

std::optional<std::wstring> MessageBoxMessages::AskText(const std::wstring& prompt,
                                                        const std::wstring& title,
                                                        const std::wstring& initial) {
    return InputBox(owner_, prompt, title, initial);
}

} // namespace win32
