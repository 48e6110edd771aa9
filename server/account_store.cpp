#include "server/account_store.h"

#include <cstring>

namespace trekhold {

namespace {

const char* const kAccountColumns =
    "id, nick, pw_hash, key, prev_key, last_record, last_answer, distance, keystrokes, "
    "left_clicks, right_clicks, special_clicks, scrolls, uptime, usetime, sendings, hidden, "
    "key_issued, prev_key_issued";

Account ReadAccount(const Statement& s) {
    Account a;
    a.id = s.Int(0);
    a.nick = s.Text(1);
    a.pw_hash = s.Text(2);
    a.key = s.Text(3);
    a.prev_key = s.Text(4);
    a.last_record = s.Text(5);
    a.last_answer = s.Text(6);
    a.totals = {s.Int(7),  s.Int(8),  s.Int(9),  s.Int(10),
                s.Int(11), s.Int(12), s.Int(13), s.Int(14)};
    a.sendings = s.Int(15);
    a.hidden = s.Int(16) != 0;
    a.key_issued = s.Int(17);
    a.prev_key_issued = s.Int(18);
    return a;
}

bool AllowedCharacter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
           std::strchr("-_.!$()*,;:@", c) != nullptr;
}

bool AllAllowed(const std::string& text) {
    for (char c : text)
        if (c == '\0' || !AllowedCharacter(c))
            return false;
    return true;
}

void BumpListVersion(Database& db) {
    db.Prepare("UPDATE meta SET value = CAST((CAST(value AS INTEGER) + 1) % 1000 AS TEXT) "
               "WHERE name = 'list_version'")
        .Run();
}

} // namespace

std::string NewAccountProblem(const std::string& nick, const std::string& password) {
    if (nick.empty() || nick.size() > kMaxNickLength)
        return "The nickname must have 1 to " + std::to_string(kMaxNickLength) + " characters.";
    if (!AllAllowed(nick))
        return "The nickname may only hold letters, digits and - _ . ! $ ( ) * , ; : @";
    if (password.size() < 6 || password.size() > kMaxPasswordLength)
        return "The password must have 6 to " + std::to_string(kMaxPasswordLength) + " characters.";
    if (!AllAllowed(password))
        return "The password may only hold letters, digits and - _ . ! $ ( ) * , ; : @";
    return "";
}

std::optional<Account> FindAccount(Database& db, const std::string& nick) {
    auto s = db.Reuse(std::string("SELECT ") + kAccountColumns + " FROM accounts WHERE nick = ?");
    s->Bind(1, nick);
    if (!s->Step())
        return std::nullopt;
    return ReadAccount(*s);
}

std::optional<Account> AccountById(Database& db, int64_t id) {
    auto s = db.Reuse(std::string("SELECT ") + kAccountColumns + " FROM accounts WHERE id = ?");
    s->Bind(1, id);
    if (!s->Step())
        return std::nullopt;
    return ReadAccount(*s);
}

bool CreateAccount(Database& db, const std::string& nick, const std::string& pw_hash, int64_t now) {
    Statement s = db.Prepare(
        "INSERT INTO accounts (nick, pw_hash, created) VALUES (?, ?, ?) ON CONFLICT DO NOTHING");
    s.Bind(1, nick).Bind(2, pw_hash).Bind(3, now).Run();
    return db.Changes() == 1;
}

void StoreNewKey(Database& db, int64_t id, const std::string& key, int64_t now) {
    db.Prepare("UPDATE accounts SET key = ?, key_issued = ?, prev_key = '', prev_key_issued = 0, "
               "last_record = '', last_answer = '' WHERE id = ?")
        .Bind(1, key)
        .Bind(2, now)
        .Bind(3, id)
        .Run();
}

void StoreSending(Database& db, int64_t id, const SendingChange& c, int64_t now) {
    auto s = db.Reuse(
        "UPDATE accounts SET key = ?, key_issued = ?, prev_key = ?, prev_key_issued = ?, "
        "last_record = ?, last_answer = ?, "
        "distance = distance + ?, keystrokes = keystrokes + ?, left_clicks = left_clicks + ?, "
        "right_clicks = right_clicks + ?, special_clicks = special_clicks + ?, "
        "scrolls = scrolls + ?, uptime = uptime + ?, usetime = usetime + ?, "
        "sendings = sendings + 1, last_sent = ? WHERE id = ?");
    s->Bind(1, c.new_key).Bind(2, now).Bind(3, c.prev_key).Bind(4, c.prev_key_issued);
    s->Bind(5, c.replay_text).Bind(6, c.answer);
    const Counts& a = c.added;
    s->Bind(7, a.distance).Bind(8, a.keystrokes).Bind(9, a.left_clicks);
    s->Bind(10, a.right_clicks).Bind(11, a.special_clicks).Bind(12, a.scrolls);
    s->Bind(13, a.uptime).Bind(14, a.usetime).Bind(15, now).Bind(16, id);
    s->Run();
    if (db.Changes() != 1)
        throw DbError("account vanished");
}

bool SetPasswordHash(Database& db, const std::string& nick, const std::string& pw_hash) {
    db.Prepare("UPDATE accounts SET pw_hash = ? WHERE nick = ?").Bind(1, pw_hash).Bind(2, nick).Run();
    return db.Changes() == 1;
}

bool RenameAccount(Database& db, const std::string& nick, const std::string& new_nick) {
    db.Prepare("UPDATE OR IGNORE accounts SET nick = ? WHERE nick = ?")
        .Bind(1, new_nick)
        .Bind(2, nick)
        .Run();
    return db.Changes() == 1;
}

bool RemoveAccount(Database& db, const std::string& nick) {
    // The community's sums are every account's: they lose this one's, all time (its
    // totals) and in each period it sent in.
    db.Prepare("UPDATE community_sums AS c SET distance = c.distance - p.distance, "
               "keystrokes = c.keystrokes - p.keystrokes, "
               "left_clicks = c.left_clicks - p.left_clicks, "
               "right_clicks = c.right_clicks - p.right_clicks, "
               "special_clicks = c.special_clicks - p.special_clicks, "
               "scrolls = c.scrolls - p.scrolls, uptime = c.uptime - p.uptime, "
               "usetime = c.usetime - p.usetime, sendings = c.sendings - p.sendings, "
               "members = c.members - 1 FROM period_sums p "
               "WHERE p.account_id = (SELECT id FROM accounts WHERE nick = ?) "
               "AND c.kind = p.kind AND c.period = p.period")
        .Bind(1, nick)
        .Run();
    db.Prepare("UPDATE community_sums SET (distance, keystrokes, left_clicks, right_clicks, "
               "special_clicks, scrolls, uptime, usetime, sendings) = (SELECT "
               "community_sums.distance - a.distance, community_sums.keystrokes - a.keystrokes, "
               "community_sums.left_clicks - a.left_clicks, "
               "community_sums.right_clicks - a.right_clicks, "
               "community_sums.special_clicks - a.special_clicks, "
               "community_sums.scrolls - a.scrolls, community_sums.uptime - a.uptime, "
               "community_sums.usetime - a.usetime, community_sums.sendings - a.sendings "
               "FROM accounts a WHERE a.nick = ?) WHERE kind = 3 AND period = 0 AND "
               "EXISTS (SELECT 1 FROM accounts WHERE nick = ?1)")
        .Bind(1, nick)
        .Run();
    db.Prepare("DELETE FROM accounts WHERE nick = ?").Bind(1, nick).Run();
    return db.Changes() == 1;
}

bool SetHidden(Database& db, const std::string& nick, bool hidden) {
    db.Prepare("UPDATE accounts SET hidden = ? WHERE nick = ?")
        .Bind(1, hidden ? 1 : 0)
        .Bind(2, nick)
        .Run();
    if (db.Changes() != 1)
        return false;
    // The rankings of the periods read the flag from their own rows.
    db.Prepare("UPDATE period_sums SET hidden = ?1 WHERE account_id = "
               "(SELECT id FROM accounts WHERE nick = ?2) AND hidden != ?1")
        .Bind(1, hidden ? 1 : 0)
        .Bind(2, nick)
        .Run();
    return true;
}

namespace {

std::vector<std::string> NicksWhere(Database& db, const char* flag) {
    std::vector<std::string> nicks;
    Statement s =
        db.Prepare(std::string("SELECT nick FROM accounts WHERE ") + flag + " = 1 ORDER BY nick");
    while (s.Step())
        nicks.push_back(s.Text(0));
    return nicks;
}

} // namespace

std::vector<std::string> HiddenAccounts(Database& db) { return NicksWhere(db, "hidden"); }

bool SetPrivatePage(Database& db, const std::string& nick, bool private_page) {
    db.Prepare("UPDATE accounts SET private_page = ? WHERE nick = ?")
        .Bind(1, private_page ? 1 : 0)
        .Bind(2, nick)
        .Run();
    return db.Changes() == 1;
}

std::vector<std::string> PrivateAccounts(Database& db) { return NicksWhere(db, "private_page"); }

std::vector<std::string> ListedDigests(Database& db) {
    std::vector<std::string> digests;
    Statement s = db.Prepare("SELECT digest FROM library_digests ORDER BY digest");
    while (s.Step())
        digests.push_back(s.Text(0));
    return digests;
}

bool DigestAccepted(Database& db, const std::string& digest) {
    auto s = db.Reuse("SELECT NOT EXISTS (SELECT 1 FROM library_digests) OR "
                      "EXISTS (SELECT 1 FROM library_digests WHERE digest = ?)");
    s->Bind(1, digest);
    return s->Step() && s->Int(0) != 0;
}

int ListVersion(Database& db) {
    auto s = db.Reuse("SELECT CAST(value AS INTEGER) FROM meta WHERE name = 'list_version'");
    return s->Step() ? static_cast<int>(s->Int(0) % 1000) : 0;
}

bool AddDigest(Database& db, const std::string& digest) {
    db.Prepare("INSERT INTO library_digests (digest) VALUES (?) ON CONFLICT DO NOTHING")
        .Bind(1, digest)
        .Run();
    if (db.Changes() != 1)
        return false;
    BumpListVersion(db);
    return true;
}

bool RemoveDigest(Database& db, const std::string& digest) {
    db.Prepare("DELETE FROM library_digests WHERE digest = ?").Bind(1, digest).Run();
    if (db.Changes() != 1)
        return false;
    BumpListVersion(db);
    return true;
}

const char* QuantityWord(Quantity quantity) {
    switch (quantity) {
    case Quantity::kDistance:
        break;
    case Quantity::kKeystrokes:
        return "keystrokes";
    case Quantity::kClicks:
        return "clicks";
    case Quantity::kScrolls:
        return "scrolls";
    case Quantity::kUptime:
        return "uptime";
    case Quantity::kUsetime:
        return "usetime";
    }
    return "distance";
}

const char* QuantityExpression(Quantity by) { return QuantityWord(by); }

std::vector<RankingEntry> Ranking(Database& db, Quantity by, int64_t limit, int64_t offset) {
    const std::string expression = QuantityExpression(by);
    auto s = db.Reuse(std::string("SELECT nick, ") + expression +
                      ", private_page FROM accounts WHERE hidden = 0 ORDER BY " + expression +
                      " DESC, nick ASC LIMIT ? OFFSET ?");
    s->Bind(1, limit).Bind(2, offset);
    std::vector<RankingEntry> rows;
    while (s->Step()) {
        const bool private_page = s->Int(2) != 0;
        rows.push_back({private_page ? std::string() : s->Text(0), s->Int(1), private_page});
    }
    return rows;
}

int64_t RankedAccountCount(Database& db) {
    // Every account but the few hidden ones: the count of a whole table is cheap.
    auto s = db.Reuse("SELECT (SELECT COUNT(*) FROM accounts) - "
                      "(SELECT COUNT(*) FROM accounts WHERE hidden = 1)");
    return s->Step() ? s->Int(0) : 0;
}

} // namespace trekhold
