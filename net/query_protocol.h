// Count queries from other programs: the request text they send to the client's main
// window with WM_COPYDATA, and the ten-field reply sent back to their window. Texts are
// single-byte (code page 1252); fields are separated by "'".
#pragma once

#include "base/counter_set.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace query {

// The COPYDATASTRUCT dwData of requests and replies.
constexpr uintptr_t kCopyDataTag = 3;
// Requests and replies travel in a 255-byte buffer that includes the terminating NUL.
constexpr size_t kBufferSize = 255;
constexpr size_t kMaxTextBytes = kBufferSize - 1;
constexpr char kTag[] = "Wandrel";
constexpr size_t kReplyFields = 10;

// Window class of the client's hidden main window, by which the query tool finds it.
constexpr wchar_t kClientWindowClass[] = L"TheWandrelClient";

struct Request {
    int32_t reply_window = 0; // the requester's window handle, 32-bit as Windows keeps them
    uint8_t mode = 0;         // 0: totals; anything else: counts not yet sent
};

// The request in the data of a WM_COPYDATA: the text is the bytes up to the first NUL
// within `size` (or all of them). Nothing when the text does not fit the buffer
// (kMaxTextBytes + NUL), does not begin with "Wandrel", has other than three fields, or a
// field that is not a plain decimal number in range.
std::optional<Request> ParseRequest(const void* data, size_t size);

// The request text a requester sends.
std::string BuildRequest(int32_t reply_window, uint8_t mode);

// The reply text: "Wandrel", the nickname, then distance in centimetres, keys, left,
// right and special clicks, scrolls, uptime and usetime. Mode 0 adds the confirmed totals.
// Sums are computed in 64 bits, so a total past 2^31 is given as its true value. The
// nickname is cut so that the reply always fits the buffer.
std::string BuildReply(const CounterSet& counters, const std::string& nickname, uint8_t mode);

// The ten fields of a reply, for requesters. Nothing when the data is not a reply: text past
// the buffer, not ten fields, or a first field other than "Wandrel".
std::optional<std::vector<std::string>> ParseReply(const void* data, size_t size);

// Plain decimal: an optional minus sign and 1 to 18 digits, nothing else.
std::optional<int64_t> ParseDecimal(const std::string& text);

} // namespace query
