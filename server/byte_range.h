// The byte range of an update file to send, from a request's Range header.
//
// At most one range is honoured: the client asks "bytes=0-" to learn the length, and a
// list of ranges would make the answer larger than the file itself. A header that names
// more than one range, that is malformed or that is not in bytes is ignored (the whole
// file, status 200), as HTTP allows; a single range that starts beyond the file is
// unsatisfiable (status 416).
#pragma once

#include <cstdint>
#include <string>

namespace trekhold {

struct ByteRange {
    enum class Kind { kWhole, kPart, kUnsatisfiable };
    Kind kind = Kind::kWhole;
    uint64_t first = 0;  // kWhole: 0
    uint64_t length = 0; // kWhole: the file size; kUnsatisfiable: 0
};

ByteRange ChooseByteRange(const std::string& header, uint64_t file_size);

// "bytes FIRST-LAST/SIZE" of a part, "bytes */SIZE" of an unsatisfiable range.
std::string ContentRangeText(const ByteRange& range, uint64_t file_size);

} // namespace trekhold
