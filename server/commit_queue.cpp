#include "server/commit_queue.h"

#include "server/problem_log.h"

#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <filesystem>
#include <memory>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace trekhold {

namespace {

constexpr size_t kMaxGroup = 512;
constexpr uint64_t kCommitsPerCheckpoint = 100;
// The log is cut back to this size whenever it starts over after a checkpoint...
constexpr int64_t kLogSizeLimit = 64 << 20;
// ...and a checkpoint that waits for the readers runs once it has grown past this one.
constexpr off_t kLogSizeCeiling = 256 << 20;

// The log file of a database already in WAL mode, opened for syncing; -1 when missing.
int OpenLogForSync(Database& db, const std::string& db_path) {
    db.Exec("SELECT COUNT(*) FROM sqlite_master"); // makes sure the log exists
    int fd = ::open((db_path + "-wal").c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0)
        return -1;
    // The log's directory entry must be durable too.
    std::string folder = std::filesystem::absolute(db_path).parent_path().string();
    int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    bool ok = dir >= 0 && ::fsync(dir) == 0 && ::fdatasync(fd) == 0;
    if (dir >= 0)
        ::close(dir);
    if (!ok) {
        ::close(fd);
        return -1;
    }
    return fd;
}

} // namespace

CommitQueue::CommitQueue(const std::string& db_path, SyncFile sync)
    : db_(db_path), db_path_(db_path),
      sync_(sync ? std::move(sync) : SyncFile([](int fd) { return ::fdatasync(fd); })) {
    db_.Exec("PRAGMA wal_autocheckpoint=0");
    db_.Exec("PRAGMA journal_size_limit=" + std::to_string(kLogSizeLimit));
    wal_fd_ = OpenLogForSync(db_, db_path);
    if (wal_fd_ >= 0)
        db_.Exec("PRAGMA synchronous=NORMAL");
    writer_ = std::thread([this] { Loop(); });
    syncer_ = std::thread([this] { SyncLoop(); });
    checkpointer_ = std::thread([this] { CheckpointLoop(); });
}

CommitQueue::~CommitQueue() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    queued_.notify_all();
    checkpoint_wanted_.notify_all();
    writer_.join();
    {
        std::lock_guard<std::mutex> lock(mutex_);
        writer_done_ = true;
    }
    committed_.notify_all();
    syncer_.join();
    checkpointer_.join();
    try {
        db_.Exec("PRAGMA wal_checkpoint(PASSIVE)"); // never waits for another process
    } catch (const DbError&) {
    }
    if (wal_fd_ >= 0)
        ::close(wal_fd_);
}

bool CommitQueue::Run(Change change) {
    Job job;
    job.change = std::move(change);
    std::future<bool> outcome = job.outcome.get_future();
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (stopping_ || sync_failed_)
            return false;
        jobs_.push_back(&job);
    }
    queued_.notify_one();
    return outcome.get();
}

bool CommitQueue::AcceptsChanges() {
    std::lock_guard<std::mutex> lock(mutex_);
    return !sync_failed_ && !last_commit_failed_;
}

bool CommitQueue::SyncFailed() {
    std::lock_guard<std::mutex> lock(mutex_);
    return sync_failed_;
}

void CommitQueue::OnSyncFailure(std::function<void()> notify) {
    std::lock_guard<std::mutex> lock(mutex_);
    on_sync_failure_ = std::move(notify);
}

CommitQueue::Counters CommitQueue::counters() {
    std::lock_guard<std::mutex> lock(mutex_);
    return counters_;
}

void CommitQueue::Finish(const std::vector<Job*>& jobs, bool durable) {
    for (Job* job : jobs) {
        // The waiting caller may destroy its job as soon as the value is set, so the
        // promise is moved out of it first.
        std::promise<bool> outcome = std::move(job->outcome);
        outcome.set_value(durable && job->applied);
    }
}

void CommitQueue::CheckpointLoop() {
    std::unique_ptr<Database> db;
    for (;;) {
        {
            std::unique_lock<std::mutex> lock(mutex_);
            checkpoint_wanted_.wait_for(lock, std::chrono::seconds(1), [&] {
                return stopping_ || commits_since_checkpoint_ >= kCommitsPerCheckpoint;
            });
            if (stopping_)
                return;
            if (commits_since_checkpoint_ == 0)
                continue;
            commits_since_checkpoint_ = 0;
        }
        try {
            if (!db)
                db = std::make_unique<Database>(db_path_);
            // PASSIVE: copies what it can without waiting for the writer or the readers.
            // Readers that never pause can keep the log from starting over, so past its
            // ceiling RESTART waits for them (and holds the writer meanwhile); the next
            // commit then starts the log over and cuts it back to its limit.
            struct stat log {};
            bool over = ::stat((db_path_ + "-wal").c_str(), &log) == 0 && log.st_size > kLogSizeCeiling;
            db->Exec(over ? "PRAGMA wal_checkpoint(RESTART)" : "PRAGMA wal_checkpoint(PASSIVE)");
        } catch (const DbError& e) {
            LogProblem(std::string("checkpoint of the database failed (tried again): ") + e.what());
            db.reset(); // tried again at the next round
        }
    }
}

void CommitQueue::SyncLoop() {
    for (;;) {
        std::vector<Job*> batch;
        bool failed_before = false;
        {
            std::unique_lock<std::mutex> lock(mutex_);
            committed_.wait(lock, [&] { return writer_done_ || !awaiting_sync_.empty(); });
            if (awaiting_sync_.empty())
                return; // the writer has stopped and everything is answered
            batch.swap(awaiting_sync_);
            failed_before = sync_failed_;
        }
        queued_.notify_one(); // the writer may commit the next group during this sync
        if (failed_before) {
            Finish(batch, false);
            continue;
        }
        // Every group in `batch` was committed before this call began.
        bool synced = sync_(wal_fd_) == 0;
        int error = errno;
        std::function<void()> notify;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            if (synced) {
                ++counters_.syncs;
            } else {
                sync_failed_ = true;
                notify = std::move(on_sync_failure_);
            }
        }
        if (!synced)
            LogProblem("syncing the database log " + db_path_ + "-wal failed (" +
                       std::generic_category().message(error) +
                       "); every further change is refused until the server is restarted");
        if (notify)
            notify();
        Finish(batch, synced);
    }
}

void CommitQueue::Loop() {
    for (;;) {
        std::vector<Job*> group;
        {
            std::unique_lock<std::mutex> lock(mutex_);
            // At most one committed group waits for the next sync: what arrives meanwhile
            // gathers into one larger group (fewer commits, same number of syncs).
            queued_.wait(lock,
                         [&] { return stopping_ || (!jobs_.empty() && awaiting_sync_.empty()); });
            if (jobs_.empty())
                return; // stopping, nothing left
            while (!jobs_.empty() && group.size() < kMaxGroup) {
                group.push_back(jobs_.front());
                jobs_.pop_front();
            }
            if (sync_failed_) { // refused unapplied: nothing after the failure is durable
                lock.unlock();
                Finish(group, false);
                continue;
            }
        }
        bool committed = false;
        try {
            Transaction tx(db_);
            for (Job* job : group) {
                db_.Reuse("SAVEPOINT change")->Run();
                try {
                    job->change(db_);
                    job->applied = true;
                } catch (...) {
                    LogProblem("a change was undone: " + ExceptionText(std::current_exception()));
                    db_.Reuse("ROLLBACK TO change")->Run();
                }
                db_.Reuse("RELEASE change")->Run();
            }
            tx.Commit();
            committed = true;
        } catch (...) {
            LogProblem("the database could not store " + std::to_string(group.size()) +
                       " changes: " + ExceptionText(std::current_exception()));
        }
        std::unique_lock<std::mutex> lock(mutex_);
        last_commit_failed_ = !committed;
        if (committed) {
            ++counters_.commits;
            counters_.changes += group.size();
            if (++commits_since_checkpoint_ >= kCommitsPerCheckpoint)
                checkpoint_wanted_.notify_one();
        }
        if (committed && wal_fd_ >= 0) {
            awaiting_sync_.insert(awaiting_sync_.end(), group.begin(), group.end());
            committed_.notify_one();
        } else {
            lock.unlock();
            // Synced by SQLite already (synchronous=FULL), or nothing to sync.
            if (!committed)
                for (Job* job : group)
                    job->applied = false;
            Finish(group, committed);
        }
    }
}

} // namespace trekhold
