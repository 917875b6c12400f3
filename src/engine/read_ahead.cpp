#include "read_ahead.h"

#include <chrono>

namespace {
// Files handed over and taken up at a time: fewer wake-ups between threads.
constexpr std::size_t kBatch = 16;
// The most bytes of files whose copies are prepared but not yet taken.
constexpr long long kPreparedBytes = 64LL * 1024 * 1024;
} // namespace

ReadAhead::ReadAhead(const LineSettings& lines, int threads, const PathResolver& resolver)
    : lines_(lines), resolver_(resolver) {
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
    // The run ended before these prepared copies were taken.
    for (const Slot& slot : slots_) {
        if (slot.ready && slot.result.verdict == Verdict::Prepared) {
            DiscardPrepared(slot.path, slot.result, &resolver_);
        }
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
            slots_.emplace_back();
        }
    }
    batch_.clear();
    workReady_.notify_all();
}

LookResult ReadAhead::Take(RunUi& ui) {
    std::unique_lock<std::mutex> lock(mutex_);
    if (slots_.empty() || !slots_.front().ready) {
        lock.unlock();
        Publish(); // the file asked for may still be in the batch
        lock.lock();
    }
    while (!slots_.front().ready) {
        if (!verdictReady_.wait_for(lock, std::chrono::milliseconds(40),
                                    [&] { return slots_.front().ready; })) {
            lock.unlock();
            ui.KeepAlive();
            lock.lock();
        }
    }
    LookResult result = std::move(slots_.front().result);
    slots_.pop_front();
    ++taken_;
    if (result.verdict == Verdict::Prepared) {
        preparedBytes_.fetch_sub(static_cast<long long>(result.bytes));
    }
    return result;
}

void ReadAhead::Work() {
    ScratchBuffers scratch;
    PathResolver resolver(resolver_);
    std::vector<std::pair<std::size_t, std::string>> jobs;
    std::vector<LookResult> results;
    // A copy is prepared only while the copies waiting to be taken stay small.
    long long granted = 0;
    auto mayPrepare = [this, &granted](std::size_t bytes) {
        long long size = static_cast<long long>(bytes);
        if (preparedBytes_.fetch_add(size) + size > kPreparedBytes) {
            preparedBytes_.fetch_sub(size);
            return false;
        }
        granted = size;
        return true;
    };
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
            granted = 0;
            LookResult result = LookAhead(job.second, lines_, scratch, mayPrepare, &resolver);
            if (result.verdict != Verdict::Prepared) {
                preparedBytes_.fetch_sub(granted); // room given, but no copy made
            }
            results.push_back(std::move(result));
        }
        bool frontReady = false;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            for (std::size_t i = 0; i < jobs.size(); ++i) {
                std::size_t index = jobs[i].first;
                if (index >= taken_) {
                    Slot& slot = slots_[index - taken_];
                    slot.ready = true;
                    slot.path = std::move(jobs[i].second);
                    slot.result = std::move(results[i]);
                    frontReady = frontReady || index == taken_;
                }
            }
        }
        if (frontReady) {
            verdictReady_.notify_one();
        }
    }
}
