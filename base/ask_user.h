// "Ask the user": a yes/no question. The program shows a question box; tests answer it.
#pragma once

#include <string>

class AskUser {
  public:
    virtual ~AskUser() = default;
    // True for Yes, false for No.
    virtual bool AskYesNo(const std::wstring& text, const std::wstring& title) = 0;
};
