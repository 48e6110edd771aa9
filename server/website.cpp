#include "server/website.h"

#include <cstdio>

namespace trekhold {

namespace {

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

std::string UrlEncode(const std::string& text) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : text) {
        if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
            c == '-' || c == '_' || c == '.' || c == '~') {
            out += static_cast<char>(c);
        } else {
            out += '%';
            out += kHex[c >> 4];
            out += kHex[c & 15];
        }
    }
    return out;
}

std::string ValueText(Quantity quantity, int64_t value, bool metric) {
    switch (quantity) {
    case Quantity::kDistance:
        return DistanceText(value, metric);
    case Quantity::kUptime:
    case Quantity::kUsetime:
        return MinutesText(value);
    default:
        return GroupedNumber(value);
    }
}

const char* QuantityTitle(Quantity quantity) {
    switch (quantity) {
    case Quantity::kDistance:
        return "Distance";
    case Quantity::kKeystrokes:
        return "Keystrokes";
    case Quantity::kClicks:
        return "Clicks";
    case Quantity::kScrolls:
        return "Wheel scrolls";
    case Quantity::kUptime:
        return "Uptime";
    case Quantity::kUsetime:
        return "Usetime";
    }
    return "";
}

std::string DateText(int64_t unix_seconds) {
    CivilDate date = DateOfDay(DayNumber(unix_seconds));
    return std::to_string(date.day) + " " + MonthName(date.month) + " " +
           std::to_string(date.year);
}

std::string DateTimeText(int64_t unix_seconds) {
    int64_t second_of_day = unix_seconds - DayNumber(unix_seconds) * 86400;
    char time[16];
    std::snprintf(time, sizeof time, "%02d:%02d", static_cast<int>(second_of_day / 3600),
                  static_cast<int>(second_of_day % 3600 / 60));
    return DateText(unix_seconds) + ", " + time + " UTC";
}

const std::string& StyleSheet() {
    static const std::string style = R"css(*{box-sizing:border-box}
body{font-family:system-ui,sans-serif;margin:0;background:#f4f6f8;color:#1d2733;line-height:1.4}
a{color:#1b4a7a}
header{background:#23415e;color:#fff;padding:.6rem 1rem;display:flex;flex-wrap:wrap;align-items:center;gap:.3rem 1.2rem}
header a{color:#fff}
.site{font-weight:700;font-size:1.15rem;text-decoration:none}
header nav{display:flex;flex-wrap:wrap;gap:.3rem 1rem}
main{max-width:48rem;margin:0 auto;padding:1rem}
h1{font-size:1.5rem;margin:.2rem 0 .8rem;overflow-wrap:anywhere}
h2{font-size:1.2rem;margin:1.5rem 0 .5rem}
h3{font-size:1.05rem;margin:1.1rem 0 .3rem}
.tabs{display:flex;flex-wrap:wrap;gap:.4rem;margin:.5rem 0;padding:0;list-style:none}
.tabs a{display:inline-block;padding:.35rem .7rem;border-radius:1rem;background:#dde5ee;color:#23415e;text-decoration:none}
.tabs a[aria-current]{background:#23415e;color:#fff}
table{width:100%;border-collapse:collapse;background:#fff}
caption{text-align:left;font-weight:600;padding:.3rem 0}
th,td{padding:.45rem .5rem;border-bottom:1px solid #d5dbe1;text-align:left;vertical-align:top}
.n{text-align:right;white-space:nowrap}
.nick{overflow-wrap:anywhere;word-break:break-all}
.private{color:#44515e}
.vh{position:absolute;width:1px;height:1px;overflow:hidden;clip:rect(0 0 0 0);white-space:nowrap}
tbody tr:target{background:#fff1b8;outline:3px solid #7a5c00}
.pager{display:flex;flex-wrap:wrap;gap:1rem;align-items:center;margin:.8rem 0}
form{background:#fff;padding:1rem;border-radius:.5rem;display:grid;gap:.6rem;margin:.8rem 0}
label{display:grid;gap:.2rem}
form.find{grid-template-columns:1fr auto;align-items:end}
input,select{font:inherit;padding:.45rem;width:100%;border:1px solid #6b7785;border-radius:.3rem}
button{font:inherit;padding:.5rem .9rem;background:#23415e;color:#fff;border:0;border-radius:.3rem;cursor:pointer}
.msg{padding:.6rem;border-radius:.3rem;background:#fde8e8;border-left:4px solid #9b1c1c}
.ok{background:#e3f4e3;border-left-color:#1d6b2a}
.note{color:#44515e;font-size:.95rem}
figure.chart{margin:.5rem 0 1rem;background:#fff;padding:.5rem;border-radius:.5rem}
figure.chart svg{display:block;width:100%;height:auto}
summary{cursor:pointer;padding:.3rem 0;color:#1b4a7a}
.wide{overflow-x:auto}
.totals .n{white-space:normal}
th.n{white-space:normal}
@media (max-width:30rem){main{padding:.75rem}th,td{padding:.4rem .3rem}}
.charts svg{font-size:24px}.charts .minor{display:none}
@media (min-width:48rem){.charts{display:grid;grid-template-columns:1fr 1fr;gap:0 1rem}}
@media (min-width:30rem) and (max-width:48rem){.charts svg{font-size:19px}.charts .minor{display:inline}}
)css";
    return style;
}

const std::string& StyleSheetAddress() {
    static const std::string address = [] {
        // FNV-1a of the sheet: a new sheet gets a new address, the old one stays cached.
        uint64_t hash = 14695981039346656037ull;
        for (unsigned char c : StyleSheet())
            hash = (hash ^ c) * 1099511628211ull;
        char hex[17];
        std::snprintf(hex, sizeof hex, "%016llx", static_cast<unsigned long long>(hash));
        return std::string("/style.css?v=") + hex;
    }();
    return address;
}

std::string ScrollingTable(const std::string& name, const std::string& table) {
    return "<div class=\"wide\" role=\"region\" tabindex=\"0\" aria-label=\"" + HtmlEscape(name) +
           "\">" + table + "</div>";
}

std::string PageHtml(const std::string& title, const std::string& body) {
    return "<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\">"
           "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">"
           "<title>" +
           HtmlEscape(title) + " – Project Trekhold</title><link rel=\"stylesheet\" href=\"" +
           StyleSheetAddress() +
           "\"></head><body><header><a class=\"site\" href=\"/\">Project Trekhold</a>"
           "<nav aria-label=\"Site\"><a href=\"/rankings\">Rankings</a>"
           "<a href=\"/account\">My account</a><a href=\"/signup\">Sign up</a></nav></header>"
           "<main><h1>" +
           HtmlEscape(title) + "</h1>" + body + "</main></body></html>\n";
}

std::string RenderSignUpPage(const std::string& message, const std::string& nick, bool created) {
    if (created)
        return PageHtml("Account created",
                        "<p class=\"msg ok\">Account " + HtmlEscape(nick) +
                            " created. Enter this nickname and password in TheWandrel.</p>"
                            "<p><a href=\"/\">See the rankings</a></p>");
    std::string body;
    if (!message.empty())
        body += "<p class=\"msg\" role=\"alert\">" + HtmlEscape(message) + "</p>";
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
    return PageHtml("Create an account", body);
}

std::string RenderNotFoundPage() {
    return PageHtml("Not found", "<p>Nothing here. <a href=\"/\">See the rankings</a></p>");
}

} // namespace trekhold
