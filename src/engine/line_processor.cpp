#include "line_processor.h"

#include <algorithm>
#include <cstring>

namespace {

bool InSet(std::string_view set, char c) {
    return set.find(c) != std::string_view::npos;
}

std::size_t LeadingSpan(std::string_view text, std::string_view set) {
    std::size_t n = 0;
    while (n < text.size() && InSet(set, text[n])) {
        ++n;
    }
    return n;
}

std::size_t TrailingSpan(std::string_view text, std::string_view set) {
    std::size_t n = 0;
    while (n < text.size() && InSet(set, text[text.size() - 1 - n])) {
        ++n;
    }
    return n;
}

const void* FindByte(std::string_view bytes, std::size_t from, char c) {
    if (from >= bytes.size()) {
        return nullptr;
    }
    return std::memchr(bytes.data() + from, c, bytes.size() - from);
}

} // namespace

int TextWeight(unsigned char byte) {
    if (byte <= 0x07) {
        return -5;
    }
    if (byte <= 0x0A) {
        return 1; // backspace, tab, line feed
    }
    if (byte == 0x0B) {
        return -1; // vertical tab
    }
    if (byte <= 0x0D) {
        return 1; // form feed, carriage return
    }
    if (byte == 0x0E) {
        return -1;
    }
    if (byte <= 0x19) {
        return -5;
    }
    if (byte == 0x1A) {
        return 1; // end-of-file mark of DOS text
    }
    if (byte <= 0x1F) {
        return -5;
    }
    if (byte <= 0xFE) {
        return 1;
    }
    return -5;
}

bool LooksLikeText(std::string_view firstBytes) {
    int sum = 0;
    std::size_t n = firstBytes.size() < 128 ? firstBytes.size() : 128;
    for (std::size_t i = 0; i < n; ++i) {
        sum += TextWeight(static_cast<unsigned char>(firstBytes[i]));
    }
    return sum >= 0;
}

bool StripLeadingChars(std::string& line, std::string_view set) {
    if (line.empty() || set.empty()) {
        return false;
    }
    std::size_t n = LeadingSpan(line, set);
    line.erase(0, n);
    return n > 0;
}

bool StripTrailingChars(std::string& line, std::string_view set) {
    if (line.empty() || set.empty()) {
        return false;
    }
    std::size_t n = TrailingSpan(line, set);
    line.resize(line.size() - n);
    return n > 0;
}

LineProcessor::LineProcessor(const LineSettings& settings, ByteSink* sink)
    : settings_(settings), sink_(sink) {
    if (settings_.table != nullptr && settings_.table->empty()) {
        settings_.table = nullptr;
    }
    if (settings_.table != nullptr) {
        for (const ReplacementPair& pair : settings_.table->pairs) {
            longestSearch_ = std::max(longestSearch_, pair.searchLength());
        }
    }
    // Looking for a change in a job that can change nothing needs no reading.
    if (sink_ == nullptr && settings_.table == nullptr && !settings_.deleteEmptyLines &&
        settings_.leadingStripChars.empty() && settings_.trailingStripChars.empty()) {
        done_ = true;
    }
}

void LineProcessor::Write(std::string_view bytes) {
    if (sink_ != nullptr && !bytes.empty()) {
        sink_->Write(bytes);
    }
}

void LineProcessor::NoteChange() {
    if (sink_ == nullptr) {
        done_ = true;
    }
}

void LineProcessor::EmitLineEnd(std::string_view ending) {
    Write(settings_.keepLineEnds ? ending : std::string_view("\r\n"));
}

bool LineProcessor::QuickScanUsable() const {
    return sink_ == nullptr && settings_.table != nullptr &&
           (!settings_.table->regex || settings_.table->regexFiltered) &&
           !settings_.deleteEmptyLines && settings_.leadingStripChars.empty() &&
           settings_.trailingStripChars.empty() && settings_.table->pairs.size() <= 16;
}

void LineProcessor::ProcessLine(std::string_view line, bool hasLineFeed) {
    std::size_t end = line.size();
    while (end > 0 && line[end - 1] == '\r') {
        --end;
    }
    std::string_view content = line.substr(0, end);
    std::string_view crs = line.substr(end);
    std::string ending;
    if (settings_.keepLineEnds) {
        ending.assign(crs);
        if (hasLineFeed) {
            ending += '\n';
        }
    }
    if (settings_.deleteEmptyLines && content.empty()) {
        ++counters_.emptyLinesRemoved;
        NoteChange();
        return;
    }
    std::size_t zero = content.find('\0');
    std::string_view prefix = content.substr(0, zero);
    std::string_view rest =
        zero == std::string_view::npos ? std::string_view() : content.substr(zero);

    std::size_t lead = LeadingSpan(prefix, settings_.leadingStripChars);
    std::string_view afterLead = prefix.substr(lead);
    std::size_t trail = TrailingSpan(afterLead, settings_.trailingStripChars);
    std::string_view stripped = afterLead.substr(0, afterLead.size() - trail);
    bool mayReplace = settings_.table != nullptr && MayReplaceInLine(stripped, *settings_.table);
    bool replace = mayReplace && content.size() <= kMaxReplaceableLine;
    if (mayReplace && !replace &&
        (!settings_.table->regex || AnyRegexIn(stripped, *settings_.table))) {
        ++counters_.longLines;
    }
    if (lead == 0 && trail == 0 && !replace) {
        Write(content);
        EmitLineEnd(ending);
        return;
    }
    std::int32_t before = counters_.lineChanges;
    counters_.lineChanges += (lead > 0 ? 1 : 0) + (trail > 0 ? 1 : 0);
    work_.assign(stripped);
    if (replace) {
        int failed = -1;
        int n = ReplaceInLine(work_, kLineCapacity, *settings_.table, &failed);
        if (failed >= 0) {
            // A pattern ran over its limits: the file must stay as it is.
            counters_.failedPair = failed;
            done_ = true;
            return;
        }
        if (n > 0) {
            ++counters_.lineChanges;
            counters_.replacements += n;
        }
    }
    if (counters_.lineChanges != before) {
        NoteChange();
    }
    Write(work_);
    Write(rest);
    EmitLineEnd(ending);
}

void LineProcessor::ScanForChange(std::string_view bytes, std::size_t& pos) {
    const void* lastFeed = memrchr(bytes.data() + pos, '\n', bytes.size() - pos);
    if (lastFeed == nullptr) {
        return;
    }
    std::size_t regionEnd =
        static_cast<std::size_t>(static_cast<const char*>(lastFeed) - bytes.data());
    std::string_view region = bytes.substr(0, regionEnd);
    while (pos <= regionEnd && !done_) {
        std::size_t best = std::string_view::npos;
        const bool regex = settings_.table->regex;
        for (const ReplacementPair& pair : settings_.table->pairs) {
            // A pattern's line can hold a match only where its filter byte
            // stands; the line is then processed in full.
            std::size_t hit =
                regex ? pair.regex->FindCandidate(region, pos) : pair.search.Find(region, pos);
            if (hit < best) {
                best = hit;
            }
        }
        if (best == std::string_view::npos) {
            pos = regionEnd + 1;
            return;
        }
        std::size_t lineStart = pos;
        if (best > pos) {
            if (const void* feed = memrchr(bytes.data() + pos, '\n', best - pos)) {
                lineStart =
                    static_cast<std::size_t>(static_cast<const char*>(feed) - bytes.data()) + 1;
            }
        }
        auto lineEnd = static_cast<std::size_t>(
            static_cast<const char*>(FindByte(bytes, best, '\n')) - bytes.data());
        ProcessLine(bytes.substr(lineStart, lineEnd - lineStart), true);
        pos = lineEnd + 1;
    }
}

void LineProcessor::Feed(std::string_view bytes) {
    if (done_ || bytes.empty()) {
        return;
    }
    std::size_t pos = 0;
    if (streaming_) {
        const void* feed = FindByte(bytes, 0, '\n');
        if (feed == nullptr) {
            StreamLongLine(bytes, false, false);
            return;
        }
        auto k = static_cast<std::size_t>(static_cast<const char*>(feed) - bytes.data());
        StreamLongLine(bytes.substr(0, k), true, true);
        streaming_ = false;
        pos = k + 1;
    } else if (!carry_.empty()) {
        const void* feed = FindByte(bytes, 0, '\n');
        if (feed == nullptr) {
            carry_.append(bytes);
            if (carry_.size() > longLineThreshold_) {
                std::string start = std::move(carry_);
                carry_.clear();
                StreamLongLine(start, false, false);
            }
            return;
        }
        auto k = static_cast<std::size_t>(static_cast<const char*>(feed) - bytes.data());
        carry_.append(bytes.substr(0, k));
        if (carry_.size() > longLineThreshold_) {
            std::string whole = std::move(carry_);
            carry_.clear();
            StreamLongLine(whole, true, true);
            streaming_ = false;
        } else {
            ProcessLine(carry_, true);
            carry_.clear();
        }
        pos = k + 1;
    }
    if (!done_ && QuickScanUsable()) {
        ScanForChange(bytes, pos);
    }
    while (pos < bytes.size() && !done_) {
        const void* feed = FindByte(bytes, pos, '\n');
        if (feed == nullptr) {
            std::string_view tail = bytes.substr(pos);
            if (tail.size() > longLineThreshold_) {
                StreamLongLine(tail, false, false);
            } else {
                carry_.assign(tail);
            }
            return;
        }
        auto k = static_cast<std::size_t>(static_cast<const char*>(feed) - bytes.data());
        std::string_view line = bytes.substr(pos, k - pos);
        if (line.size() > longLineThreshold_) {
            StreamLongLine(line, true, true);
            streaming_ = false;
        } else {
            ProcessLine(line, true);
        }
        pos = k + 1;
    }
}

void LineProcessor::Finish() {
    if (done_) {
        return;
    }
    if (streaming_) {
        StreamLongLine({}, true, false);
        streaming_ = false;
    } else if (!carry_.empty()) {
        ProcessLine(carry_, false);
        carry_.clear();
    }
}

// A line too long to hold whole goes through here piece by piece. Nothing in
// it can be replaced (it is far beyond the longest replaceable line); the
// strips and the empty-line test work as on any other line.
void LineProcessor::StreamLongLine(std::string_view bytes, bool endOfLine, bool hasLineFeed) {
    if (!streaming_) {
        BeginStreamedLine();
    }
    SearchStreamed(bytes, endOfLine);
    std::size_t i = stripping_ ? StripLeadingStreamed(bytes) : 0;
    while (i < bytes.size() && !done_) {
        // Ordinary bytes go out in one piece.
        std::size_t next = i;
        while (next < bytes.size() && !special_[static_cast<unsigned char>(bytes[next])]) {
            ++next;
        }
        if (next > i) {
            CommitHeld();
            FlushCarriageReturns();
            Write(bytes.substr(i, next - i));
            hadContent_ = true;
            i = next;
            continue;
        }
        StreamSpecial(bytes[i++]);
    }
    if (!done_ && endOfLine) {
        EndStreamedLine(hasLineFeed);
    }
}

// Whether a search text stands in the streamed line. A piece is searched
// where it lies; only its seam with the piece before is copied: the end of
// that piece and the first bytes of this one. A text in UTF-8 counts only
// when it neither starts nor ends inside a character, which the bytes
// around it tell (up to three before and after); a text found too close to
// the end of a piece is therefore judged again with the next one, unless
// the piece is the line's last.
void LineProcessor::SearchStreamed(std::string_view bytes, bool last) {
    const ReplacementTable* table = settings_.table;
    if (table == nullptr || longHit_ || (bytes.empty() && !last)) {
        return;
    }
    if (table->regex) {
        // A pattern has no longest match: each piece is searched by itself.
        longHit_ = AnyRegexIn(bytes, *table);
        return;
    }
    constexpr std::size_t kAround = 3;
    const std::size_t longest = std::max<std::size_t>(longestSearch_, 1);
    // The texts not judged yet start in the tail's last `open` bytes.
    const std::size_t open = longest - 1 + kAround;
    std::string& seam = longSeam_;
    seam.assign(longTail_);
    seam.append(bytes.substr(0, open + kAround));
    const std::size_t seamFrom = longTail_.size() > open ? longTail_.size() - open : 0;
    const std::size_t bodyFrom = std::min(bytes.size(), kAround);
    if (const PairAutomaton* automaton = table->automaton()) {
        // Bytes alone decide here, whatever stands around them.
        longHit_ = automaton->AnyIn(seam) || automaton->AnyIn(bytes.substr(bodyFrom));
    } else {
        const bool seamIsAll = seam.size() == longTail_.size() + bytes.size();
        for (const ReplacementPair& pair : table->pairs) {
            const SearchPattern& search = pair.search;
            // A text found counts when the bytes after it are there to
            // tell, or when nothing follows it in the line.
            auto hit = [&](std::string_view haystack, std::size_t from, bool atLineEnd) {
                const std::size_t found = search.Find(haystack, from);
                return found != std::string_view::npos &&
                       (atLineEnd || found + search.size() + kAround <= haystack.size());
            };
            if (hit(seam, seamFrom, last && seamIsAll) || hit(bytes, bodyFrom, last)) {
                longHit_ = true;
                break;
            }
        }
    }
    const std::size_t tail = open + kAround;
    if (bytes.size() >= tail) {
        longTail_.assign(bytes.substr(bytes.size() - tail));
    } else {
        longTail_.append(bytes);
        longTail_.erase(0, longTail_.size() > tail ? longTail_.size() - tail : 0);
    }
}

void LineProcessor::BeginStreamedLine() {
    streaming_ = true;
    longHit_ = false;
    longTail_.clear();
    stripping_ = !settings_.leadingStripChars.empty();
    inRest_ = false;
    hadContent_ = false;
    leadingStripped_ = false;
    heldBlanks_ = 0;
    carriageReturns_ = 0;
    special_ = {};
    special_['\r'] = true;
    special_['\0'] = true;
    for (char c : settings_.trailingStripChars) {
        special_[static_cast<unsigned char>(c)] = true;
    }
}

// Skips leading strip characters at the start of the line; gives where the
// rest of `bytes` begins.
std::size_t LineProcessor::StripLeadingStreamed(std::string_view bytes) {
    std::size_t n = LeadingSpan(bytes, settings_.leadingStripChars);
    if (n > 0) {
        leadingStripped_ = true;
        hadContent_ = true;
    }
    if (n < bytes.size()) {
        stripping_ = false;
        if (leadingStripped_) {
            ++counters_.lineChanges;
            NoteChange();
        }
    }
    return n;
}

// A carriage return, a zero byte or a trailing strip character.
void LineProcessor::StreamSpecial(char c) {
    if (c == '\r') {
        ++carriageReturns_;
    } else if (inRest_) {
        FlushCarriageReturns();
        Write(std::string_view(&c, 1));
    } else if (c == '\0') {
        // The operations end at the first zero byte: the blanks right before
        // it are stripped; the rest is written unchanged.
        if (carriageReturns_ == 0) {
            StripHeldBlanks();
        }
        CommitHeld();
        FlushCarriageReturns();
        Write(std::string_view("\0", 1));
        inRest_ = true;
        hadContent_ = true;
        special_ = {};
        special_['\r'] = true;
    } else {
        // A blank after carriage returns: what was held stays, and the
        // carriage returns were no line end.
        if (carriageReturns_ > 0) {
            CommitHeld();
            FlushCarriageReturns();
        }
        Write(std::string_view(&c, 1));
        ++heldBlanks_;
    }
}

// Takes back the blanks held at the end of the line, one line change.
void LineProcessor::StripHeldBlanks() {
    if (heldBlanks_ == 0) {
        return;
    }
    if (sink_ != nullptr) {
        sink_->Retract(static_cast<std::size_t>(heldBlanks_));
    }
    heldBlanks_ = 0;
    ++counters_.lineChanges;
    NoteChange();
}

void LineProcessor::CommitHeld() {
    if (heldBlanks_ > 0) {
        heldBlanks_ = 0;
        hadContent_ = true;
    }
}

// The carriage returns counted so far turn out to be part of the line.
void LineProcessor::FlushCarriageReturns() {
    if (carriageReturns_ > 0) {
        hadContent_ = true;
        WriteCarriageReturns(carriageReturns_);
        carriageReturns_ = 0;
    }
}

void LineProcessor::WriteCarriageReturns(std::uint64_t count) {
    static const std::string kReturns(4096, '\r');
    for (std::uint64_t left = count; left > 0;) {
        std::size_t n = left < kReturns.size() ? static_cast<std::size_t>(left) : kReturns.size();
        Write(std::string_view(kReturns).substr(0, n));
        left -= n;
    }
}

// The end of a streamed line: the carriage returns at its very end are its
// line end, the blanks before them are stripped.
void LineProcessor::EndStreamedLine(bool hasLineFeed) {
    streaming_ = false;
    if (longHit_) {
        ++counters_.longLines;
    }
    if (stripping_ && leadingStripped_) {
        // The whole line was leading strip characters.
        ++counters_.lineChanges;
        NoteChange();
    }
    const std::uint64_t lineEnd = carriageReturns_;
    carriageReturns_ = 0;
    if (!hadContent_ && heldBlanks_ == 0 && settings_.deleteEmptyLines) {
        ++counters_.emptyLinesRemoved;
        NoteChange();
        return;
    }
    if (!inRest_) {
        StripHeldBlanks();
    }
    heldBlanks_ = 0;
    if (done_) {
        return;
    }
    if (settings_.keepLineEnds) {
        WriteCarriageReturns(lineEnd);
        Write(hasLineFeed ? std::string_view("\n") : std::string_view());
    } else {
        EmitLineEnd({});
    }
}
