// DecodePaires and the binary-text conversion on any input.
#include "storage/cryptage.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);
    const std::optional<std::string> strict = DecodePairesStrict(input);
    const std::string lenient = DecodePaires(input);
    if (strict) {
        if (*strict != lenient || strict->size() != (input.size() + 7) / 8 / 2)
            std::abort();
        // Binary text: converting back and forth keeps whole groups.
        const std::optional<std::string> text = BinaireEnTexte(input);
        if (!text || (input.size() % 8 == 0 && TexteEnBinaire(*text) != input))
            std::abort();
    } else if (!lenient.empty()) {
        std::abort();
    }
    // Whatever decodes must encode back to itself (when the pair code can carry it).
    if (std::optional<std::string> coded = CodePaires(lenient))
        if (DecodePaires(*coded) != lenient)
            std::abort();
    return 0;
}
