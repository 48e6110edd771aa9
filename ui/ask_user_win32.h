// "Ask the user" as a question box with Yes and No buttons and the question icon.
#pragma once

#include "base/ask_user.h"

#include <windows.h>

class MessageBoxAskUser : public AskUser {
  public:
    explicit MessageBoxAskUser(HWND owner = nullptr) : owner_(owner) {}
    bool AskYesNo(const std::wstring& text, const std::wstring& title) override;

  private:
    HWND owner_;
};
