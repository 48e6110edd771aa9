#include "server/review.h"

#include "server/history.h"

namespace trekhold {

void HoldSending(Database& db, int64_t account_id, int64_t now, const std::string& record,
                 const std::string& reason, const Counts& c, int64_t sending_id) {
    auto s = db.Reuse("INSERT INTO held_sendings (account_id, received, record, reason, distance, "
                      "keystrokes, left_clicks, right_clicks, special_clicks, scrolls, uptime, "
                      "usetime, sending_id) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)");
    s->Bind(1, account_id).Bind(2, now).Bind(3, record).Bind(4, reason);
    s->Bind(5, c.distance).Bind(6, c.keystrokes).Bind(7, c.left_clicks).Bind(8, c.right_clicks);
    s->Bind(9, c.special_clicks).Bind(10, c.scrolls).Bind(11, c.uptime).Bind(12, c.usetime);
    if (sending_id > 0)
        s->Bind(13, sending_id);
    s->Run();
}

std::vector<HeldSending> HeldSendings(Database& db, const std::string& state) {
    Statement s = db.Prepare(
        "SELECT h.id, a.nick, h.received, h.record, h.reason, h.state, h.distance, h.keystrokes, "
        "h.left_clicks, h.right_clicks, h.special_clicks, h.scrolls, h.uptime, h.usetime "
        "FROM held_sendings h JOIN accounts a ON a.id = h.account_id WHERE h.state = ? "
        "ORDER BY h.id");
    s.Bind(1, state);
    std::vector<HeldSending> list;
    while (s.Step())
        list.push_back({s.Int(0),
                        s.Text(1),
                        s.Int(2),
                        s.Text(3),
                        s.Text(4),
                        s.Text(5),
                        {s.Int(6), s.Int(7), s.Int(8), s.Int(9), s.Int(10), s.Int(11), s.Int(12),
                         s.Int(13)}});
    return list;
}

bool Decide(Database& db, int64_t id, Decision decision) {
    if (decision == Decision::kAccept) {
        Statement history = db.Prepare(
            "SELECT sending_id FROM held_sendings WHERE id = ? AND state = 'held' AND "
            "sending_id IS NOT NULL");
        if (history.Bind(1, id).Step())
            CountHeldSending(db, history.Int(0)); // held before the history began: none
        db.Prepare(
              "UPDATE accounts SET (distance, keystrokes, left_clicks, right_clicks, "
              "special_clicks, scrolls, uptime, usetime) = (SELECT accounts.distance + h.distance, "
              "accounts.keystrokes + h.keystrokes, accounts.left_clicks + h.left_clicks, "
              "accounts.right_clicks + h.right_clicks, accounts.special_clicks + "
              "h.special_clicks, accounts.scrolls + h.scrolls, accounts.uptime + h.uptime, "
              "accounts.usetime + h.usetime FROM held_sendings h WHERE h.id = ?1) "
              "WHERE id = (SELECT account_id FROM held_sendings WHERE id = ?1 AND state = 'held')")
            .Bind(1, id)
            .Run();
    }
    db.Prepare("UPDATE held_sendings SET state = ? WHERE id = ? AND state = 'held'")
        .Bind(1, std::string(decision == Decision::kAccept ? "accepted" : "rejected"))
        .Bind(2, id)
        .Run();
    return db.Changes() == 1;
}

} // namespace trekhold
