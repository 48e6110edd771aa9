// Captions with an access key: "&" marks the character after it, "&&" is an ampersand.
#pragma once

#include <string>

namespace controls {

// The character after the first single "&", or 0 when there is none.
wchar_t AccessKeyOf(const std::wstring& caption);

// The caption as it reads: the marks taken out, "&&" read as one "&".
std::wstring CaptionWithoutMarks(const std::wstring& caption);

} // namespace controls
