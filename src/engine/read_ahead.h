// Looks at the files of a run ahead of their turn on other threads, so that
// the run's own thread, which decides, writes, asks and counts in the order
// of the file list, rarely waits for a file to be read. A look never changes
// anything and never asks anything: a file it cannot clear as unchanged is
// handled in full by the run when its turn comes.
#pragma once

#include "rewrite_file.h"

#include <condition_variable>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class ReadAhead {
public:
    ReadAhead(const LineSettings& lines, int threads);
    ~ReadAhead();
    ReadAhead(const ReadAhead&) = delete;
    ReadAhead& operator=(const ReadAhead&) = delete;

    // Queues the next file of the list (handed to the threads in batches).
    void Submit(std::string path);
    // The verdict on the oldest file not yet taken; waits for it, keeping the
    // interface alive meanwhile.
    Verdict Take(RunUi& ui);

private:
    enum class Slot : unsigned char { Waiting, Unchanged, NeedsRewrite };
    void Publish(); // hands the batch collected so far to the threads
    void Work();

    LineSettings lines_;
    std::mutex mutex_;
    std::condition_variable workReady_;
    std::condition_variable verdictReady_;
    std::vector<std::pair<std::size_t, std::string>> batch_; // not yet handed over
    std::deque<std::pair<std::size_t, std::string>> queue_;  // handed over, not yet taken up
    std::deque<Slot> slots_;                                 // verdicts from taken_ on
    std::size_t submitted_ = 0;
    std::size_t taken_ = 0;
    bool stopping_ = false;
    std::vector<std::thread> workers_;
};
