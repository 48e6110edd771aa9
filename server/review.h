// Sendings held for the operator: answered like accepted ones (so the client does not send
// them again), recorded in full, but added to the totals only once the operator accepts
// them. A rejected sending stays recorded.
#pragma once

#include "server/sending_record.h"
#include "server/sqlite_db.h"

#include <optional>
#include <string>
#include <vector>

namespace trekhold {

struct HeldSending {
    int64_t id = 0;
    std::string nick;
    int64_t received = 0;
    std::string record; // the sending record without its password
    std::string reason;
    std::string state; // "held", "accepted" or "rejected"
    Counts counts;     // what it adds once accepted
};

// `sending_id`: its row in the history (history.h).
void HoldSending(Database& db, int64_t account_id, int64_t now, const std::string& record,
                 const std::string& reason, const Counts& counts, int64_t sending_id = 0);

// Every sending in the given state, oldest first.
std::vector<HeldSending> HeldSendings(Database& db, const std::string& state = "held");

enum class Decision { kAccept, kReject };
// Accepting adds the sending's counts to its account and to the sums of the periods it was
// received in. False when `id` is not held.
bool Decide(Database& db, int64_t id, Decision decision);

} // namespace trekhold
