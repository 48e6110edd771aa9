// The JSON string of any bytes: quoted, only printable ASCII and well-formed UTF-8 inside,
// every quote and backslash escaped, and nothing a browser would read as markup.
#include "server/json_text.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string json = trekhold::JsonString(std::string(reinterpret_cast<const char*>(data), size));
    if (json.size() < 2 || json.front() != '"' || json.back() != '"')
        std::abort();
    for (size_t i = 1; i + 1 < json.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(json[i]);
        if (c < 0x20 || c == 0x7f || c == '<' || c == '>' || c == '&' || c == '"')
            std::abort();
        if (c == '\\') {
            const char next = json[++i];
            if (next == 'u')
                i += 4;
            else if (next != '"' && next != '\\')
                std::abort();
            if (i + 1 >= json.size())
                std::abort();
        } else if (c >= 0x80) {
            size_t n = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : 2;
            if (c < 0xC2 || c > 0xF4 || i + n >= json.size())
                std::abort();
            for (size_t k = 1; k < n; ++k)
                if ((static_cast<unsigned char>(json[i + k]) & 0xC0) != 0x80)
                    std::abort();
            i += n - 1;
        }
    }
    return 0;
}
