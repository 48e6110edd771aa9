#include "server/sqlite_db.h"

#include <sqlite3.h>

namespace trekhold {

namespace {

[[noreturn]] void Fail(sqlite3* db, const std::string& what) {
    throw DbError(what + ": " + (db ? sqlite3_errmsg(db) : "out of memory"));
}

} // namespace

Database::Database(const std::string& path) {
    int rc =
        sqlite3_open_v2(path.c_str(), &db_,
                        SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX, nullptr);
    if (rc != SQLITE_OK) {
        std::string message = db_ ? sqlite3_errmsg(db_) : "out of memory";
        sqlite3_close(db_);
        db_ = nullptr;
        throw DbError("cannot open " + path + ": " + message);
    }
    sqlite3_busy_timeout(db_, 10000);
    try {
        Exec("PRAGMA journal_mode=WAL");
        // FULL: a commit is on disk (the WAL is synced) before it returns, so an answer
        // given after a commit survives a power cut, not only a crash of this program.
        Exec("PRAGMA synchronous=FULL");
        Exec("PRAGMA foreign_keys=ON");
        Exec("PRAGMA mmap_size=268435456"); // pages read without a system call each
    } catch (...) {
        sqlite3_close(db_);
        db_ = nullptr;
        throw;
    }
}

Database::~Database() {
    cache_.clear(); // statements go before their connection
    if (db_)
        sqlite3_close(db_);
}

Database::Database(Database&& other) noexcept : db_(other.db_), cache_(std::move(other.cache_)) {
    other.db_ = nullptr;
}

Database::Cached Database::Reuse(const std::string& sql) {
    auto it = cache_.find(sql);
    if (it == cache_.end())
        it = cache_.emplace(sql, std::make_unique<Statement>(Prepare(sql))).first;
    return Cached(*it->second);
}

void Database::Exec(const std::string& sql) {
    char* error = nullptr;
    if (sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, &error) != SQLITE_OK) {
        std::string message = error ? error : "unknown error";
        sqlite3_free(error);
        throw DbError(message + " (" + sql + ")");
    }
}

Statement Database::Prepare(const std::string& sql) {
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(db_, sql.c_str(), static_cast<int>(sql.size()), &stmt, nullptr) !=
        SQLITE_OK)
        Fail(db_, "prepare");
    return Statement(db_, stmt);
}

std::string Database::QuickCheck() {
    Statement check = Prepare("PRAGMA quick_check(5)");
    std::string findings;
    while (check.Step()) {
        std::string line = check.Text(0);
        if (line == "ok")
            continue;
        findings += (findings.empty() ? "" : "; ") + line;
    }
    return findings;
}

int64_t Database::LastInsertId() const {
    return sqlite3_last_insert_rowid(db_);
}

int Database::Changes() const {
    return sqlite3_changes(db_);
}

Statement::Statement(Statement&& other) noexcept : db_(other.db_), stmt_(other.stmt_) {
    other.stmt_ = nullptr;
}

Statement::~Statement() {
    if (stmt_)
        sqlite3_finalize(stmt_);
}

Statement& Statement::Bind(int index, int64_t value) {
    if (sqlite3_bind_int64(stmt_, index, value) != SQLITE_OK)
        Fail(db_, "bind");
    return *this;
}

Statement& Statement::Bind(int index, const std::string& value) {
    if (sqlite3_bind_text(stmt_, index, value.data(), static_cast<int>(value.size()),
                          SQLITE_TRANSIENT) != SQLITE_OK)
        Fail(db_, "bind");
    return *this;
}

bool Statement::Step() {
    int rc = sqlite3_step(stmt_);
    if (rc == SQLITE_ROW)
        return true;
    if (rc == SQLITE_DONE)
        return false;
    Fail(db_, "step");
}

void Statement::Run() {
    while (Step()) {
    }
}

void Statement::Reset() {
    sqlite3_reset(stmt_);
    sqlite3_clear_bindings(stmt_);
}

int64_t Statement::Int(int column) const {
    return sqlite3_column_int64(stmt_, column);
}

std::string Statement::Text(int column) const {
    const unsigned char* text = sqlite3_column_text(stmt_, column);
    int size = sqlite3_column_bytes(stmt_, column);
    return text ? std::string(reinterpret_cast<const char*>(text), static_cast<size_t>(size))
                : std::string();
}

bool Statement::IsNull(int column) const {
    return sqlite3_column_type(stmt_, column) == SQLITE_NULL;
}

Transaction::Transaction(Database& db) : db_(db) {
    db_.Exec("BEGIN IMMEDIATE");
}

Transaction::~Transaction() {
    if (open_) {
        try {
            db_.Exec("ROLLBACK");
        } catch (const DbError&) {
        }
    }
}

void Transaction::Commit() {
    db_.Exec("COMMIT");
    open_ = false;
}

} // namespace trekhold
