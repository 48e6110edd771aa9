#include "server/web_origin.h"

namespace trekhold {

namespace {

std::string Authority(const std::string& url) { // "http://host:port/path" -> "host:port"
    size_t scheme = url.find("://");
    if (scheme == std::string::npos)
        return "";
    std::string rest = url.substr(scheme + 3);
    return rest.substr(0, rest.find('/'));
}

} // namespace

std::string ClientAddress(const std::string& peer, const std::string& real_ip_header,
                          bool behind_proxy) {
    bool loopback = peer.rfind("127.", 0) == 0 || peer == "::1" || peer == "::ffff:127.0.0.1";
    if (behind_proxy && loopback && !real_ip_header.empty())
        return real_ip_header;
    return peer;
}

bool SameOrigin(const std::string& origin, const std::string& referer, const std::string& host) {
    if (!origin.empty())
        return !host.empty() && Authority(origin) == host;
    if (!referer.empty())
        return !host.empty() && Authority(referer) == host;
    return true;
}

} // namespace trekhold
