// Where a request comes from: the client's address for the throttles, and whether a
// posted form comes from this site's own pages. Plain text in, no HTTP library.
#pragma once

#include <string>

namespace trekhold {

// The address a request counts for in the throttles: the connection's peer, or behind a
// reverse proxy on this machine the proxy's "X-Real-IP" header (only when the peer is a
// loopback address, so a client cannot choose its own address).
std::string ClientAddress(const std::string& peer, const std::string& real_ip_header,
                          bool behind_proxy);

// Whether a form's "Origin" (or, without it, "Referer") names the site it was posted to
// ("Host"); a request with neither comes from no browser page and is let through.
bool SameOrigin(const std::string& origin, const std::string& referer, const std::string& host);

} // namespace trekhold
