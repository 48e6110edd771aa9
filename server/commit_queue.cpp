#include "server/commit_queue.h"

#include <vector>

namespace trekhold {

namespace {
constexpr size_t kMaxGroup = 512;
}

CommitQueue::CommitQueue(const std::string& db_path) : db_(db_path) {
    writer_ = std::thread([this] { Loop(); });
}

CommitQueue::~CommitQueue() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    queued_.notify_all();
    writer_.join();
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

void CommitQueue::Loop() {
    Statement savepoint = db_.Prepare("SAVEPOINT change");
    Statement release = db_.Prepare("RELEASE change");
    Statement undo = db_.Prepare("ROLLBACK TO change");
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
                savepoint.Reset();
                savepoint.Run();
                try {
                    group[i]->change(db_);
                    applied[i] = true;
                } catch (...) {
                    undo.Reset();
                    undo.Run();
                }
                release.Reset();
                release.Run();
            }
            tx.Commit();
            committed = true;
        } catch (...) {
            committed = false;
        }
        std::lock_guard<std::mutex> lock(mutex_);
        for (size_t i = 0; i < group.size(); ++i) {
            group[i]->ok = committed && applied[i];
            group[i]->done = true;
        }
        finished_.notify_all();
    }
}

} // namespace trekhold
