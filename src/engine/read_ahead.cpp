#include "read_ahead.h"

#include <chrono>

namespace {
// Files handed over and taken up at a time: fewer wake-ups between threads.
constexpr std::size_t kBatch = 16;
} // namespace

ReadAhead::ReadAhead(const LineSettings& lines, int threads) : lines_(lines) {
    for (int i = 0; i < threads; ++i) {
        workers_.emplace_back([this] { Work(); });
    }
}

ReadAhead::~ReadAhead() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
        queue_.clear();
    }
    workReady_.notify_all();
    for (std::thread& worker : workers_) {
        worker.join();
    }
}

void ReadAhead::Submit(std::string path) {
    batch_.emplace_back(submitted_++, std::move(path));
    if (batch_.size() >= kBatch) {
        Publish();
    }
}

void ReadAhead::Publish() {
    if (batch_.empty()) {
        return;
    }
    {
        std::lock_guard<std::mutex> lock(mutex_);
        for (auto& job : batch_) {
            queue_.push_back(std::move(job));
            slots_.push_back(Slot::Waiting);
        }
    }
    batch_.clear();
    workReady_.notify_all();
}

Verdict ReadAhead::Take(RunUi& ui) {
    std::unique_lock<std::mutex> lock(mutex_);
    if (slots_.empty() || slots_.front() == Slot::Waiting) {
        lock.unlock();
        Publish(); // the file asked for may still be in the batch
        lock.lock();
    }
    while (slots_.front() == Slot::Waiting) {
        if (!verdictReady_.wait_for(lock, std::chrono::milliseconds(40),
                                    [&] { return slots_.front() != Slot::Waiting; })) {
            lock.unlock();
            ui.KeepAlive();
            lock.lock();
        }
    }
    Slot slot = slots_.front();
    slots_.pop_front();
    ++taken_;
    return slot == Slot::Unchanged ? Verdict::Unchanged : Verdict::NeedsRewrite;
}

void ReadAhead::Work() {
    ScratchBuffers scratch;
    std::vector<std::pair<std::size_t, std::string>> jobs;
    std::vector<Slot> results;
    while (true) {
        jobs.clear();
        {
            std::unique_lock<std::mutex> lock(mutex_);
            workReady_.wait(lock, [&] { return stopping_ || !queue_.empty(); });
            if (stopping_) {
                return;
            }
            // Take a share of what is queued, so the other threads get work too.
            std::size_t share = queue_.size() / workers_.size() + 1;
            for (std::size_t i = 0; i < share && i < kBatch && !queue_.empty(); ++i) {
                jobs.push_back(std::move(queue_.front()));
                queue_.pop_front();
            }
        }
        results.clear();
        for (const auto& job : jobs) {
            results.push_back(LookAhead(job.second, lines_, scratch) == Verdict::Unchanged
                                  ? Slot::Unchanged
                                  : Slot::NeedsRewrite);
        }
        bool frontReady = false;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            for (std::size_t i = 0; i < jobs.size(); ++i) {
                std::size_t index = jobs[i].first;
                if (index >= taken_) {
                    slots_[index - taken_] = results[i];
                    frontReady = frontReady || index == taken_;
                }
            }
        }
        if (frontReady) {
            verdictReady_.notify_one();
        }
    }
}
