// Thin RAII layer over SQLite: a connection and its prepared statements. Every value
// reaches SQL through a bound parameter.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>

struct sqlite3;
struct sqlite3_stmt;

namespace trekhold {

class DbError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

class Statement;

class Database {
  public:
    // Opens (creating when missing, readable by its owner only: SQLite gives its log and
    // shared-memory files the same mode) the database file, in WAL mode with full sync, a
    // busy timeout and foreign keys on. Throws DbError.
    explicit Database(const std::string& path);
    ~Database();
    Database(Database&& other) noexcept;
    Database& operator=(Database&&) = delete;
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    void Exec(const std::string& sql); // statements without parameters or results
    Statement Prepare(const std::string& sql);
    // A statement prepared once per connection and kept; reset when the handle goes.
    class Cached;
    Cached Reuse(const std::string& sql);
    // The findings of PRAGMA quick_check joined by "; " (at most a few), "" when sound.
    std::string QuickCheck();
    int64_t LastInsertId() const;
    // A consistent copy of the whole database at `path` (replaced whole: written beside it,
    // synced, then renamed), made while others read and write it; checked before it
    // replaces anything. Throws DbError.
    void BackupInto(const std::string& path);
    int Changes() const;

  private:
    friend class Statement;
    sqlite3* db_ = nullptr;
    std::map<std::string, std::unique_ptr<Statement>> cache_;
};

class Statement {
  public:
    Statement(Statement&& other) noexcept;
    Statement& operator=(Statement&&) = delete;
    Statement(const Statement&) = delete;
    ~Statement();

    // Parameters are numbered from 1.
    Statement& Bind(int index, int64_t value);
    Statement& Bind(int index, const std::string& value);
    // One step: true while a row is available. Throws DbError on failure.
    bool Step();
    // Runs to completion (for statements without results).
    void Run();
    void Reset(); // ready for new bindings and steps

    int64_t Int(int column) const;
    std::string Text(int column) const;
    bool IsNull(int column) const;

  private:
    friend class Database;
    friend class Database::Cached;
    Statement(sqlite3* db, sqlite3_stmt* stmt) : db_(db), stmt_(stmt) {}
    sqlite3* db_;
    sqlite3_stmt* stmt_;
};

class Database::Cached {
  public:
    explicit Cached(Statement& s) : s_(s) {}
    ~Cached() { s_.Reset(); }
    Cached(const Cached&) = delete;
    Cached& operator=(const Cached&) = delete;
    Statement* operator->() { return &s_; }
    Statement& operator*() { return s_; }

  private:
    Statement& s_;
};

// BEGIN IMMEDIATE ... COMMIT, rolled back when left without Commit().
class Transaction {
  public:
    explicit Transaction(Database& db);
    ~Transaction();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;
    void Commit();

  private:
    Database& db_;
    bool open_ = true;
};

} // namespace trekhold
