#include "controls/caption_rules.h"

namespace controls {

wchar_t AccessKeyOf(const std::wstring& caption) {
    for (size_t i = 0; i + 1 < caption.size(); ++i) {
        if (caption[i] != L'&')
            continue;
        if (caption[i + 1] != L'&')
            return caption[i + 1];
        ++i;
    }
    return 0;
}

std::wstring CaptionWithoutMarks(const std::wstring& caption) {
    std::wstring text;
    text.reserve(caption.size());
    for (size_t i = 0; i < caption.size(); ++i) {
        if (caption[i] == L'&' && i + 1 < caption.size())
            ++i;
        else if (caption[i] == L'&')
            continue; // a last lone mark marks nothing
        text += caption[i];
    }
    return text;
}

} // namespace controls
