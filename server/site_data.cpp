#include "server/site_data.h"

#include "server/trekhold_service.h"

namespace trekhold {

std::optional<Period> PeriodFromWord(const std::string&) { return std::nullopt; }
const char* PeriodWord(Period) { return "all"; }
const char* QuantityWord(Quantity) { return "distance"; }
int64_t DayNumber(int64_t) { return 0; }
int64_t WeekNumber(int64_t) { return 0; }
int64_t MonthNumber(int64_t) { return 0; }
int64_t MonthStart(int64_t) { return 0; }
CivilDate DateOfDay(int64_t) { return {}; }
std::pair<int64_t, int> IsoWeekOfDay(int64_t) { return {1970, 1}; }
PeriodSpan SpanOf(Period period, int64_t) { return {period, 0, 0, 0}; }
std::string PeriodTitle(Period, int64_t) { return ""; }
int64_t CountOf(const Counts&, Quantity) { return 0; }
RankingResult RankingOf(Database&, Quantity, Period, int64_t, int64_t, int64_t) { return {}; }
std::optional<NickPlace> PlaceOf(Database&, const std::string&, Quantity, Period, int64_t, int64_t) {
    return std::nullopt;
}
std::optional<MemberSummary> MemberOf(Database&, const std::string&) { return std::nullopt; }
std::vector<HistoryPoint> DailyHistory(Database&, int64_t, int64_t, int) { return {}; }
std::vector<HistoryPoint> MonthlyHistory(Database&, int64_t, int64_t, int) { return {}; }
CommunityTotals CommunityOf(Database&, int64_t) { return {}; }
std::vector<SendingRow> LastSendings(Database&, int64_t, int) { return {}; }

int64_t SiteData::Now() { return service_.config().wall_seconds(); }
RankingResult SiteData::Ranking(Quantity, Period, int64_t, int64_t) { return {}; }
std::optional<NickPlace> SiteData::Place(const std::string&, Quantity, Period, int64_t) {
    return std::nullopt;
}
std::optional<MemberSummary> SiteData::Member(const std::string&) { return std::nullopt; }
std::vector<HistoryPoint> SiteData::Daily(int64_t, int) { return {}; }
std::vector<HistoryPoint> SiteData::Monthly(int64_t, int) { return {}; }
CommunityTotals SiteData::Community() { return {}; }
AccountResult SiteData::SignIn(const std::string&, const std::string&, const std::string&,
                               MemberSummary&) {
    return AccountResult::kFailed;
}
AccountResult SiteData::SetHidden(const std::string&, const std::string&, bool,
                                  const std::string&) {
    return AccountResult::kFailed;
}
AccountResult SiteData::ChangePassword(const std::string&, const std::string&, const std::string&,
                                       const std::string&, std::string&) {
    return AccountResult::kFailed;
}
AccountResult SiteData::Sendings(const std::string&, const std::string&, const std::string&, int,
                                 std::vector<SendingRow>&) {
    return AccountResult::kFailed;
}

} // namespace trekhold
