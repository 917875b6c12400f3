// A RunUi for tests: scripted answers, every message recorded.
#pragma once

#include "run_ui.h"

#include <deque>
#include <map>
#include <string>
#include <vector>

class ScriptedRunUi : public RunUi {
public:
    struct Shown {
        int id;
        std::string insert1;
        std::string insert2;
    };

    Answer ShowMessage(int id, std::string_view insert1, std::string_view insert2) override {
        shown.push_back({id, std::string(insert1), std::string(insert2)});
        std::deque<int>& queue = answers[id];
        if (queue.empty()) {
            return Answer::Ok;
        }
        int answer = queue.front();
        queue.pop_front();
        return static_cast<Answer>(answer);
    }
    void CreateProgress(int titleId, long total) override {
        progressTitles.push_back(titleId);
        progressTotal = total;
    }
    void RunSummary(const RunSummaryInfo&) override {}

    std::vector<int> Ids() const {
        std::vector<int> ids;
        for (const Shown& s : shown) {
            ids.push_back(s.id);
        }
        return ids;
    }

    std::vector<Shown> shown;
    std::map<int, std::deque<int>> answers;
    std::vector<int> progressTitles;
    long progressTotal = -1;
};
