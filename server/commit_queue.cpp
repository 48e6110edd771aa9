#include "server/commit_queue.h"

#include <chrono>
#include <memory>
#include <vector>

namespace trekhold {

namespace {
constexpr size_t kMaxGroup = 512;
constexpr uint64_t kCommitsPerCheckpoint = 100;
}

CommitQueue::CommitQueue(const std::string& db_path) : db_(db_path), db_path_(db_path) {
    db_.Exec("PRAGMA wal_autocheckpoint=0");
    writer_ = std::thread([this] { Loop(); });
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
    checkpointer_.join();
    try {
        db_.Exec("PRAGMA wal_checkpoint(TRUNCATE)");
    } catch (const DbError&) {
    }
}

bool CommitQueue::Run(Change change) {
    Job job;
    job.change = std::move(change);
    std::unique_lock<std::mutex> lock(mutex_);
    if (stopping_)
        return false;
    jobs_.push_back(&job);
    queued_.notify_one();
    finished_.wait(lock, [&] { return job.done; });
    return job.ok;
}

CommitQueue::Counters CommitQueue::counters() {
    std::lock_guard<std::mutex> lock(mutex_);
    return counters_;
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
            db->Exec("PRAGMA wal_checkpoint(PASSIVE)");
        } catch (const DbError&) {
            db.reset(); // tried again at the next round
        }
    }
}

void CommitQueue::Loop() {
    for (;;) {
        std::vector<Job*> group;
        {
            std::unique_lock<std::mutex> lock(mutex_);
            queued_.wait(lock, [&] { return stopping_ || !jobs_.empty(); });
            if (jobs_.empty())
                return; // stopping, nothing left
            while (!jobs_.empty() && group.size() < kMaxGroup) {
                group.push_back(jobs_.front());
                jobs_.pop_front();
            }
        }
        std::vector<bool> applied(group.size(), false);
        bool committed = false;
        try {
            Transaction tx(db_);
            for (size_t i = 0; i < group.size(); ++i) {
                db_.Reuse("SAVEPOINT change")->Run();
                try {
                    group[i]->change(db_);
                    applied[i] = true;
                } catch (...) {
                    db_.Reuse("ROLLBACK TO change")->Run();
                }
                db_.Reuse("RELEASE change")->Run();
            }
            tx.Commit();
            committed = true;
        } catch (...) {
            committed = false;
        }
        std::lock_guard<std::mutex> lock(mutex_);
        if (committed) {
            ++counters_.commits;
            counters_.changes += group.size();
            if (++commits_since_checkpoint_ >= kCommitsPerCheckpoint)
                checkpoint_wanted_.notify_one();
        }
        for (size_t i = 0; i < group.size(); ++i) {
            group[i]->ok = committed && applied[i];
            group[i]->done = true;
        }
        finished_.notify_all();
    }
}

} // namespace trekhold
