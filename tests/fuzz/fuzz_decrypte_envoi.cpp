// The protocol decoder on any input, and the cipher's round trip on the same bytes.
#include "storage/cryptage.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);
    if (std::optional<std::string> decoded = DecrypteEnvoi(input))
        if (decoded->size() != input.size() / 3)
            std::abort();
    const std::string sent = CrypteEnvoi(input);
    if (sent.size() != input.size() * 3 || DecrypteEnvoi(sent) != input)
        std::abort();
    return 0;
}
