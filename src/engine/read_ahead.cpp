#include "read_ahead.h"

#include <chrono>

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

void ReadAhead::Submit(const std::string& path) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        queue_.emplace_back(submitted_++, path);
    }
    workReady_.notify_one();
}

Verdict ReadAhead::Take(RunUi& ui) {
    std::unique_lock<std::mutex> lock(mutex_);
    while (true) {
        auto it = verdicts_.find(taken_);
        if (it != verdicts_.end()) {
            Verdict verdict = it->second;
            verdicts_.erase(it);
            ++taken_;
            return verdict;
        }
        if (!verdictReady_.wait_for(lock, std::chrono::milliseconds(40),
                                    [&] { return verdicts_.count(taken_) != 0; })) {
            lock.unlock();
            ui.KeepAlive();
            lock.lock();
        }
    }
}

void ReadAhead::Work() {
    std::string buffer;
    while (true) {
        std::pair<std::size_t, std::string> job;
        {
            std::unique_lock<std::mutex> lock(mutex_);
            workReady_.wait(lock, [&] { return stopping_ || !queue_.empty(); });
            if (stopping_) {
                return;
            }
            job = std::move(queue_.front());
            queue_.pop_front();
        }
        Verdict verdict = LookAhead(job.second, lines_, buffer);
        {
            std::lock_guard<std::mutex> lock(mutex_);
            verdicts_[job.first] = verdict;
        }
        verdictReady_.notify_all();
    }
}
