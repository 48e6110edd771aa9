#include "server/schema.h"

namespace trekhold {

namespace {

const char* const kVersion1 = R"sql(
CREATE TABLE accounts (
    id INTEGER PRIMARY KEY,
    nick TEXT NOT NULL UNIQUE COLLATE NOCASE,
    pw_hash TEXT NOT NULL,
    created INTEGER NOT NULL,
    key TEXT NOT NULL DEFAULT '',
    prev_key TEXT NOT NULL DEFAULT '',
    last_record TEXT NOT NULL DEFAULT '',
    last_answer TEXT NOT NULL DEFAULT '',
    distance INTEGER NOT NULL DEFAULT 0,
    keystrokes INTEGER NOT NULL DEFAULT 0,
    left_clicks INTEGER NOT NULL DEFAULT 0,
    right_clicks INTEGER NOT NULL DEFAULT 0,
    special_clicks INTEGER NOT NULL DEFAULT 0,
    scrolls INTEGER NOT NULL DEFAULT 0,
    uptime INTEGER NOT NULL DEFAULT 0,
    usetime INTEGER NOT NULL DEFAULT 0,
    sendings INTEGER NOT NULL DEFAULT 0,
    last_sent INTEGER NOT NULL DEFAULT 0
);
CREATE TABLE library_digests (digest TEXT PRIMARY KEY);
CREATE TABLE meta (name TEXT PRIMARY KEY, value TEXT NOT NULL);
INSERT INTO meta (name, value) VALUES ('list_version', '0');
)sql";

// Review of sendings, hidden accounts, when each key was issued, and the indexes of the
// rankings (one per ranking, over the accounts shown).
const char* const kVersion2 = R"sql(
ALTER TABLE accounts ADD COLUMN hidden INTEGER NOT NULL DEFAULT 0;
ALTER TABLE accounts ADD COLUMN key_issued INTEGER NOT NULL DEFAULT 0;
ALTER TABLE accounts ADD COLUMN prev_key_issued INTEGER NOT NULL DEFAULT 0;
UPDATE accounts SET key_issued = MAX(created, last_sent);
CREATE TABLE held_sendings (
    id INTEGER PRIMARY KEY,
    account_id INTEGER NOT NULL REFERENCES accounts(id) ON DELETE CASCADE,
    received INTEGER NOT NULL,
    record TEXT NOT NULL,
    reason TEXT NOT NULL,
    state TEXT NOT NULL DEFAULT 'held',
    distance INTEGER NOT NULL,
    keystrokes INTEGER NOT NULL,
    left_clicks INTEGER NOT NULL,
    right_clicks INTEGER NOT NULL,
    special_clicks INTEGER NOT NULL,
    scrolls INTEGER NOT NULL,
    uptime INTEGER NOT NULL,
    usetime INTEGER NOT NULL
);
CREATE INDEX held_by_state ON held_sendings (state, id);
CREATE INDEX held_by_account ON held_sendings (account_id);
CREATE INDEX rank_distance ON accounts (distance DESC, nick) WHERE hidden = 0;
CREATE INDEX rank_keystrokes ON accounts (keystrokes DESC, nick) WHERE hidden = 0;
CREATE INDEX rank_clicks ON accounts ((left_clicks + right_clicks + special_clicks) DESC, nick)
    WHERE hidden = 0;
CREATE INDEX rank_scrolls ON accounts (scrolls DESC, nick) WHERE hidden = 0;
CREATE INDEX rank_uptime ON accounts (uptime DESC, nick) WHERE hidden = 0;
CREATE INDEX rank_usetime ON accounts (usetime DESC, nick) WHERE hidden = 0;
)sql";

// The rankings' indexes hold the hidden flag and the sum of the clicks (kept by triggers,
// whoever changes the counts), so that a ranking and a member's rank read their index alone
// (a partial index, an index on an expression or on a generated column would still read
// every row they pass).
// History: every counted or held sending from now on, and sums kept as sendings arrive per
// account and period (kind 0 a day, 1 an ISO week, 2 a month; `period` is the day number,
// the Monday's day number or year * 12 + month - 1), per community and period (kind 3: all
// time, begun from the accounts' totals), and per account and computer. `hidden` is copied
// from the account; `clicks` is the sum of the three kinds of click. Both serve the indexes
// as above.
// The counts of a sending or of a row of sums, in record order.
const std::string kCounts = R"sql(
    distance INTEGER NOT NULL DEFAULT 0,
    keystrokes INTEGER NOT NULL DEFAULT 0,
    left_clicks INTEGER NOT NULL DEFAULT 0,
    right_clicks INTEGER NOT NULL DEFAULT 0,
    special_clicks INTEGER NOT NULL DEFAULT 0,
    scrolls INTEGER NOT NULL DEFAULT 0,
    uptime INTEGER NOT NULL DEFAULT 0,
    usetime INTEGER NOT NULL DEFAULT 0,
)sql";
const std::string kVersion3 = R"sql(
CREATE TABLE sendings (
    id INTEGER PRIMARY KEY,
    account_id INTEGER NOT NULL REFERENCES accounts(id) ON DELETE CASCADE,
    sent INTEGER NOT NULL,
    machine TEXT NOT NULL,
)sql" + kCounts + R"sql(    held INTEGER NOT NULL DEFAULT 0
);
CREATE INDEX sendings_by_account ON sendings (account_id, sent);
ALTER TABLE held_sendings ADD COLUMN sending_id INTEGER;
CREATE TABLE period_sums (
    account_id INTEGER NOT NULL REFERENCES accounts(id) ON DELETE CASCADE,
    kind INTEGER NOT NULL,
    period INTEGER NOT NULL,
    hidden INTEGER NOT NULL,
)sql" + kCounts + R"sql(    sendings INTEGER NOT NULL DEFAULT 0,
    clicks INTEGER NOT NULL DEFAULT 0,
    PRIMARY KEY (account_id, kind, period)
) WITHOUT ROWID;
CREATE INDEX period_distance ON period_sums (kind, period, hidden, distance DESC, account_id);
CREATE INDEX period_keystrokes ON period_sums (kind, period, hidden, keystrokes DESC, account_id);
CREATE INDEX period_clicks ON period_sums (kind, period, hidden, clicks DESC, account_id);
CREATE INDEX period_scrolls ON period_sums (kind, period, hidden, scrolls DESC, account_id);
CREATE INDEX period_uptime ON period_sums (kind, period, hidden, uptime DESC, account_id);
CREATE INDEX period_usetime ON period_sums (kind, period, hidden, usetime DESC, account_id);
CREATE TABLE community_sums (
    kind INTEGER NOT NULL,
    period INTEGER NOT NULL,
)sql" + kCounts + R"sql(    sendings INTEGER NOT NULL DEFAULT 0,
    members INTEGER NOT NULL DEFAULT 0,
    PRIMARY KEY (kind, period)
) WITHOUT ROWID;
INSERT INTO community_sums (kind, period, distance, keystrokes, left_clicks, right_clicks,
    special_clicks, scrolls, uptime, usetime, sendings)
    SELECT 3, 0, COALESCE(SUM(distance), 0), COALESCE(SUM(keystrokes), 0),
        COALESCE(SUM(left_clicks), 0), COALESCE(SUM(right_clicks), 0),
        COALESCE(SUM(special_clicks), 0), COALESCE(SUM(scrolls), 0), COALESCE(SUM(uptime), 0),
        COALESCE(SUM(usetime), 0), COALESCE(SUM(sendings), 0)
    FROM accounts;
CREATE TABLE machine_sums (
    account_id INTEGER NOT NULL REFERENCES accounts(id) ON DELETE CASCADE,
    machine TEXT NOT NULL,
)sql" + kCounts + R"sql(    sendings INTEGER NOT NULL DEFAULT 0,
    last_sent INTEGER NOT NULL DEFAULT 0,
    PRIMARY KEY (account_id, machine)
) WITHOUT ROWID;
CREATE INDEX accounts_hidden ON accounts (id) WHERE hidden = 1;
DROP INDEX rank_distance;
DROP INDEX rank_keystrokes;
DROP INDEX rank_clicks;
DROP INDEX rank_scrolls;
DROP INDEX rank_uptime;
DROP INDEX rank_usetime;
ALTER TABLE accounts ADD COLUMN clicks INTEGER NOT NULL DEFAULT 0;
UPDATE accounts SET clicks = left_clicks + right_clicks + special_clicks;
CREATE TRIGGER accounts_clicks_new AFTER INSERT ON accounts BEGIN
    UPDATE accounts SET clicks = NEW.left_clicks + NEW.right_clicks + NEW.special_clicks
    WHERE id = NEW.id;
END;
CREATE TRIGGER accounts_clicks AFTER UPDATE OF left_clicks, right_clicks, special_clicks
    ON accounts BEGIN
    UPDATE accounts SET clicks = NEW.left_clicks + NEW.right_clicks + NEW.special_clicks
    WHERE id = NEW.id;
END;
CREATE INDEX rank_distance ON accounts (hidden, distance DESC, nick);
CREATE INDEX rank_keystrokes ON accounts (hidden, keystrokes DESC, nick);
CREATE INDEX rank_clicks ON accounts (hidden, clicks DESC, nick);
CREATE INDEX rank_scrolls ON accounts (hidden, scrolls DESC, nick);
CREATE INDEX rank_uptime ON accounts (hidden, uptime DESC, nick);
CREATE INDEX rank_usetime ON accounts (hidden, usetime DESC, nick);
INSERT INTO meta (name, value) VALUES ('history_since', CAST(unixepoch() AS TEXT));
)sql";

// A member's own privacy: ranked as "hidden", without a page. The rankings' indexes carry
// the flag after their key, so that a page of a ranking still reads its index alone. An
// account hidden before keeps `hidden` (out of the rankings): nothing becomes more public.
std::string Version4() {
    std::string steps = "ALTER TABLE accounts ADD COLUMN private_page INTEGER NOT NULL DEFAULT 0;";
    for (const char* column : {"distance", "keystrokes", "clicks", "scrolls", "uptime", "usetime"})
        steps += std::string("DROP INDEX rank_") + column + "; CREATE INDEX rank_" + column +
                 " ON accounts (hidden, " + column + " DESC, nick, private_page);";
    return steps;
}

int CurrentVersion(Database& db) {
    Statement exists =
        db.Prepare("SELECT 1 FROM sqlite_master WHERE type='table' AND name='schema_version'");
    if (!exists.Step())
        return 0;
    Statement version = db.Prepare("SELECT MAX(version) FROM schema_version");
    return version.Step() ? static_cast<int>(version.Int(0)) : 0;
}

} // namespace

void MigrateSchema(Database& db, int target) {
    Transaction tx(db);
    int version = CurrentVersion(db);
    if (version > kSchemaVersion)
        throw DbError("the database was made by a newer trekhold-server (layout " +
                      std::to_string(version) + ")");
    if (version == 0) {
        db.Exec("CREATE TABLE schema_version (version INTEGER NOT NULL)");
        db.Exec("INSERT INTO schema_version (version) VALUES (0)");
    }
    if (version < 1 && target >= 1)
        db.Exec(kVersion1);
    if (version < 2 && target >= 2)
        db.Exec(kVersion2);
    if (version < 3 && target >= 3)
        db.Exec(kVersion3);
    if (version < 4 && target >= 4)
        db.Exec(Version4());
    // Later layouts add their steps here: if (version < 5) db.Exec(kVersion5); ...
    if (version < target)
        db.Prepare("UPDATE schema_version SET version = ?").Bind(1, target).Run();
    tx.Commit();
}

} // namespace trekhold
