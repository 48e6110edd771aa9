// The HTTP side: routes of the account endpoints, the tamper-detection list, the update
// files and the website, on cpp-httplib.
#pragma once

#include "server/trekhold_service.h"

#include <string>

namespace httplib {
class Server;
}

namespace trekhold {

// The payload of an account endpoint, from the raw request target: everything after
// "?" + name + "=" (the client appends the enciphered text without percent-encoding, so
// "+" stays "+"). "%" followed by two hexadecimal digits is decoded, in case a proxy or
// the client's HTTP stack escaped a character: the protocol cipher never writes such a
// sequence itself (a "%" it writes ends a triplet, and the next one starts with one of
// the letters J to R). Empty when the query does not start with the name.
std::string RawQueryPayload(const std::string& target, const std::string& name);

class AccessLog;

struct FrontOptions {
    bool ceiling_endpoint = false; // "/bench/Envoi.php": a sending without the database
    size_t max_payload = 64 * 1024;
    // Behind a reverse proxy on this machine: the client's address is the proxy's
    // "X-Real-IP" header (only when the connection comes from a loopback address).
    bool behind_proxy = false;
    AccessLog* access_log = nullptr; // none when null
    int64_t ranking_cache_ms = 30000;
};

void InstallRoutes(httplib::Server& server, TrekholdService& service, const FrontOptions& options);

} // namespace trekhold
