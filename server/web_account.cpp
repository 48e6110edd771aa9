// The account page: sign in with nickname and password, see the last sendings, hide or
// show the public page, change the password. Every form carries the nickname and asks for
// the password, so that the server keeps no session.
#include "server/website.h"

namespace trekhold {

namespace {

std::string HiddenNick(const std::string& nick) {
    return "<input type=\"hidden\" name=\"nick\" value=\"" + HtmlEscape(nick) + "\">";
}

std::string PasswordField(const std::string& label, const std::string& name,
                          const char* autocomplete) {
    return "<label>" + label + "<input name=\"" + name +
           "\" type=\"password\" maxlength=\"64\" required autocomplete=\"" + autocomplete +
           "\"></label>";
}

// Three columns, so that it fits a phone: the counts of a sending share one cell.
std::string SendingsTable(const std::vector<SendingRow>& rows) {
    if (rows.empty())
        return "<p>No sending yet.</p>";
    std::string table = "<table><thead><tr><th scope=\"col\">Sent</th><th scope=\"col\">"
                        "Computer</th><th scope=\"col\">Counts</th></tr></thead><tbody>";
    for (const SendingRow& row : rows)
        table += "<tr><td>" + DateTimeText(row.sent) + "</td><td class=\"nick\">" +
                 HtmlEscape(row.machine.substr(0, 8)) + "</td><td>" +
                 DistanceText(row.counts.distance, true) + "<br>" +
                 GroupedNumber(row.counts.keystrokes) + " keystrokes<br>" +
                 GroupedNumber(CountOf(row.counts, Quantity::kClicks)) + " clicks" +
                 (row.held ? "<br><strong>Held for review: not counted</strong>" : "") +
                 "</td></tr>";
    return ScrollingTable("Last sendings", table + "</tbody></table>");
}

} // namespace

std::string RenderAccountPage(const AccountView& view) {
    std::string body;
    if (!view.message.empty())
        body +=
            "<p class=\"msg" +
            std::string(view.message_is_error ? "\" role=\"alert\">" : " ok\" role=\"status\">") +
            HtmlEscape(view.message) + "</p>";
    if (!view.member) {
        body += "<form method=\"post\" action=\"/account\"><input type=\"hidden\" name=\"action\" "
                "value=\"view\"><label>Nickname<input name=\"nick\" maxlength=\"64\" required "
                "autocomplete=\"username\" value=\"" +
                HtmlEscape(view.nick) + "\"></label>" +
                PasswordField("Password", "password", "current-password") +
                "<button type=\"submit\">Sign in</button></form>"
                "<p>The nickname and password you gave TheWandrel. No account yet? "
                "<a href=\"/signup\">Sign up</a>.</p>";
        return PageHtml("My account", body);
    }
    const MemberSummary& m = *view.member;
    body += "<p>Signed in as <strong class=\"nick\">" + HtmlEscape(m.nick) + "</strong>. ";
    body += m.hidden         ? "The operator has left your account out of the rankings.</p>"
            : m.private_page ? "Your page is hidden: you are in the rankings as “hidden”.</p>"
                             : "Your page is public: <a href=\"" + MemberAddress(m.nick) +
                                   "\">your member page</a>.</p>";

    const bool hide = !m.private_page;
    body += "<h2>Your page</h2><form method=\"post\" action=\"/account\">" + HiddenNick(m.nick) +
            "<input type=\"hidden\" name=\"action\" value=\"" + (hide ? "hide" : "show") +
            "\">" + PasswordField("Password", "password", "current-password") +
            "<button type=\"submit\">" + (hide ? "Hide my page" : "Show my page") +
            "</button></form><p class=\"note\">" +
            (hide ? "You stay in the rankings as “hidden”; your page and history are not shown."
                  : "Shown again, your nickname, page and history are public.") +
            "</p>";

    body += "<h2>Last sendings</h2>" + SendingsTable(view.sendings) +
            "<p class=\"note\">Times in UTC.</p>";

    body += "<h2>Change the password</h2><form method=\"post\" action=\"/account\">" +
            HiddenNick(m.nick) + "<input type=\"hidden\" name=\"action\" value=\"password\">" +
            PasswordField("Current password", "password", "current-password") +
            PasswordField("New password", "new", "new-password") +
            PasswordField("New password again", "again", "new-password") +
            "<button type=\"submit\">Change the password</button></form><p class=\"note\">"
            "TheWandrel sends the password with every sending: enter the new one in its "
            "settings too.</p><p><a href=\"/account\">Sign in as someone else</a></p>";
    return PageHtml("My account", body);
}

} // namespace trekhold
