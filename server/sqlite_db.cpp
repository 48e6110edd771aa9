#include "server/sqlite_db.h"

#include <sqlite3.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace trekhold {

namespace {

[[noreturn]] void Fail(sqlite3* db, const std::string& what) {
    throw DbError(what + ": " + (db ? sqlite3_errmsg(db) : "out of memory"));
}

// Creates a missing database file empty (which SQLite takes as a new database) with mode
// 0600.
void CreatePrivately(const std::string& path) {
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd >= 0)
        ::close(fd);
}

bool SameFile(const std::string& a, const std::string& b) {
    struct stat sa {}, sb {};
    return ::stat(a.c_str(), &sa) == 0 && ::stat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev &&
           sa.st_ino == sb.st_ino;
}

void SyncPath(const std::string& path, int flags) {
    int fd = ::open(path.c_str(), flags | O_CLOEXEC);
    bool ok = fd >= 0 && ::fsync(fd) == 0;
    int error = errno;
    if (fd >= 0)
        ::close(fd);
    if (!ok)
        throw DbError("cannot sync " + path + ": " + std::strerror(error));
}

} // namespace

Database::Database(const std::string& path) {
    if (path != ":memory:" && path.rfind("file:", 0) != 0)
        CreatePrivately(path);
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

void Database::BackupInto(const std::string& path) {
    const char* main_file = sqlite3_db_filename(db_, "main");
    if (main_file && SameFile(main_file, path))
        throw DbError("the backup cannot replace the database itself");
    std::string partial = path + ".partial";
    std::remove(partial.c_str());
    CreatePrivately(partial);
    sqlite3* copy = nullptr;
    if (sqlite3_open_v2(partial.c_str(), &copy, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) {
        std::string message = copy ? sqlite3_errmsg(copy) : "out of memory";
        sqlite3_close(copy);
        std::remove(partial.c_str());
        throw DbError("cannot create " + partial + ": " + message);
    }
    std::string problem;
    if (sqlite3_backup* backup = sqlite3_backup_init(copy, "main", db_, "main")) {
        // All pages in one step: one read transaction, so one consistent state. A writer of
        // another process holding a lock only delays it.
        int rc = SQLITE_OK;
        for (int tries = 0; tries < 300; ++tries) {
            rc = sqlite3_backup_step(backup, -1);
            if (rc != SQLITE_BUSY && rc != SQLITE_LOCKED)
                break;
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        sqlite3_backup_finish(backup);
        if (rc != SQLITE_DONE)
            problem = sqlite3_errstr(rc);
    } else {
        problem = sqlite3_errmsg(copy);
    }
    if (problem.empty()) {
        sqlite3_stmt* check = nullptr;
        if (sqlite3_prepare_v2(copy, "PRAGMA quick_check", -1, &check, nullptr) != SQLITE_OK ||
            sqlite3_step(check) != SQLITE_ROW ||
            std::strcmp(reinterpret_cast<const char*>(sqlite3_column_text(check, 0)), "ok") != 0)
            problem = "the copy does not pass its check";
        sqlite3_finalize(check);
    }
    sqlite3_close(copy);
    if (!problem.empty()) {
        std::remove(partial.c_str());
        throw DbError("backup into " + path + " failed: " + problem);
    }
    SyncPath(partial, O_RDONLY);
    if (std::rename(partial.c_str(), path.c_str()) != 0) {
        int error = errno;
        std::remove(partial.c_str());
        throw DbError("cannot rename " + partial + ": " + std::strerror(error));
    }
    SyncPath(std::filesystem::absolute(path).parent_path().string(), O_RDONLY | O_DIRECTORY);
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
