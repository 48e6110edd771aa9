#include "server/website.h"

namespace trekhold {

namespace {

struct QuantityInfo {
    Quantity quantity;
    const char* word;
    const char* title;
};
const QuantityInfo kQuantities[] = {
    {Quantity::kDistance, "distance", "Distance"},
    {Quantity::kKeystrokes, "keystrokes", "Keystrokes"},
    {Quantity::kClicks, "clicks", "Clicks"},
    {Quantity::kScrolls, "scrolls", "Wheel scrolls"},
    {Quantity::kUptime, "uptime", "Uptime"},
    {Quantity::kUsetime, "usetime", "Usetime"},
};

const QuantityInfo& Info(Quantity q) {
    for (const QuantityInfo& info : kQuantities)
        if (info.quantity == q)
            return info;
    return kQuantities[0];
}

const char* const kStyle = R"css(
body{font-family:system-ui,sans-serif;margin:0;background:#f4f6f8;color:#1d2733}
header{background:#23415e;color:#fff;padding:.8rem 1rem}
header h1{margin:0;font-size:1.3rem}
header a{color:#fff}
main{max-width:42rem;margin:0 auto;padding:1rem}
nav{display:flex;flex-wrap:wrap;gap:.4rem;margin:.5rem 0}
nav a{padding:.35rem .7rem;border-radius:1rem;background:#dde5ee;color:#23415e;text-decoration:none}
nav a.on{background:#23415e;color:#fff}
table{width:100%;border-collapse:collapse;background:#fff}
th,td{padding:.45rem .5rem;border-bottom:1px solid #e2e6ea;text-align:left}
td.n,th.n{text-align:right;white-space:nowrap}
td.nick{word-break:break-all}
form{background:#fff;padding:1rem;border-radius:.5rem;display:grid;gap:.6rem}
input{font-size:1rem;padding:.45rem;width:100%;box-sizing:border-box}
button{font-size:1rem;padding:.55rem;background:#23415e;color:#fff;border:0;border-radius:.3rem}
.msg{padding:.6rem;border-radius:.3rem;background:#fde8e8}
.ok{background:#e3f4e3}
)css";

std::string Page(const std::string& title, const std::string& body) {
    return "<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\">"
           "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">"
           "<title>" +
           HtmlEscape(title) + "</title><style>" + kStyle +
           "</style></head><body><header><h1><a href=\"/\">Project Trekhold</a></h1></header>"
           "<main>" +
           body + "</main></body></html>\n";
}

std::string Link(Quantity by, bool metric, int64_t page) {
    return "/?by=" + std::string(Info(by).word) + "&amp;units=" + (metric ? "metric" : "english") +
           (page > 1 ? "&amp;page=" + std::to_string(page) : "");
}

std::string ValueText(Quantity by, int64_t value, bool metric) {
    switch (by) {
    case Quantity::kDistance:
        return DistanceText(value, metric);
    case Quantity::kUptime:
    case Quantity::kUsetime:
        return MinutesText(value);
    default:
        return GroupedNumber(value);
    }
}

std::string TwoDecimals(int64_t hundredths) {
    std::string cents = std::to_string(hundredths % 100);
    return GroupedNumber(hundredths / 100) + "." + std::string(2 - cents.size(), '0') + cents;
}

} // namespace

std::string HtmlEscape(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        case '\'':
            out += "&#39;";
            break;
        default:
            out += c;
        }
    }
    return out;
}

std::string GroupedNumber(int64_t n) {
    bool negative = n < 0;
    std::string digits = std::to_string(n);
    if (negative)
        digits.erase(0, 1);
    for (int i = static_cast<int>(digits.size()) - 3; i > 0; i -= 3)
        digits.insert(static_cast<size_t>(i), ",");
    return (negative ? "-" : "") + digits;
}

std::string DistanceText(int64_t centimetres, bool metric) {
    if (centimetres < 0)
        centimetres = 0;
    if (metric)
        return TwoDecimals((centimetres + 500) / 1000) + " km"; // 1 km = 100000 cm
    // 1 mile = 160934.4 cm; hundredths of a mile rounded to the nearest.
    int64_t hundredths =
        static_cast<int64_t>((static_cast<long double>(centimetres) * 100 / 160934.4L) + 0.5L);
    return TwoDecimals(hundredths) + " mi";
}

std::string MinutesText(int64_t minutes) {
    if (minutes < 0)
        minutes = 0;
    int64_t days = minutes / 1440, hours = minutes % 1440 / 60, mins = minutes % 60;
    std::string text;
    if (days)
        text += GroupedNumber(days) + " d ";
    if (days || hours)
        text += std::to_string(hours) + " h ";
    return text + std::to_string(mins) + " min";
}

std::optional<Quantity> QuantityFromWord(const std::string& word) {
    for (const QuantityInfo& info : kQuantities)
        if (word == info.word)
            return info.quantity;
    return std::nullopt;
}

std::string RenderRankingPage(const RankingPage& page) {
    std::string body = "<h2>Rankings: " + std::string(Info(page.by).title) + "</h2><nav>";
    for (const QuantityInfo& info : kQuantities)
        body += "<a href=\"" + Link(info.quantity, page.metric, 1) + "\"" +
                (info.quantity == page.by ? " class=\"on\"" : "") + ">" + info.title + "</a>";
    body += "</nav><nav><a href=\"" + Link(page.by, true, page.page) + "\"" +
            (page.metric ? " class=\"on\"" : "") + ">Metric</a><a href=\"" +
            Link(page.by, false, page.page) + "\"" + (page.metric ? "" : " class=\"on\"") +
            ">English</a><a href=\"/signup\">Sign up</a></nav>";
    if (page.rows.empty()) {
        body += "<p>No account yet. <a href=\"/signup\">Be the first.</a></p>";
    } else {
        body += "<table><thead><tr><th class=\"n\">#</th><th>Nickname</th><th class=\"n\">" +
                std::string(Info(page.by).title) + "</th></tr></thead><tbody>";
        int64_t rank = page.first_rank;
        for (const RankingEntry& row : page.rows)
            body += "<tr><td class=\"n\">" + std::to_string(rank++) + "</td><td class=\"nick\">" +
                    HtmlEscape(row.nick) + "</td><td class=\"n\">" +
                    HtmlEscape(ValueText(page.by, row.value, page.metric)) + "</td></tr>";
        body += "</tbody></table>";
    }
    if (page.pages > 1) {
        body += "<nav>";
        if (page.page > 1)
            body += "<a href=\"" + Link(page.by, page.metric, page.page - 1) + "\">Previous</a>";
        body += "<span>Page " + std::to_string(page.page) + " of " + std::to_string(page.pages) +
                "</span>";
        if (page.page < page.pages)
            body += "<a href=\"" + Link(page.by, page.metric, page.page + 1) + "\">Next</a>";
        body += "</nav>";
    }
    return Page("Project Trekhold rankings", body);
}

std::string RenderSignUpPage(const std::string& message, const std::string& nick, bool created) {
    std::string body = "<h2>Create an account</h2>";
    if (created) {
        body += "<p class=\"msg ok\">Account " + HtmlEscape(nick) +
                " created. Enter this nickname and password in TheWandrel.</p>"
                "<p><a href=\"/\">See the rankings</a></p>";
        return Page("Account created", body);
    }
    if (!message.empty())
        body += "<p class=\"msg\">" + HtmlEscape(message) + "</p>";
    body += "<form method=\"post\" action=\"/signup\">"
            "<label>Nickname<input name=\"nick\" maxlength=\"32\" autocomplete=\"username\" "
            "value=\"" +
            HtmlEscape(nick) +
            "\"></label>"
            "<label>Password<input name=\"password\" type=\"password\" maxlength=\"64\" "
            "autocomplete=\"new-password\"></label>"
            "<label>Password again<input name=\"again\" type=\"password\" maxlength=\"64\" "
            "autocomplete=\"new-password\"></label>"
            "<button type=\"submit\">Sign up</button></form>"
            "<p>Nicknames and passwords may hold letters, digits and - _ . ! $ ( ) * , ; : @. "
            "Passwords have 6 to 64 characters.</p>";
    return Page("Sign up", body);
}

std::string RenderNotFoundPage() {
    return Page("Not found", "<p>Nothing here. <a href=\"/\">See the rankings</a></p>");
}

} // namespace trekhold
