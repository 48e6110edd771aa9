#include "ui/message_boxes_win32.h"

#include <vector>

namespace win32 {

namespace {

constexpr int kEditId = 100;
constexpr int kPromptId = 101;

// An in-memory dialog template: a DLGTEMPLATE and its items, each on a DWORD boundary.
class DialogTemplate {
  public:
    DialogTemplate(DWORD style, short cx, short cy, const wchar_t* title, WORD items) {
        Align();
        Put32(style);
        Put32(0); // extended style
        Put16(items);
        Put16(0); // x
        Put16(0); // y
        Put16(static_cast<WORD>(cx));
        Put16(static_cast<WORD>(cy));
        Put16(0); // no menu
        Put16(0); // default class
        PutText(title);
        Put16(8); // font size, DS_SETFONT
        PutText(L"MS Shell Dlg");
    }
    void Item(DWORD style, short x, short y, short cx, short cy, WORD id, WORD class_atom,
              const wchar_t* text) {
        Align();
        Put32(style | WS_CHILD | WS_VISIBLE);
        Put32(0);
        Put16(static_cast<WORD>(x));
        Put16(static_cast<WORD>(y));
        Put16(static_cast<WORD>(cx));
        Put16(static_cast<WORD>(cy));
        Put16(id);
        Put16(0xFFFF);
        Put16(class_atom);
        PutText(text);
        Put16(0); // no creation data
    }
    const DLGTEMPLATE* get() const { return reinterpret_cast<const DLGTEMPLATE*>(words_.data()); }

  private:
    void Put16(WORD w) { words_.push_back(w); }
    void Put32(DWORD d) {
        Put16(LOWORD(d));
        Put16(HIWORD(d));
    }
    void PutText(const wchar_t* text) {
        for (; *text; ++text)
            Put16(static_cast<WORD>(*text));
        Put16(0);
    }
    void Align() {
        if (words_.size() % 2)
            Put16(0);
    }
    std::vector<WORD> words_;
};

constexpr WORD kButtonAtom = 0x0080;
constexpr WORD kEditAtom = 0x0081;
constexpr WORD kStaticAtom = 0x0082;

struct InputBoxState {
    const std::wstring* prompt;
    const std::wstring* initial;
    std::wstring answer;
};

INT_PTR CALLBACK InputBoxProcedure(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
    auto* state = reinterpret_cast<InputBoxState*>(GetWindowLongPtrW(dialog, DWLP_USER));
    switch (message) {
    case WM_INITDIALOG:
        state = reinterpret_cast<InputBoxState*>(lparam);
        SetWindowLongPtrW(dialog, DWLP_USER, lparam);
        SetDlgItemTextW(dialog, kPromptId, state->prompt->c_str());
        SetDlgItemTextW(dialog, kEditId, state->initial->c_str());
        SendDlgItemMessageW(dialog, kEditId, EM_SETSEL, 0, -1);
        SetFocus(GetDlgItem(dialog, kEditId));
        return FALSE; // focus set here
    case WM_COMMAND:
        if (LOWORD(wparam) == IDOK && state) {
            const HWND edit = GetDlgItem(dialog, kEditId);
            std::wstring text(static_cast<size_t>(GetWindowTextLengthW(edit)) + 1, L'\0');
            text.resize(static_cast<size_t>(
                GetWindowTextW(edit, text.data(), static_cast<int>(text.size()))));
            state->answer = std::move(text);
            EndDialog(dialog, IDOK);
            return TRUE;
        }
        if (LOWORD(wparam) == IDCANCEL) {
            EndDialog(dialog, IDCANCEL);
            return TRUE;
        }
        break;
    }
    return FALSE;
}

} // namespace

std::optional<std::wstring> InputBox(HWND owner, const std::wstring& prompt,
                                     const std::wstring& title, const std::wstring& initial) {
    DialogTemplate t(DS_SETFONT | DS_MODALFRAME | DS_CENTER | WS_POPUP | WS_CAPTION | WS_SYSMENU,
                     250, 70, title.c_str(), 4);
    t.Item(SS_LEFT, 7, 7, 176, 36, kPromptId, kStaticAtom, L"");
    t.Item(BS_DEFPUSHBUTTON | WS_TABSTOP, 190, 7, 53, 14, IDOK, kButtonAtom, L"OK");
    t.Item(BS_PUSHBUTTON | WS_TABSTOP, 190, 25, 53, 14, IDCANCEL, kButtonAtom, L"Cancel");
    t.Item(ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP, 7, 49, 236, 14, kEditId, kEditAtom, L"");
    InputBoxState state{&prompt, &initial, {}};
    const INT_PTR result =
        DialogBoxIndirectParamW(GetModuleHandleW(nullptr), t.get(), owner, &InputBoxProcedure,
                                reinterpret_cast<LPARAM>(&state));
    if (result != IDOK)
        return std::nullopt;
    return state.answer;
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
