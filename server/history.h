// The history of sendings and its sums, written in the transaction that stores a sending,
// so that the sums always equal what the sendings add up to.
#pragma once

#include "server/sending_record.h"
#include "server/sqlite_db.h"

#include <cstdint>
#include <string>

namespace trekhold {

// The kinds of period_sums and community_sums rows (schema.h).
enum SumKind : int { kDaySums = 0, kWeekSums = 1, kMonthSums = 2, kAllTimeSums = 3 };

// Records a stored sending received at `when` (Unix seconds) and returns its id. A held one
// (judged implausible) keeps its counts on record but adds nothing; a counted one is added
// to the sums (AddToSums).
int64_t RecordSending(Database& db, int64_t account_id, int64_t when, const std::string& machine,
                      const Counts& counts, bool held);

// Adds one counted sending to the sums of `when`: the account's day, week and month, the
// community's (and its all-time row) and the computer's.
void AddToSums(Database& db, int64_t account_id, int64_t when, const std::string& machine,
               const Counts& counts);

// A held sending the operator accepted: counted from now on, in the periods it was received in.
void CountHeldSending(Database& db, int64_t sending_id);

} // namespace trekhold
