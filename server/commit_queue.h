// The one writer of the database, with group commit and a pipelined sync.
//
// A sync to disk takes milliseconds, so one synced transaction per sending would cap the
// server at a few hundred sendings a second. Instead:
//  - every change runs in a savepoint of its own (applied whole or not at all) inside a
//    transaction shared with the changes that queued up meanwhile;
//  - the transaction is committed into the write-ahead log without waiting for the disk
//    (synchronous=NORMAL), and the writer goes on with the next group at once;
//  - a sync thread calls fdatasync on the log file and only then lets Run() return for
//    every group committed before that call began.
// So no answer is given before its change is on disk, and one sync serves every group
// committed while the previous sync ran. This is sound because in WAL mode a commit is
// complete once its frames are in the log file: the log is never replaced while the server
// holds it open, so syncing that file makes every frame written before the sync durable.
// SQLite itself syncs the log before each checkpoint and the database after it, and starts
// the log over (cutting it back to a size limit) only once every frame in it has been
// copied into the synced database file, so a frame dropped by the cut is already durable. When the log file cannot be opened,
// every commit is synced by SQLite instead (synchronous=FULL).
//
// A failed sync is final: the kernel may have dropped the log's unwritten pages, and a
// later sync that succeeds does not bring them back, so nothing written after them could
// be called durable. From the first failed sync on, every change is refused (Run() returns
// false) until the server is restarted and SQLite recovers the log from what is on disk.
//
// Checkpoints (copying the log into the database file) run on a thread of their own, so
// they never hold up a commit.
//
// Every failure (a change that throws, a commit, a sync, a checkpoint) is logged with its
// cause (problem_log.h).
#pragma once

#include "server/sqlite_db.h"

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <future>
#include <mutex>
#include <thread>
#include <vector>

namespace trekhold {

class CommitQueue {
  public:
    // Runs inside the savepoint; throwing undoes just this change.
    using Change = std::function<void(Database&)>;

    // Syncs the log file like fdatasync: 0 on success, -1 with errno set on failure.
    using SyncFile = std::function<int(int fd)>;

    // `sync` replaces fdatasync for the log (tests use it to make a sync fail).
    explicit CommitQueue(const std::string& db_path, SyncFile sync = nullptr);
    ~CommitQueue();
    CommitQueue(const CommitQueue&) = delete;
    CommitQueue& operator=(const CommitQueue&) = delete;

    // True once the change is applied and on disk; false when it threw, the commit failed
    // or a sync of the log has ever failed (the caller answers with a failure; the client
    // tries again).
    bool Run(Change change);

    // Changes applied and transactions committed so far, and the syncs of the log.
    struct Counters {
        uint64_t changes = 0, commits = 0, syncs = 0;
    };
    Counters counters();
    bool pipelined() const { return wal_fd_ >= 0; }

    // False after a failed sync (for good) or while the last commit failed (a full disk,
    // a lock held too long by another process).
    bool AcceptsChanges();
    bool SyncFailed();
    // Called once, from the sync thread, when a sync of the log fails.
    void OnSyncFailure(std::function<void()> notify);

  private:
    struct Job {
        Change change;
        bool applied = false;
        std::promise<bool> outcome; // only this job's caller waits on it
    };
    void Loop();
    void SyncLoop();
    void CheckpointLoop();
    static void Finish(const std::vector<Job*>& jobs, bool durable);

    Database db_;
    std::string db_path_;
    int wal_fd_ = -1;
    SyncFile sync_;
    bool sync_failed_ = false; // for good, once set
    bool last_commit_failed_ = false;
    std::function<void()> on_sync_failure_;
    std::mutex mutex_;
    std::condition_variable queued_, committed_, checkpoint_wanted_;
    std::deque<Job*> jobs_;
    std::vector<Job*> awaiting_sync_;
    bool stopping_ = false;
    bool writer_done_ = false;
    uint64_t commits_since_checkpoint_ = 0;
    Counters counters_;
    std::thread writer_, syncer_, checkpointer_;
};

} // namespace trekhold
