// The website's pages, rendered on the server as plain HTML with one stylesheet, readable
// on a phone and by a screen reader. Every text from outside (nicknames above all: old
// accounts may hold any character) is escaped for where it goes: HtmlEscape in text and
// attributes, UrlEncode in addresses. The pages are pure functions of the values they are
// given; web_routes.h reads those values and answers the requests.
#pragma once

#include "server/site_data.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace trekhold {

std::string HtmlEscape(const std::string& text);
// Every byte but A-Z a-z 0-9 - _ . ~ as %XX: safe in a path segment and a query value.
std::string UrlEncode(const std::string& text);

// Thousands grouped with ",".
std::string GroupedNumber(int64_t n);
// Metric: kilometres with two decimals; English: miles with two decimals.
std::string DistanceText(int64_t centimetres, bool metric);
// "3 d 4 h 5 min", leading zero parts left out.
std::string MinutesText(int64_t minutes);
// A quantity's value as the pages show it.
std::string ValueText(Quantity quantity, int64_t value, bool metric);
const char* QuantityTitle(Quantity quantity); // "Distance", "Wheel scrolls", ...
// "7 December 2026", and with the time "7 December 2026, 14:05 UTC".
std::string DateText(int64_t unix_seconds);
std::string DateTimeText(int64_t unix_seconds);

// The stylesheet every page links to, and the address it is linked at (with its digest,
// so that browsers keep it as long as it does not change).
const std::string& StyleSheet();
const std::string& StyleSheetAddress();
// A wide table in a region of its own that scrolls sideways on a narrow screen (the page
// itself never does), reachable by keyboard and named for screen readers.
std::string ScrollingTable(const std::string& name, const std::string& table);
// A whole page: `title` names it in the window and as its one h1; `body` follows the h1.
std::string PageHtml(const std::string& title, const std::string& body);

constexpr int64_t kRankingPageSize = 100;

// A ranking page: which ranking, its page of rows, and how to show them.
struct RankingView {
    RankingResult result;
    bool metric = true;
    int64_t now = 0;       // names the period
    std::string not_found; // a searched nickname that is not in this ranking; empty: none
};
// The address of a ranking page ("/rankings?by=...&period=...&units=...&page=N"), to be
// escaped in HTML; a member's page, safe as it is.
std::string RankingAddress(Quantity by, Period period, bool metric, int64_t page);
std::string MemberAddress(const std::string& nick);
// Rows carry the id "rank-N": the "find nickname" form leads to the page and the row.
std::string RenderRankingPage(const RankingView& view);
// The front page: the community's totals above the first page of the all-time ranking.
std::string RenderFrontPage(const CommunityTotals& community, const RankingView& view);

struct MemberView {
    MemberSummary member;
    std::vector<HistoryPoint> days, months;
    bool metric = true;
};
std::string RenderMemberPage(const MemberView& view);

// The account page. Without `member` it shows the sign-in form; with it, the member's
// state, last sendings and the forms that change them (each asks for the password again:
// no session is kept).
struct AccountView {
    std::string message; // shown above everything; empty: none
    bool message_is_error = true;
    std::string nick; // pre-filled in the sign-in form
    std::optional<MemberSummary> member;
    std::vector<SendingRow> sendings;
};
std::string RenderAccountPage(const AccountView& view);

// `message` is shown above the form (empty: none); `created` shows the success text.
std::string RenderSignUpPage(const std::string& message, const std::string& nick, bool created);

std::string RenderNotFoundPage();

} // namespace trekhold
