// The ranking pages and the front page.
#include "server/website.h"

namespace trekhold {

namespace {

std::string Tab(const std::string& address, const std::string& text, bool current) {
    return "<li><a href=\"" + HtmlEscape(address) + "\"" +
           (current ? " aria-current=\"page\"" : "") + ">" + text + "</a></li>";
}

const char* PeriodTabText(Period period) {
    switch (period) {
    case Period::kAllTime:
        return "All time";
    case Period::kMonth:
        return "This month";
    case Period::kWeek:
        return "This week";
    case Period::kToday:
        return "Today";
    }
    return "";
}

std::string RankingTitle(Quantity by) {
    return std::string(QuantityTitle(by)) + " ranking";
}

// A member's link, or for a private one "hidden" in italics and without a link, which a
// screen reader does not take for a member of that name.
std::string NickCell(const RankingRow& row) {
    if (row.private_page)
        return "<em class=\"private\">hidden</em><span class=\"vh\"> (a member whose page is "
               "private)</span>";
    return "<a href=\"" + MemberAddress(row.nick) + "\">" + HtmlEscape(row.nick) + "</a>";
}

// Everything of a ranking below its heading: the choices, the search, the rows, the pages.
std::string RankingBody(const RankingView& view) {
    const RankingResult& r = view.result;
    const Period period = r.span.period;
    std::string body = "<nav aria-label=\"Quantity\"><ul class=\"tabs\">";
    for (Quantity q : kAllQuantities)
        body += Tab(RankingAddress(q, period, view.metric, 1), QuantityTitle(q), q == r.by);
    body += "</ul></nav><nav aria-label=\"Period\"><ul class=\"tabs\">";
    for (Period p : kAllPeriods)
        body += Tab(RankingAddress(r.by, p, view.metric, 1), PeriodTabText(p), p == period);
    body += "</ul></nav>";
    if (r.by == Quantity::kDistance)
        body += "<nav aria-label=\"Units\"><ul class=\"tabs\">" +
                Tab(RankingAddress(r.by, period, true, r.page), "Metric", view.metric) +
                Tab(RankingAddress(r.by, period, false, r.page), "English", !view.metric) +
                "</ul></nav>";
    const bool all = period == Period::kAllTime;
    body += "<p>" + std::string(all ? "Period" : PeriodTabText(period)) + ": <strong>" +
            HtmlEscape(PeriodTitle(period, view.now)) + "</strong>" + (all ? "" : ", UTC") + ". " +
            GroupedNumber(r.ranked) + (r.ranked == 1 ? " member" : " members") + " ranked.</p>";

    body += "<form class=\"find\" method=\"get\" action=\"/rankings\" role=\"search\">"
            "<input type=\"hidden\" name=\"by\" value=\"" +
            std::string(QuantityWord(r.by)) + "\"><input type=\"hidden\" name=\"period\" value=\"" +
            PeriodWord(period) + "\"><input type=\"hidden\" name=\"units\" value=\"" +
            (view.metric ? "metric" : "english") +
            "\"><label>Find a nickname<input name=\"find\" maxlength=\"64\" autocomplete=\"off\" "
            "required value=\"" +
            HtmlEscape(view.not_found) + "\"></label><button type=\"submit\">Find</button></form>";
    if (!view.not_found.empty())
        body += "<p class=\"msg\" role=\"alert\">No member called “" + HtmlEscape(view.not_found) +
                "” is in this ranking.</p>";

    if (r.rows.empty()) {
        body += r.ranked == 0 && period == Period::kAllTime
                    ? "<p>No account yet. <a href=\"/signup\">Be the first.</a></p>"
                    : "<p>Nobody has sent anything in this period yet.</p>";
    } else {
        body += "<table><thead><tr><th scope=\"col\" class=\"n\">Rank</th>"
                "<th scope=\"col\">Nickname</th><th scope=\"col\" class=\"n\">" +
                std::string(QuantityTitle(r.by)) + "</th></tr></thead><tbody>";
        for (const RankingRow& row : r.rows)
            body += "<tr id=\"rank-" + std::to_string(row.rank) + "\"><td class=\"n\">" +
                    std::to_string(row.rank) + "</td><td class=\"nick\">" + NickCell(row) +
                    "</td><td class=\"n\">" + ValueText(r.by, row.value, view.metric) +
                    "</td></tr>";
        body += "</tbody></table>";
    }
    if (r.pages > 1) {
        body += "<nav class=\"pager\" aria-label=\"Pages\">";
        if (r.page > 1)
            body += "<a href=\"" +
                    HtmlEscape(RankingAddress(r.by, period, view.metric, r.page - 1)) +
                    "\">Previous page</a>";
        body += "<span>Page " + GroupedNumber(r.page) + " of " + GroupedNumber(r.pages) + "</span>";
        if (r.page < r.pages)
            body += "<a href=\"" +
                    HtmlEscape(RankingAddress(r.by, period, view.metric, r.page + 1)) +
                    "\">Next page</a>";
        body += "</nav>";
    }
    return body;
}

} // namespace

std::string RankingAddress(Quantity by, Period period, bool metric, int64_t page) {
    return "/rankings?by=" + std::string(QuantityWord(by)) + "&period=" + PeriodWord(period) +
           "&units=" + (metric ? "metric" : "english") +
           (page > 1 ? "&page=" + std::to_string(page) : "");
}

std::string MemberAddress(const std::string& nick) {
    return "/member/" + UrlEncode(nick);
}

std::string RenderRankingPage(const RankingView& view) {
    return PageHtml(RankingTitle(view.result.by), RankingBody(view));
}

std::string RenderFrontPage(const CommunityTotals& community, const RankingView& view) {
    std::string body =
        "<h2>All members together</h2><table class=\"totals\"><thead><tr><th "
        "scope=\"col\">Quantity</th>"
        "<th scope=\"col\" class=\"n\">Today (UTC)</th><th scope=\"col\" class=\"n\">All time</th>"
        "</tr></thead><tbody>";
    for (Quantity q : kAllQuantities)
        body += "<tr><th scope=\"row\">" + std::string(QuantityTitle(q)) + "</th><td class=\"n\">" +
                ValueText(q, CountOf(community.today, q), view.metric) + "</td><td class=\"n\">" +
                ValueText(q, CountOf(community.all_time, q), view.metric) + "</td></tr>";
    body += "</tbody></table><p>" + GroupedNumber(community.members) +
            (community.members == 1 ? " member, " : " members, ") +
            GroupedNumber(community.active_week) + " active this week (" +
            HtmlEscape(PeriodTitle(Period::kWeek, view.now)) + ", UTC).</p>";
    body += "<h2>" + RankingTitle(view.result.by) + "</h2>" + RankingBody(view);
    return PageHtml("The Trekhold community", body);
}

} // namespace trekhold
