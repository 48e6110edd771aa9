#include "server/json_api.h"

#include "server/json_text.h"
#include "server/page_cache.h"
#include "server/throttle.h"
#include "server/trekhold_service.h"

#include <httplib.h>

#include <algorithm>
#include <cstdio>
#include <memory>

namespace trekhold {

namespace {

std::string Number(int64_t n) { return std::to_string(n); }

std::string Share(double share) {
    char text[32];
    std::snprintf(text, sizeof text, "%.4f", share);
    return text;
}

std::string Time(int64_t t) { return t > 0 ? "\"" + IsoTime(t) + "\"" : "null"; }

std::string Date(int64_t t, bool with_day) {
    CivilDate d = DateOfDay(DayNumber(t));
    char text[32];
    if (with_day)
        std::snprintf(text, sizeof text, "%04lld-%02d-%02d", static_cast<long long>(d.year),
                      d.month, d.day);
    else
        std::snprintf(text, sizeof text, "%04lld-%02d", static_cast<long long>(d.year), d.month);
    return text;
}

const char* UnitOf(Quantity q) {
    switch (q) {
    case Quantity::kDistance:
        return "cm";
    case Quantity::kUptime:
    case Quantity::kUsetime:
        return "minutes";
    default:
        return "count";
    }
}

// The fields of the counts (no braces): the six quantities and the three kinds of click.
std::string CountFields(const Counts& c) {
    std::string text;
    for (Quantity q : kAllQuantities)
        text += std::string(text.empty() ? "" : ",") + "\"" + QuantityWord(q) + "\":" +
                Number(CountOf(c, q));
    return text + ",\"left_clicks\":" + Number(c.left_clicks) +
           ",\"right_clicks\":" + Number(c.right_clicks) +
           ",\"special_clicks\":" + Number(c.special_clicks);
}

std::string HistoryJson(const std::vector<HistoryPoint>& points, const char* name, bool days) {
    std::string text;
    for (const HistoryPoint& p : points)
        text += std::string(text.empty() ? "" : ",") + "{\"" + name + "\":\"" +
                Date(p.start, days) + "\"," + CountFields(p.counts) +
                ",\"sendings\":" + Number(p.sendings) + "}";
    return "[" + text + "]";
}

struct ApiAnswer {
    int status = 200;
    std::string body;
};

std::string ErrorJson(const std::string& message) {
    return "{\"error\":" + JsonString(message) + "}";
}

void Send(httplib::Response& res, const ApiAnswer& answer, const std::string& cache_control) {
    res.status = answer.status;
    res.set_header("Cache-Control", answer.status == 200 ? cache_control : "no-store");
    res.set_content(answer.body, "application/json");
}

// Kept answers: the status as the first three characters of the kept text.
struct ApiCache {
    explicit ApiCache(int64_t lifetime_ms) : pages(lifetime_ms, 1024) {}
    PageCache pages;

    void Answer(httplib::Response& res, const std::string& key,
                const std::function<ApiAnswer()>& make) {
        const int64_t now = SteadyMilliseconds();
        PageCache::Page page = pages.Get(key, now, [&] {
            ApiAnswer answer = make();
            return std::to_string(answer.status) + answer.body;
        });
        ApiAnswer answer{std::stoi(page.body.substr(0, 3)), page.body.substr(3)};
        const int64_t left = std::max<int64_t>(0, (page.expires_ms - now) / 1000);
        Send(res, answer, "public, max-age=" + std::to_string(left));
    }
};

ApiAnswer Rankings(TrekholdService& service, const httplib::Request& req) {
    auto word = [&req](const char* name, const char* otherwise) {
        return req.has_param(name) ? req.get_param_value(name) : std::string(otherwise);
    };
    std::optional<Quantity> by = QuantityFromWord(word("quantity", "distance"));
    std::optional<Period> period = PeriodFromWord(word("period", "all"));
    std::optional<int64_t> page = ParseCount(word("page", "1"), 1000000000);
    std::optional<int64_t> size = ParseCount(word("size", "100"), kMaxPageSize);
    if (!by)
        return {400, ErrorJson("quantity: distance, keystrokes, clicks, scrolls, uptime or usetime")};
    if (!period)
        return {400, ErrorJson("period: all, month, week or today")};
    if (!page || *page < 1)
        return {400, ErrorJson("page: a number from 1")};
    if (!size || *size < 1)
        return {400, ErrorJson("size: a number from 1 to " + std::to_string(kMaxPageSize))};
    SiteData site(service);
    if (req.has_param("nick")) {
        std::optional<NickPlace> place = site.Place(req.get_param_value("nick"), *by, *period, *size);
        if (!place || place->rank == 0)
            return {404, ErrorJson("no such member in this ranking")};
        page = place->page;
    }
    RankingResult ranking = site.Ranking(*by, *period, *page, *size);
    if (ranking.page != *page)
        return {404, ErrorJson("page beyond the last (" + std::to_string(ranking.pages) + ")")};
    return {200, RankingJson(ranking)};
}

ApiAnswer Member(TrekholdService& service, const std::string& nick) {
    SiteData site(service);
    std::optional<MemberSummary> member =
        nick.size() > kMaxPlainText ? std::nullopt : site.Member(nick);
    if (!member) // a hidden or private member is not told apart from an unknown one
        return {404, ErrorJson("no such member")};
    return {200, MemberJson(*member, site.Daily(member->id), site.Monthly(member->id))};
}

} // namespace

std::string IsoTime(int64_t t) {
    const int64_t second = t - DayNumber(t) * 86400;
    char text[32];
    std::snprintf(text, sizeof text, "T%02d:%02d:%02dZ", static_cast<int>(second / 3600),
                  static_cast<int>(second / 60 % 60), static_cast<int>(second % 60));
    return Date(t, true) + text;
}

std::string RankingJson(const RankingResult& r) {
    const bool all = r.span.period == Period::kAllTime;
    std::string rows;
    for (const RankingRow& row : r.rows)
        rows += std::string(rows.empty() ? "" : ",") + "{\"rank\":" + Number(row.rank) +
                ",\"nick\":" + (row.private_page ? "null" : JsonString(row.nick)) +
                ",\"hidden\":" + (row.private_page ? "true" : "false") +
                ",\"value\":" + Number(row.value) + "}";
    return std::string("{\"quantity\":\"") + QuantityWord(r.by) + "\",\"unit\":\"" + UnitOf(r.by) +
           "\",\"period\":\"" + PeriodWord(r.span.period) + "\",\"period_title\":" +
           JsonString(PeriodTitle(r.span.period, r.span.start)) +
           ",\"from\":" + (all ? "null" : Time(r.span.start)) +
           ",\"until\":" + (all ? "null" : Time(r.span.end)) + ",\"page\":" + Number(r.page) +
           ",\"pages\":" + Number(r.pages) + ",\"size\":" + Number(r.page_size) +
           ",\"ranked\":" + Number(r.ranked) + ",\"rows\":[" + rows + "]}";
}

std::string MemberJson(const MemberSummary& m, const std::vector<HistoryPoint>& daily,
                       const std::vector<HistoryPoint>& monthly) {
    std::string ranks, computers;
    for (size_t i = 0; i < kAllQuantities.size(); ++i)
        ranks += std::string(ranks.empty() ? "" : ",") + "\"" + QuantityWord(kAllQuantities[i]) +
                 "\":" + Number(m.ranks[i]);
    // Only the shortened machine identity leaves the server.
    for (const ComputerShare& c : m.computers)
        computers += std::string(computers.empty() ? "" : ",") + "{\"machine\":" +
                     JsonString(c.short_name) + ",\"share\":" + Share(c.share) +
                     ",\"sendings\":" + Number(c.sendings) + ",\"last_sent\":" + Time(c.last_sent) +
                     "," + CountFields(c.counts) + "}";
    return "{\"nick\":" + JsonString(m.nick) + ",\"totals\":{" + CountFields(m.totals) +
           "},\"sendings\":" + Number(m.sendings) + ",\"first_sent\":" + Time(m.first_sent) +
           ",\"last_sent\":" + Time(m.last_sent) + ",\"ranks\":{" + ranks + "},\"computers\":[" +
           computers + "],\"daily\":" + HistoryJson(daily, "date", true) +
           ",\"monthly\":" + HistoryJson(monthly, "month", false) + "}";
}

std::string CommunityJson(const CommunityTotals& c, int64_t now) {
    return "{\"members\":" + Number(c.members) + ",\"active_this_week\":" + Number(c.active_week) +
           ",\"active_today\":" + Number(c.active_today) + ",\"today\":\"" + Date(now, true) +
           "\",\"totals_today\":{" + CountFields(c.today) +
           "},\"sendings_today\":" + Number(c.sendings_today) + ",\"totals\":{" +
           CountFields(c.all_time) + "},\"history_since\":" + Time(c.history_since) + "}";
}

std::function<void()> InstallJsonApi(httplib::Server& server, TrekholdService& service,
                                     int64_t cache_ms) {
    auto cache = std::make_shared<ApiCache>(cache_ms);
    // Each kept answer belongs to its day, so a new day's periods never show the last one's.
    auto day = [&service] { return std::to_string(DayNumber(service.config().wall_seconds())); };
    server.Get("/api/v1/rankings", [&service, cache, day](const httplib::Request& req,
                                                         httplib::Response& res) {
        std::string key = "r" + day();
        for (const char* name : {"quantity", "period", "page", "size", "nick"})
            key += "\n" + std::string(req.has_param(name) ? "=" : "") + req.get_param_value(name);
        cache->Answer(res, key, [&] { return Rankings(service, req); });
    });
    server.Get(R"(/api/v1/member/([^/]+))", [&service, cache, day](const httplib::Request& req,
                                                                    httplib::Response& res) {
        const std::string nick = req.matches[1].str();
        cache->Answer(res, "m" + day() + "\n" + nick, [&] { return Member(service, nick); });
    });
    server.Get("/api/v1/community", [&service, cache, day](const httplib::Request&,
                                                          httplib::Response& res) {
        cache->Answer(res, "c" + day(), [&] {
            SiteData site(service);
            return ApiAnswer{200, CommunityJson(site.Community(), site.Now())};
        });
    });
    server.Get(R"(/api/v1/.*)", [](const httplib::Request&, httplib::Response& res) {
        Send(res, {404, ErrorJson("unknown; see /api/v1/rankings, /api/v1/member/NICK, "
                                  "/api/v1/community")},
             "no-store");
    });
    return [cache] { cache->pages.Clear(); };
}

} // namespace trekhold
