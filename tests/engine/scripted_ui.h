// A RunUi for tests: answers each message by id from a script, records every
// message shown with its inserts and answer, and finishes the summary as told.
#pragma once

#include "commit_undo.h"
#include "run_job.h"
#include "run_ui.h"

#include <deque>
#include <functional>
#include <map>
#include <string>
#include <vector>

struct ShownMessage {
    int id;
    std::string insert1;
    std::string insert2;
    int answer;
};

class ScriptedUi : public RunUi {
public:
    enum class Finish { Commit, Undo, Keep };

    // Answers for message `id`, used in order; after they run out, `fallback`.
    void Answer(int id, std::vector<int> answers) {
        for (int a : answers) {
            answers_[id].push_back(a);
        }
    }
    void Fallback(int id, int answer) { fallback_[id] = answer; }

    ::Answer ShowMessage(int id, std::string_view insert1, std::string_view insert2) override {
        int answer = 1;
        auto it = answers_.find(id);
        if (it != answers_.end() && !it->second.empty()) {
            answer = it->second.front();
            it->second.pop_front();
        } else if (auto f = fallback_.find(id); f != fallback_.end()) {
            answer = f->second;
        }
        messages.push_back({id, std::string(insert1), std::string(insert2), answer});
        if (onMessage) {
            onMessage(messages.back());
        }
        return static_cast<::Answer>(answer);
    }

    bool ScanProgress(const std::string& directory) override {
        scannedDirectories.push_back(directory);
        return stopScanAfter < 0 || static_cast<int>(scannedDirectories.size()) <= stopScanAfter;
    }
    void EndScan() override {
        if (afterScan) {
            afterScan();
        }
    }
    void CreateProgress(int titleId, long total) override {
        progressTitles.push_back(titleId);
        progressTotals.push_back(total);
        progressOpen = true;
    }
    void UpdateProgress(long position) override {
        lastProgress = position;
        ++updates;
        if (afterProgress) {
            afterProgress(position);
        }
    }
    bool ProgressAborted() override { return stopAfterFiles >= 0 && updates >= stopAfterFiles; }
    void DestroyProgress() override { progressOpen = false; }

    void RunSummary(const RunSummaryInfo& info) override {
        ++summaries;
        summaryStatistics = info.statistics;
        summaryChangeLog = ReadChangeLog(info.changeLogPath);
        if (beforeFinish) {
            beforeFinish(info);
        }
        switch (finish) {
        case Finish::Commit:
            CommitChanges(info.changeLogPath, info.statistics.FilesChanged, *this);
            break;
        case Finish::Undo:
            UndoChanges(info.changeLogPath, info.statistics.FilesChanged, *this);
            break;
        case Finish::Keep:
            break;
        }
    }

    std::vector<int> MessageIds() const {
        std::vector<int> ids;
        for (const auto& m : messages) {
            ids.push_back(m.id);
        }
        return ids;
    }

    Finish finish = Finish::Commit;
    std::function<void(const RunSummaryInfo&)> beforeFinish;
    std::function<void(const ShownMessage&)> onMessage;
    std::function<void()> afterScan;
    std::function<void(long position)> afterProgress;
    int stopScanAfter = -1;  // stop the scan after this many directories
    int stopAfterFiles = -1; // ask to stop after this many files
    std::vector<ShownMessage> messages;
    std::vector<std::string> scannedDirectories;
    std::vector<int> progressTitles;
    std::vector<long> progressTotals;
    long lastProgress = 0;
    int updates = 0;
    bool progressOpen = false;
    int summaries = 0;
    RunStatistics summaryStatistics;
    std::vector<std::string> summaryChangeLog;

private:
    std::map<int, std::deque<int>> answers_;
    std::map<int, int> fallback_;
};

// A run of a job that is checked first, as Start does.
inline RunResult RunCheckedJob(const Job& job, RunUi& ui, const RunOptions& options = {}) {
    return RunJob(job, CheckStart(job), ui, options);
}
