// Looks at the files of a run ahead of their turn on other threads, so that
// the run's own thread, which decides, asks, renames and counts in the order
// of the file list, rarely waits for a file to be read or copied. A look never
// changes a file and never asks anything: it clears a file as unchanged, or
// prepares its new content in its temporary file (for small files, within a
// bound on the bytes prepared and not yet taken), or leaves the file to be
// handled in full when its turn comes. Prepared copies that are never taken
// are deleted when the look-ahead ends.
#pragma once

#include "rewrite_file.h"

#include <atomic>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class ReadAhead {
public:
    // Each thread reaches the files through its own copy of `resolver`.
    ReadAhead(const LineSettings& lines, int threads, const PathResolver& resolver);
    ~ReadAhead();
    ReadAhead(const ReadAhead&) = delete;
    ReadAhead& operator=(const ReadAhead&) = delete;

    // Queues the next file of the list (handed to the threads in batches).
    void Submit(std::string path);
    // What the look at the oldest file not yet taken found; waits for it,
    // keeping the interface alive meanwhile.
    LookResult Take(RunUi& ui);

private:
    struct Slot {
        bool ready = false;
        std::string path;
        LookResult result;
    };
    void Publish(); // hands the batch collected so far to the threads
    void Work();

    LineSettings lines_;
    PathResolver resolver_; // for the prepared copies discarded at the end
    std::mutex mutex_;
    std::condition_variable workReady_;
    std::condition_variable verdictReady_;
    std::vector<std::pair<std::size_t, std::string>> batch_; // not yet handed over
    std::deque<std::pair<std::size_t, std::string>> queue_;  // handed over, not yet taken up
    std::deque<Slot> slots_;                                 // verdicts from taken_ on
    std::size_t submitted_ = 0;
    std::size_t taken_ = 0;
    bool stopping_ = false;
    std::atomic<long long> preparedBytes_{0}; // prepared and not yet taken
    std::vector<std::thread> workers_;
};
