// The server's readers of a request as it arrives: the bounds on the request head, fed in
// pieces as the network gives them, and the choice of a byte range from a Range header.
#include "server/byte_range.h"
#include "server/request_head_guard.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2)
        return 0;
    const std::string input(reinterpret_cast<const char*>(data + 2), size - 2);
    using trekhold::RequestHeadGuard;
    // Whole or in pieces of a size chosen by the first byte: the same verdict and count.
    RequestHeadGuard whole(512, 8), pieces(512, 8);
    const RequestHeadGuard::Verdict verdict = whole.Take(input.data(), input.size());
    const size_t step = 1 + data[0] % 17;
    for (size_t at = 0; at < input.size(); at += step)
        pieces.Take(input.data() + at, std::min(step, input.size() - at));
    if (pieces.verdict() != verdict || pieces.bytes() != whole.bytes() || whole.bytes() > 513 ||
        (verdict != RequestHeadGuard::Verdict::kTooLarge && whole.lines() > 9))
        std::abort();

    const uint64_t file_size = data[1] * 37ull;
    const trekhold::ByteRange range = trekhold::ChooseByteRange(input, file_size);
    switch (range.kind) {
    case trekhold::ByteRange::Kind::kWhole:
        if (range.first != 0 || range.length != file_size)
            std::abort();
        break;
    case trekhold::ByteRange::Kind::kPart:
        if (range.length == 0 || range.first + range.length > file_size)
            std::abort();
        break;
    case trekhold::ByteRange::Kind::kUnsatisfiable:
        if (input.find(',') != std::string::npos)
            std::abort();
        break;
    }
    (void)trekhold::ContentRangeText(range, file_size);
    return 0;
}
