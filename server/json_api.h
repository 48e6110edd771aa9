// The JSON API for programs, under /api/v1/ (GET; every answer is JSON with Cache-Control):
//
//   rankings?quantity=distance&period=all&page=1&size=100[&nick=NICK]
//                     a page of a ranking (nick: the page that holds that member)
//   member/NICK       a member's totals, ranks, computers and history (30 days, 12 months)
//   community         all members together: all time, today, active this week
//
// Unknown words or numbers out of range: 400; an unknown, hidden or private member, a page
// beyond the last, any other path: 404. A private member is ranked with "nick": null and
// "hidden": true. Answers are kept as long as the website's pages.
#pragma once

#include "server/json_text.h"
#include "server/site_data.h"

#include <cstdint>
#include <functional>
#include <string>

namespace httplib {
class Server;
}

namespace trekhold {

// "2026-12-07T00:00:00Z"
std::string IsoTime(int64_t unix_seconds);

std::string RankingJson(const RankingResult& ranking);
std::string MemberJson(const MemberSummary& member, const std::vector<HistoryPoint>& daily,
                       const std::vector<HistoryPoint>& monthly);
std::string CommunityJson(const CommunityTotals& community, int64_t now);

// Returns what forgets every kept answer (for a change that must show at once).
std::function<void()> InstallJsonApi(httplib::Server& server, TrekholdService& service,
                                     int64_t cache_ms);

} // namespace trekhold
