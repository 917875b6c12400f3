#include "change_view.h"

#include "file_ops.h"

#include <algorithm>
#include <dtl/dtl.hpp>
#include <map>

namespace {

constexpr std::size_t kChunk = 1024 * 1024;

// The line end of a raw line: its carriage returns before the line feed and
// the line feed (or, on a last line without one, its trailing carriage
// returns).
std::size_t EndingStart(std::string_view raw) {
    std::size_t end = raw.size();
    if (end > 0 && raw[end - 1] == '\n') {
        --end;
    }
    while (end > 0 && raw[end - 1] == '\r') {
        --end;
    }
    return end;
}

void SplitRaw(std::string_view raw, std::string& text, std::string& ending) {
    std::size_t at = EndingStart(raw);
    text.assign(raw.substr(0, at));
    ending.assign(raw.substr(at));
}

} // namespace

// Reads a file line by line, each line with its line feed.
class ChangeWalker::LineSource {
public:
    LineSource(const std::string& path, std::size_t maxLine)
        : fd_(OpenRegularFile(path)), maxLine_(maxLine) {}
    bool opened() const { return fd_.get() >= 0; }
    // True once a line longer than the limit was met.
    bool tooLong() const { return tooLong_; }
    // The next `size` bytes; false when the file ends before, or when they
    // are more than the limit.
    bool Take(std::size_t size, std::string& raw) {
        if (size > maxLine_) {
            tooLong_ = true;
            return false;
        }
        while (buffer_.size() - start_ < size && !eof_) {
            Fill();
        }
        if (buffer_.size() - start_ < size) {
            return false;
        }
        raw.assign(buffer_, start_, size);
        start_ += size;
        scanned_ = 0;
        return true;
    }
    // True at the end of the file.
    bool AtEnd() {
        while (start_ >= buffer_.size() && !eof_) {
            Fill();
        }
        return start_ >= buffer_.size();
    }
    // The next raw line; false at the end of the file, on a read error, or
    // at a line longer than the limit.
    bool Next(std::string& raw) {
        while (true) {
            // What was searched already is not searched again.
            std::size_t feed = buffer_.find('\n', start_ + scanned_);
            if (feed != std::string::npos) {
                raw.assign(buffer_, start_, feed + 1 - start_);
                start_ = feed + 1;
                scanned_ = 0;
                return true;
            }
            scanned_ = buffer_.size() - start_;
            if (scanned_ > maxLine_) {
                tooLong_ = true;
                return false;
            }
            if (eof_) {
                if (start_ >= buffer_.size()) {
                    return false;
                }
                raw.assign(buffer_, start_, std::string::npos);
                start_ = buffer_.size();
                scanned_ = 0;
                return true;
            }
            Fill();
        }
    }

private:
    void Fill() {
        buffer_.erase(0, start_);
        start_ = 0;
        std::size_t have = buffer_.size();
        buffer_.resize(have + kChunk);
        long n = ReadFully(fd_.get(), buffer_.data() + have, kChunk);
        buffer_.resize(have + static_cast<std::size_t>(n < 0 ? 0 : n));
        eof_ = n < static_cast<long>(kChunk);
    }

    FileDescriptor fd_;
    std::string buffer_;
    std::size_t start_ = 0;
    std::size_t scanned_ = 0; // bytes after start_ known to hold no line feed
    std::size_t maxLine_;
    bool eof_ = false;
    bool tooLong_ = false;
};

ChangeWalker::ChangeWalker(const std::string& oldPath, const std::string& newPath,
                           const LineSettings& lines, std::size_t maxLine)
    : old_(std::make_unique<LineSource>(oldPath, maxLine)),
      new_(std::make_unique<LineSource>(newPath, maxLine)), processor_(lines, &sink_) {}

bool ChangeWalker::lineTooLong() const {
    return old_->tooLong() || new_->tooLong();
}

ChangeWalker::~ChangeWalker() = default;

bool ChangeWalker::opened() const {
    return old_->opened() && new_->opened();
}

bool ChangeWalker::Next(LinePair& pair) {
    if (!matches_ || !opened() || lineTooLong()) {
        return false;
    }
    std::string oldRaw;
    std::string newRaw;
    if (!old_->Next(oldRaw)) {
        // Both must end together.
        matches_ = old_->tooLong() || new_->AtEnd();
        return false;
    }
    // What the run's line operations make of the old line.
    sink_.text.clear();
    const bool last = oldRaw.back() != '\n';
    processor_.Feed(oldRaw);
    if (last) {
        processor_.Finish();
    }
    pair = LinePair{};
    pair.oldNumber = ++oldNumber_;
    SplitRaw(oldRaw, pair.oldText, pair.oldEnding);
    if (sink_.text.empty()) {
        pair.kind = LinePair::Kind::Removed;
        return true;
    }
    // A replacement may hold a line feed: the old line then gives several.
    if (!new_->Take(sink_.text.size(), newRaw) || newRaw != sink_.text) {
        matches_ = new_->tooLong();
        return false;
    }
    pair.newNumber = newNumber_ + 1;
    newNumber_ += std::max<std::int64_t>(1, std::count(newRaw.begin(), newRaw.end(), '\n'));
    SplitRaw(newRaw, pair.newText, pair.newEnding);
    pair.kind = oldRaw == newRaw ? LinePair::Kind::Same : LinePair::Kind::Changed;
    ++kept_;
    if (pair.oldEnding != pair.newEnding) {
        ++endingChanged_;
        fromEnding_ = pair.oldEnding;
        toEnding_ = pair.newEnding;
    }
    return true;
}

bool ChangeWalker::EndingsConverted(std::string& from, std::string& to) const {
    if (endingChanged_ == 0) {
        return false;
    }
    from = fromEnding_;
    to = toEnding_;
    return true;
}

bool PlainDifference(const std::string& oldPath, const std::string& newPath,
                     std::vector<LinePair>& pairs, std::size_t limitBytes) {
    auto readLines = [&](const std::string& path, std::vector<std::string>& lines,
                         std::size_t& total) {
        struct stat st {};
        FileDescriptor fd(OpenRegularFile(path, &st));
        if (fd.get() < 0) {
            return false;
        }
        total += static_cast<std::size_t>(st.st_size);
        if (total > limitBytes) {
            return false;
        }
        std::string content(static_cast<std::size_t>(st.st_size), '\0');
        long n = ReadFully(fd.get(), content.data(), content.size());
        if (n < 0) {
            return false;
        }
        content.resize(static_cast<std::size_t>(n));
        for (std::size_t at = 0; at < content.size();) {
            std::size_t feed = content.find('\n', at);
            std::size_t end = feed == std::string::npos ? content.size() : feed + 1;
            lines.push_back(content.substr(at, end - at));
            at = end;
        }
        return true;
    };
    std::vector<std::string> before;
    std::vector<std::string> after;
    std::size_t total = 0;
    if (!readLines(oldPath, before, total) || !readLines(newPath, after, total)) {
        return false;
    }
    dtl::Diff<std::string> diff(before, after);
    diff.compose();
    std::int64_t oldNumber = 0;
    std::int64_t newNumber = 0;
    pairs.clear();
    for (const auto& [line, info] : diff.getSes().getSequence()) {
        LinePair pair;
        if (info.type == dtl::SES_DELETE) {
            pair.kind = LinePair::Kind::Removed;
            pair.oldNumber = ++oldNumber;
            SplitRaw(line, pair.oldText, pair.oldEnding);
        } else if (info.type == dtl::SES_ADD) {
            pair.kind = LinePair::Kind::Added;
            pair.newNumber = ++newNumber;
            SplitRaw(line, pair.newText, pair.newEnding);
        } else {
            pair.oldNumber = ++oldNumber;
            pair.newNumber = ++newNumber;
            SplitRaw(line, pair.oldText, pair.oldEnding);
            pair.newText = pair.oldText;
            pair.newEnding = pair.oldEnding;
        }
        pairs.push_back(std::move(pair));
    }
    return true;
}

ChangedSpans SpansOfChange(std::string_view oldText, std::string_view newText) {
    ChangedSpans spans;
    // The common start and end never change; only what lies between is
    // compared character by character.
    std::size_t prefix = 0;
    while (prefix < oldText.size() && prefix < newText.size() &&
           oldText[prefix] == newText[prefix]) {
        ++prefix;
    }
    std::size_t suffix = 0;
    while (suffix < oldText.size() - prefix && suffix < newText.size() - prefix &&
           oldText[oldText.size() - 1 - suffix] == newText[newText.size() - 1 - suffix]) {
        ++suffix;
    }
    std::string_view a = oldText.substr(prefix, oldText.size() - prefix - suffix);
    std::string_view b = newText.substr(prefix, newText.size() - prefix - suffix);
    auto add = [](auto& list, std::size_t at) {
        if (!list.empty() && list.back().second == at) {
            ++list.back().second;
        } else {
            list.emplace_back(at, at + 1);
        }
    };
    if (a.size() + b.size() > 8192) {
        // Too long to compare in detail: the middle as a whole.
        if (!a.empty()) {
            spans.old.emplace_back(prefix, prefix + a.size());
        }
        if (!b.empty()) {
            spans.now.emplace_back(prefix, prefix + b.size());
        }
        return spans;
    }
    dtl::Diff<char, std::string_view> diff(a, b);
    diff.compose();
    for (const auto& [c, info] : diff.getSes().getSequence()) {
        (void)c;
        if (info.type == dtl::SES_DELETE) {
            add(spans.old, prefix + static_cast<std::size_t>(info.beforeIdx - 1));
        } else if (info.type == dtl::SES_ADD) {
            add(spans.now, prefix + static_cast<std::size_t>(info.afterIdx - 1));
        }
    }
    return spans;
}

UnifiedDiffWriter::UnifiedDiffWriter(std::string oldLabel, std::string newLabel, int context)
    : oldLabel_(std::move(oldLabel)), newLabel_(std::move(newLabel)), context_(context) {}

std::string UnifiedDiffWriter::Line(char mark, const std::string& text, const std::string& ending) {
    // Text that holds line feeds (a replacement made them) is several lines.
    const std::string raw = text + ending;
    std::string lines;
    for (std::size_t at = 0; at < raw.size();) {
        std::size_t feed = raw.find('\n', at);
        std::size_t end = feed == std::string::npos ? raw.size() : feed + 1;
        lines += mark;
        lines.append(raw, at, end - at);
        if (feed == std::string::npos) {
            lines += "\n\\ No newline at end of file\n";
        }
        at = end;
    }
    return lines;
}

int UnifiedDiffWriter::LineCount(const std::string& text, const std::string& ending) {
    const std::string raw = text + ending;
    int count = static_cast<int>(std::count(raw.begin(), raw.end(), '\n'));
    return count + (raw.empty() || raw.back() != '\n' ? 1 : 0);
}

void UnifiedDiffWriter::Add(const LinePair& pair) {
    AddPair(pair);
    if (pair.newNumber > 0) {
        lastNewSeen_ = pair.newNumber;
    }
}

void UnifiedDiffWriter::AddPair(const LinePair& pair) {
    if (pair.kind == LinePair::Kind::Same) {
        if (hunk_.empty()) {
            before_.push_back(pair);
            if (static_cast<int>(before_.size()) > context_) {
                before_.erase(before_.begin());
            }
            return;
        }
        hunk_.push_back(pair);
        if (++trailing_ > 2 * context_) {
            // No later change can join this hunk: it ends `context_` lines
            // after its last change, and the lines after those lead into the
            // next one.
            std::vector<LinePair> rest(hunk_.end() - context_, hunk_.end());
            hunk_.resize(hunk_.size() - static_cast<std::size_t>(trailing_ - context_));
            FlushHunk();
            before_ = std::move(rest);
        }
        return;
    }
    if (hunk_.empty()) {
        hunkNewBefore_ = before_.empty() ? lastNewSeen_ : before_.front().newNumber - 1;
        hunk_ = std::move(before_);
        before_.clear();
    }
    hunk_.push_back(pair);
    trailing_ = 0;
}

void UnifiedDiffWriter::FlushHunk() {
    if (hunk_.empty()) {
        return;
    }
    if (out_.empty()) {
        out_ = "--- " + oldLabel_ + "\n+++ " + newLabel_ + "\n";
    }
    std::int64_t oldStart = 0;
    std::int64_t newStart = 0;
    std::int64_t oldCount = 0;
    std::int64_t newCount = 0;
    std::string body;
    for (const LinePair& pair : hunk_) {
        if (pair.oldNumber > 0 && oldStart == 0) {
            oldStart = pair.oldNumber;
        }
        if (pair.newNumber > 0 && newStart == 0) {
            newStart = pair.newNumber;
        }
        switch (pair.kind) {
        case LinePair::Kind::Same:
            body += Line(' ', pair.oldText, pair.oldEnding);
            ++oldCount;
            ++newCount;
            break;
        case LinePair::Kind::Changed:
            body += Line('-', pair.oldText, pair.oldEnding);
            body += Line('+', pair.newText, pair.newEnding);
            ++oldCount;
            newCount += LineCount(pair.newText, pair.newEnding);
            break;
        case LinePair::Kind::Removed:
            body += Line('-', pair.oldText, pair.oldEnding);
            ++oldCount;
            break;
        case LinePair::Kind::Added:
            body += Line('+', pair.newText, pair.newEnding);
            newCount += LineCount(pair.newText, pair.newEnding);
            break;
        }
    }
    if (newCount == 0) {
        // No new line in the hunk: it stands after the last one before it.
        newStart = hunkNewBefore_;
    }
    out_ += "@@ -" + std::to_string(oldStart) + "," + std::to_string(oldCount) + " +" +
            std::to_string(newStart) + "," + std::to_string(newCount) + " @@\n" + body;
    hunk_.clear();
    trailing_ = 0;
}

std::string UnifiedDiffWriter::Finish() {
    if (!hunk_.empty()) {
        if (trailing_ > context_) {
            hunk_.resize(hunk_.size() - static_cast<std::size_t>(trailing_ - context_));
        }
        FlushHunk();
    }
    return out_;
}
