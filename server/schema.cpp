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
    // Later layouts add their steps here: if (version < 3) db.Exec(kVersion3); ...
    if (version < target)
        db.Prepare("UPDATE schema_version SET version = ?").Bind(1, target).Run();
    tx.Commit();
}

} // namespace trekhold
