// The one writer of the database, with group commit.
//
// A sync to disk takes milliseconds, so one transaction per sending would cap the server
// at a few hundred sendings a second. Instead every change runs in a savepoint of its own
// (it is applied whole or not at all) inside a transaction shared with the changes that
// queued up meanwhile; the transaction is committed with full sync, and only then does
// Run() return. So an answer is never given before its change is durable, and one sync
// serves every request that arrived while the previous one was being written.
#pragma once

#include "server/sqlite_db.h"

#include <condition_variable>
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

  private:
    struct Job {
        Change change;
        bool done = false;
        bool ok = false;
    };
    void Loop();

    Database db_;
    std::mutex mutex_;
    std::condition_variable queued_, finished_;
    std::deque<Job*> jobs_;
    bool stopping_ = false;
    std::thread writer_;
};

} // namespace trekhold
