// The server's reading of request headers it keeps or judges: the origin of a posted form,
// the client's address behind the proxy, and the access log line built from the request.
#include "server/access_log.h"
#include "server/web_origin.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);
    // Three header values, split at the first two NUL bytes.
    size_t a = input.find('\0'), b = a == std::string::npos ? a : input.find('\0', a + 1);
    const std::string origin = input.substr(0, a);
    const std::string referer = a == std::string::npos ? "" : input.substr(a + 1, b - a - 1);
    const std::string host = b == std::string::npos ? "" : input.substr(b + 1);
    bool same = trekhold::SameOrigin(origin, referer, host);
    if (origin.empty() && referer.empty() && !same)
        std::abort();
    if (!origin.empty() && host.find('/') == std::string::npos && !host.empty() &&
        !trekhold::SameOrigin("http://" + host, referer, host))
        std::abort();
    if (trekhold::ClientAddress(host, origin, false) != host)
        std::abort();
    const std::string line = trekhold::AccessLine(0, origin, referer, host, 200, 0);
    for (char c : line)
        if (static_cast<unsigned char>(c) < ' ' || static_cast<unsigned char>(c) >= 0x7f)
            std::abort();
    return 0;
}
