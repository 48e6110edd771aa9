// The website's routes: the stylesheet, the front page, the rankings, the member pages and
// the account page. Public pages are kept `cache_ms` (PageCache) and sent with
// "Cache-Control: public, max-age=" the seconds they have left; the account page is never
// kept ("no-store") and refuses forms posted from other sites.
#pragma once

#include <cstdint>
#include <functional>

namespace httplib {
class Server;
}

namespace trekhold {

class TrekholdService;

struct WebsiteOptions {
    bool behind_proxy = false; // the client's address from "X-Real-IP" (see ClientAddress)
    int64_t cache_ms = 30000;
    std::function<void()> forget_api_answers; // after a member's page turns private or public
};

// Installs the routes; call before any catch-all route.
void InstallWebsite(httplib::Server& server, TrekholdService& service,
                    const WebsiteOptions& options);

} // namespace trekhold
