// Text from outside (nicknames, machine identities) as a JSON string.
#pragma once

#include <string>

namespace trekhold {

// `text` as a JSON string, quotes included. Bytes that are not UTF-8 become U+FFFD; control
// characters, and < > & (so the text is safe inside HTML too), are escaped.
std::string JsonString(const std::string& text);

} // namespace trekhold
