#include "pair_automaton.h"

#include "utf8_case.h"

#include <algorithm>
#include <deque>
#include <map>

namespace {
constexpr std::size_t kMaxTransitions = 16 * 1024 * 1024;
} // namespace

bool PairAutomaton::Build(const std::vector<std::string>& texts,
                          const std::array<std::uint8_t, 256>* fold, bool utf8IgnoreCase) {
    fold_ = fold;
    utf8IgnoreCase_ = utf8IgnoreCase;
    texts_ = texts.size();
    // One input class for every byte value the texts use, one for the rest.
    std::array<std::uint16_t, 256> valueClass{};
    classes_ = 1;
    std::size_t totalBytes = 0;
    for (const std::string& text : texts) {
        totalBytes += text.size();
        for (char c : text) {
            auto value = static_cast<std::uint8_t>(c);
            if (valueClass[value] == 0) {
                valueClass[value] = static_cast<std::uint16_t>(classes_++);
            }
        }
    }
    if ((totalBytes + 1) * classes_ > kMaxTransitions) {
        return false;
    }
    for (int b = 0; b < 256; ++b) {
        auto byte = static_cast<std::uint8_t>(b);
        classOf_[byte] = valueClass[fold_ != nullptr ? (*fold_)[byte] : byte];
    }
    // The trie.
    next_.assign(classes_, -1);
    textAt_.assign(1, -1);
    sameText_.assign(texts.size(), -1);
    for (std::size_t t = 0; t < texts.size(); ++t) {
        if (texts[t].empty()) {
            continue;
        }
        std::int32_t state = 0;
        for (char c : texts[t]) {
            std::size_t slot = static_cast<std::size_t>(state) * classes_ +
                               valueClass[static_cast<std::uint8_t>(c)];
            if (next_[slot] < 0) {
                next_[slot] = static_cast<std::int32_t>(textAt_.size());
                textAt_.push_back(-1);
                next_.resize(next_.size() + classes_, -1);
            }
            state = next_[slot];
        }
        auto id = static_cast<std::int32_t>(t);
        sameText_[t] = textAt_[static_cast<std::size_t>(state)];
        textAt_[static_cast<std::size_t>(state)] = id;
    }
    // Failure links, turned into a complete transition table, breadth first.
    std::size_t states = textAt_.size();
    std::vector<std::int32_t> failure(states, 0);
    outputLink_.assign(states, -1);
    std::deque<std::int32_t> queue;
    for (std::size_t c = 0; c < classes_; ++c) {
        std::int32_t child = next_[c];
        if (child < 0) {
            next_[c] = 0;
        } else {
            failure[static_cast<std::size_t>(child)] = 0;
            queue.push_back(child);
        }
    }
    while (!queue.empty()) {
        std::int32_t state = queue.front();
        queue.pop_front();
        auto s = static_cast<std::size_t>(state);
        std::int32_t fail = failure[s];
        auto f = static_cast<std::size_t>(fail);
        outputLink_[s] = textAt_[f] >= 0 ? fail : outputLink_[f];
        for (std::size_t c = 0; c < classes_; ++c) {
            std::int32_t& child = next_[s * classes_ + c];
            std::int32_t viaFailure = next_[f * classes_ + c];
            if (child < 0) {
                child = viaFailure;
            } else {
                failure[static_cast<std::size_t>(child)] = viaFailure;
                queue.push_back(child);
            }
        }
    }
    return true;
}

template <typename Visit> void PairAutomaton::Scan(std::string_view line, Visit&& visit) const {
    thread_local std::string folded;
    if (utf8IgnoreCase_) {
        folded = FoldUtf8Text(line);
        line = folded;
    }
    std::size_t state = 0;
    for (char c : line) {
        state = static_cast<std::size_t>(
            next_[state * classes_ + classOf_[static_cast<std::uint8_t>(c)]]);
        std::int32_t hit =
            textAt_[state] >= 0 ? static_cast<std::int32_t>(state) : outputLink_[state];
        while (hit >= 0) {
            for (std::int32_t t = textAt_[static_cast<std::size_t>(hit)]; t >= 0;
                 t = sameText_[static_cast<std::size_t>(t)]) {
                if (!visit(static_cast<std::uint32_t>(t))) {
                    return;
                }
            }
            hit = outputLink_[static_cast<std::size_t>(hit)];
        }
    }
}

void PairAutomaton::Collect(std::string_view line, std::vector<std::uint32_t>& found) const {
    found.clear();
    thread_local std::vector<std::uint32_t> mark;
    thread_local std::uint32_t epoch = 0;
    if (mark.size() < texts_) {
        mark.assign(texts_, 0);
    }
    if (++epoch == 0) {
        std::fill(mark.begin(), mark.end(), 0);
        epoch = 1;
    }
    Scan(line, [&](std::uint32_t t) {
        if (mark[t] != epoch) {
            mark[t] = epoch;
            found.push_back(t);
        }
        return true;
    });
    std::sort(found.begin(), found.end());
}

bool PairAutomaton::AnyIn(std::string_view line) const {
    bool any = false;
    Scan(line, [&](std::uint32_t) {
        any = true;
        return false;
    });
    return any;
}
