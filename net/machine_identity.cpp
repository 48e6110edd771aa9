#include "net/machine_identity.h"

std::string IdentityText(const AdapterAddress& address) {
    static const char kDigits[] = "0123456789ABCDEF";
    std::string text;
    for (uint8_t byte : address) {
        if (byte >= 16)
            text += kDigits[byte >> 4];
        text += kDigits[byte & 15];
    }
    return text;
}
