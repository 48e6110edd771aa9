#include "ui/ask_user_win32.h"

bool MessageBoxAskUser::AskYesNo(const std::wstring& text, const std::wstring& title) {
    return ::MessageBoxW(owner_, text.c_str(), title.c_str(), MB_YESNO | MB_ICONQUESTION) == IDYES;
}
