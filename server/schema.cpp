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

int CurrentVersion(Database& db) {
    Statement exists =
        db.Prepare("SELECT 1 FROM sqlite_master WHERE type='table' AND name='schema_version'");
    if (!exists.Step())
        return 0;
    Statement version = db.Prepare("SELECT MAX(version) FROM schema_version");
    return version.Step() ? static_cast<int>(version.Int(0)) : 0;
}

} // namespace

void MigrateSchema(Database& db) {
    Transaction tx(db);
    int version = CurrentVersion(db);
    if (version > kSchemaVersion)
        throw DbError("the database was made by a newer trekhold-server (layout " +
                      std::to_string(version) + ")");
    if (version == 0) {
        db.Exec("CREATE TABLE schema_version (version INTEGER NOT NULL)");
        db.Exec("INSERT INTO schema_version (version) VALUES (0)");
    }
    if (version < 1)
        db.Exec(kVersion1);
    // Later layouts add their steps here: if (version < 2) db.Exec(kVersion2); ...
    if (version < kSchemaVersion)
        db.Prepare("UPDATE schema_version SET version = ?").Bind(1, kSchemaVersion).Run();
    tx.Commit();
}

} // namespace trekhold
