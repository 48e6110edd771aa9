// The website: rankings of every account and the sign-up page, rendered on the server as
// plain HTML and CSS that reads on a phone. Every text from outside is escaped.
#pragma once

#include "server/account_store.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace trekhold {

std::string HtmlEscape(const std::string& text);

// Thousands grouped with ",".
std::string GroupedNumber(int64_t n);
// Metric: kilometres with two decimals; English: miles with two decimals.
std::string DistanceText(int64_t centimetres, bool metric);
// "3 d 4 h 5 min", leading zero parts left out.
std::string MinutesText(int64_t minutes);

struct RankingPage {
    Quantity by = Quantity::kDistance;
    bool metric = true;
    int64_t page = 1; // from 1
    int64_t pages = 1;
    int64_t first_rank = 1;
    std::vector<RankingEntry> rows;
};
constexpr int64_t kRankingPageSize = 100;

// Query words: by=distance|keystrokes|clicks|scrolls|uptime|usetime, units=metric|english.
std::optional<Quantity> QuantityFromWord(const std::string& word);
std::string RenderRankingPage(const RankingPage& page);

// `message` is shown above the form (empty: none); `created` shows the success text.
std::string RenderSignUpPage(const std::string& message, const std::string& nick, bool created);

std::string RenderNotFoundPage();

} // namespace trekhold
