// A member's page: totals and ranks, the last 30 days and 12 months as charts, computers.
#include "server/svg_chart.h"
#include "server/website.h"

#include <cmath>

namespace trekhold {

namespace {

constexpr Quantity kCharted[] = {Quantity::kDistance, Quantity::kKeystrokes, Quantity::kClicks};

// One quantity over days or months. Crowded day axes label every fifth day, counted back
// from today so that today always has its label.
std::string HistoryChart(const std::vector<HistoryPoint>& points, Quantity quantity, bool metric,
                         bool days) {
    Chart chart;
    chart.id = std::string(days ? "days-" : "months-") + QuantityWord(quantity);
    chart.title = std::string(QuantityTitle(quantity)) + (days ? " per day" : " per month");
    chart.label_heading = days ? "Day" : "Month";
    chart.value_heading = QuantityTitle(quantity);
    if (quantity == Quantity::kDistance) {
        chart.per_unit = metric ? 100000.0L : 160934.4L;
        chart.whole = false;
        chart.unit = metric ? "km" : "mi";
    }
    chart.value_text = [quantity, metric](int64_t v) { return ValueText(quantity, v, metric); };
    for (size_t i = 0; i < points.size(); ++i) {
        const HistoryPoint& point = points[i];
        CivilDate date = DateOfDay(DayNumber(point.start));
        ChartBar bar;
        bar.value = CountOf(point.counts, quantity);
        if (days) {
            bar.name = DateText(point.start);
            if ((points.size() - 1 - i) % 5 == 0)
                bar.label = std::to_string(date.day);
            bar.minor = (points.size() - 1 - i) % 10 == 5;
        } else {
            bar.name = PeriodTitle(Period::kMonth, point.start);
            bar.label = std::string(MonthName(date.month), 3);
            bar.minor = (points.size() - 1 - i) % 2 == 1;
        }
        chart.bars.push_back(bar);
    }
    return "<div><h3>" + chart.title + "</h3>" + RenderChart(chart) + "</div>";
}

std::string Percent(double share) {
    if (!(share >= 0))
        share = 0;
    return std::to_string(static_cast<int>(std::lround(std::min(share, 1.0) * 100))) + " %";
}

} // namespace

std::string RenderMemberPage(const MemberView& view) {
    const MemberSummary& m = view.member;
    const std::string self = MemberAddress(m.nick);
    std::string body = "<nav aria-label=\"Units\"><ul class=\"tabs\"><li><a href=\"" + self + "\"" +
                       (view.metric ? " aria-current=\"page\"" : "") +
                       ">Metric</a></li><li><a href=\"" + self + "?units=english\"" +
                       (view.metric ? "" : " aria-current=\"page\"") +
                       ">English</a></li></ul></nav>";
    body += "<ul><li>Member since " + DateText(m.created) +
            "</li><li>Sendings: " + GroupedNumber(m.sendings) + "</li>";
    if (m.first_sent > 0)
        body += "<li>First sending: " + DateTimeText(m.first_sent) + "</li>";
    if (m.last_sent > 0)
        body += "<li>Latest sending: " + DateTimeText(m.last_sent) + "</li>";
    body += "</ul>";

    body += "<h2>Totals</h2><table class=\"totals\"><thead><tr><th scope=\"col\">Quantity</th>"
            "<th scope=\"col\" class=\"n\">All time</th><th scope=\"col\" class=\"n\">Rank</th>"
            "</tr></thead><tbody>";
    for (size_t i = 0; i < kAllQuantities.size(); ++i) {
        Quantity q = kAllQuantities[i];
        body += "<tr><th scope=\"row\">" + std::string(QuantityTitle(q)) + "</th><td class=\"n\">" +
                ValueText(q, CountOf(m.totals, q), view.metric) + "</td><td class=\"n\">" +
                (m.ranks[i] > 0
                     ? "<a href=\"" +
                           HtmlEscape(RankingAddress(q, Period::kAllTime, view.metric,
                                                     (m.ranks[i] - 1) / kRankingPageSize + 1)) +
                           "#rank-" + std::to_string(m.ranks[i]) + "\">" +
                           GroupedNumber(m.ranks[i]) + "</a>"
                     : "–") +
                "</td></tr>";
    }
    body += "</tbody></table>";

    body += "<h2>The last 30 days</h2><div class=\"charts\">";
    for (Quantity q : kCharted)
        body += HistoryChart(view.days, q, view.metric, true);
    body += "</div><h2>The last 12 months</h2><div class=\"charts\">";
    for (Quantity q : kCharted)
        body += HistoryChart(view.months, q, view.metric, false);
    body += "</div>";
    body += "<p class=\"note\">Days and months in UTC.</p>";

    body += "<h2>Computers</h2>";
    if (m.computers.empty()) {
        body += "<p>No sending yet.</p>";
    } else {
        std::string table =
            "<table><thead><tr><th scope=\"col\">Computer</th>"
            "<th scope=\"col\" class=\"n\">Sendings</th>"
            "<th scope=\"col\" class=\"n\">Share of usetime</th></tr></thead><tbody>";
        for (const ComputerShare& c : m.computers)
            table += "<tr><td class=\"nick\">" + HtmlEscape(c.short_name) +
                     "</td><td class=\"n\">" + GroupedNumber(c.sendings) + "</td><td class=\"n\">" +
                     Percent(c.share) + "</td></tr>";
        body += ScrollingTable("Computers", table + "</tbody></table>") +
                "<p class=\"note\">Each computer by the start of its "
                "identity; its share of the usetime sent since the history began (of the "
                "sendings while no usetime was sent).</p>";
    }
    return PageHtml(m.nick, body);
}

} // namespace trekhold
