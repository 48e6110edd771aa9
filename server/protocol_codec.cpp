#include "server/protocol_codec.h"

// Stand-in until the shared cipher lands: identity payloads and a pair code whose random
// half is always zero (DecodePaires still reads it correctly).
namespace trekhold {

std::optional<std::string> DecipherPayload(const std::string& payload) { return payload; }

std::string EncipherPayload(const std::string& plain) { return plain; }

std::string StoredKeyForm(const std::string& plain_key) {
    std::string digits;
    for (unsigned char c : plain_key) {
        for (int bit = 7; bit >= 0; --bit)
            digits += ((c >> bit) & 1) ? '1' : '0';
        digits += "00000000";
    }
    return digits;
}

std::string PlainKeyOf(const std::string& stored_form) {
    std::string text;
    for (size_t i = 0; i + 16 <= stored_form.size(); i += 16) {
        int a = 0;
        for (size_t j = 0; j < 8; ++j)
            a = a * 2 + (stored_form[i + j] == '1');
        text += static_cast<char>(a);
    }
    return text;
}

} // namespace trekhold
