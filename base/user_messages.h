// "Ask the user": message boxes (a question among them) and the one-line input box, for
// whatever logic needs an answer or shows a result. The program shows real boxes
// (ui/message_boxes_win32.h); tests answer them.
#pragma once

#include <optional>
#include <string>

enum class MessageButtons { Ok, YesNo, OkCancel };
enum class MessageIcon { Information, Exclamation, Question, Critical };
enum class MessageAnswer { Ok, Cancel, Yes, No };

class UserMessages {
  public:
    virtual ~UserMessages() = default;
    virtual MessageAnswer Show(const std::wstring& text, const std::wstring& title,
                               MessageButtons buttons, MessageIcon icon) = 0;
    // A prompt with one text field; nothing when the user cancels.
    virtual std::optional<std::wstring>
    AskText(const std::wstring& prompt, const std::wstring& title, const std::wstring& initial) = 0;
};

// The title of the boxes that carry no title of their own.
inline constexpr const wchar_t* kApplicationTitle = L"TheWandrel";
