// The one writer of the database, with group commit.
//
// A sync to disk takes milliseconds, so one transaction per sending would cap the server
// at a few hundred sendings a second. Instead every change runs in a savepoint of its own
// (it is applied whole or not at all) inside a transaction shared with the changes that
// queued up meanwhile; the transaction is committed with full sync, and only then does
// Run() return. So an answer is never given before its change is durable, and one sync
// serves every request that arrived while the previous one was being written.
//
// Checkpoints (copying the write-ahead log into the database file, with syncs of their
// own) run on a thread of their own, so they never hold up a commit.
#pragma once

#include "server/sqlite_db.h"

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

namespace trekhold {

class CommitQueue {
  public:
    // Runs inside the savepoint; throwing undoes just this change.
    using Change = std::function<void(Database&)>;

    explicit CommitQueue(const std::string& db_path);
    ~CommitQueue();
    CommitQueue(const CommitQueue&) = delete;
    CommitQueue& operator=(const CommitQueue&) = delete;

    // True once the change is applied and durable; false when it threw or the commit
    // failed (nothing of it remains).
    bool Run(Change change);

    // Changes applied and transactions committed so far.
    struct Counters {
        uint64_t changes = 0, commits = 0;
    };
    Counters counters();

  private:
    struct Job {
        Change change;
        bool done = false;
        bool ok = false;
    };
    void Loop();
    void CheckpointLoop();

    Database db_;
    std::mutex mutex_;
    std::condition_variable queued_, finished_;
    std::deque<Job*> jobs_;
    bool stopping_ = false;
    Counters counters_;
    std::string db_path_;
    std::condition_variable checkpoint_wanted_;
    uint64_t commits_since_checkpoint_ = 0;
    std::thread writer_;
    std::thread checkpointer_;
};

} // namespace trekhold
