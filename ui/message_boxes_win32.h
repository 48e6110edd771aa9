// The user's side of the exchanges on Windows: message boxes and the one-line input box.
#pragma once

#include "base/user_messages.h"

#include <windows.h>

namespace win32 {

// A modal box with a prompt, one text field, OK and Cancel (the system message font).
// Nothing when cancelled or closed.
std::optional<std::wstring> InputBox(HWND owner, const std::wstring& prompt,
                                     const std::wstring& title, const std::wstring& initial);

class MessageBoxMessages : public UserMessages {
  public:
    explicit MessageBoxMessages(HWND owner = nullptr) : owner_(owner) {}
    void set_owner(HWND owner) { owner_ = owner; }

    MessageAnswer Show(const std::wstring& text, const std::wstring& title, MessageButtons buttons,
                       MessageIcon icon) override;
    std::optional<std::wstring> AskText(const std::wstring& prompt, const std::wstring& title,
                                        const std::wstring& initial) override;

  private:
    HWND owner_;
};

} // namespace win32
