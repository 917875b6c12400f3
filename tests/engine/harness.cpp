#include "harness.h"

#include "file_ops.h"
#include "reference.h"
#include "replacement_table.h"
#include "rewrite_file.h"
#include "run_job.h"
#include "scripted_ui.h"
#include "string_table.h"
#include "test_support.h"

#include <algorithm>
#include <cstdlib>
#include <string_view>

using testing_support::Exists;
using testing_support::ReadFile;
using testing_support::RemoveTree;
using testing_support::TempDir;
using testing_support::WriteFile;

namespace harness {

namespace {

constexpr int kMaxFailures = 40;
constexpr int kYes = static_cast<int>(Answer::Yes);

// True when the variable is unset or names `name` (or, ending in '*', a
// start of it).
bool Selected(const char* variable, std::string_view name) {
    const char* wanted = std::getenv(variable);
    if (wanted == nullptr || *wanted == '\0') {
        return true;
    }
    std::string_view w = wanted;
    if (w.back() == '*') {
        return name.starts_with(w.substr(0, w.size() - 1));
    }
    return name == w;
}

// Bytes as readable text: control bytes and bytes above 0x7E escaped.
std::string Show(std::string_view bytes) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string shown;
    for (char c : bytes) {
        auto b = static_cast<unsigned char>(c);
        if (c == '\\') {
            shown += "\\\\";
        } else if (b >= 0x20 && b < 0x7F) {
            shown += c;
        } else if (c == '\n') {
            shown += "\\n";
        } else if (c == '\r') {
            shown += "\\r";
        } else {
            shown += "\\x";
            shown += kHex[b >> 4];
            shown += kHex[b & 15];
        }
    }
    return shown;
}

// Where two byte strings part, with a little of each around it.
std::string Difference(std::string_view expected, std::string_view got) {
    std::size_t at = 0;
    while (at < expected.size() && at < got.size() && expected[at] == got[at]) {
        ++at;
    }
    std::size_t from = at > 24 ? at - 24 : 0;
    return "bytes differ at offset " + std::to_string(at) + " (sizes " +
           std::to_string(expected.size()) + " and " + std::to_string(got.size()) +
           "):\n  expected ..." + Show(expected.substr(from, 80)) + "\n  got      ..." +
           Show(got.substr(from, 80));
}

std::string ShowCounters(const FileCounters& c) {
    return "{lines " + std::to_string(c.lineChanges) + ", replacements " +
           std::to_string(c.replacements) + ", empty " + std::to_string(c.emptyLinesRemoved) + "}";
}

bool SameCounters(const FileCounters& a, const FileCounters& b) {
    return a.lineChanges == b.lineChanges && a.replacements == b.replacements &&
           a.emptyLinesRemoved == b.emptyLinesRemoved;
}

// Counts failures; after kMaxFailures the remaining rows are not checked.
class Checker {
public:
    explicit Checker(const Report& report) : report_(report) {}
    bool Wanted(std::string_view path) const { return Selected("QUINTREL_HARNESS_PATH", path); }
    void Fail(const std::string& row, const std::string& path, const std::string& what) {
        ++failures_;
        report_(row, path, what);
    }
    // Compares the bytes and the counters a path gave with the row's.
    void Expect(const Row& row, const std::string& path, std::string_view bytes,
                const FileCounters& counters) {
        if (bytes != row.output) {
            Fail(row.name, path, Difference(row.output, bytes));
        }
        if (!SameCounters(counters, row.counters)) {
            Fail(row.name, path,
                 "counters " + ShowCounters(counters) + ", expected " + ShowCounters(row.counters));
        }
    }
    bool Full() const { return failures_ >= kMaxFailures; }

private:
    const Report& report_;
    int failures_ = 0;
};

bool Changes(const Row& row) {
    return row.text && row.counters.Changed();
}

class StringSink : public ByteSink {
public:
    void Write(std::string_view bytes) override { text.append(bytes); }
    std::string text;
};

LineSettings LinesOf(const Job& job, const ReplacementTable& table) {
    LineSettings lines;
    lines.deleteEmptyLines = job.deleteEmptyLines;
    lines.leadingStripChars = std::string(job.stripLeadingSpaces ? " " : "") +
                              std::string(job.stripLeadingTabs ? "\t" : "");
    lines.trailingStripChars = std::string(job.stripTrailingSpaces ? " " : "") +
                               std::string(job.stripTrailingTabs ? "\t" : "");
    lines.keepLineEnds = job.keepLineEnds;
    lines.table = table.empty() ? nullptr : &table;
    return lines;
}

reference::FileOptions ReferenceOptions(const Job& job, const ReplacementTable& table) {
    LineSettings lines = LinesOf(job, table);
    reference::FileOptions options;
    options.deleteEmptyLines = lines.deleteEmptyLines;
    options.leading = lines.leadingStripChars;
    options.trailing = lines.trailingStripChars;
    options.keepLineEnds = lines.keepLineEnds;
    options.settings = {job.capsLock, static_cast<int>(job.code), static_cast<int>(job.position),
                        job.positionColumn};
    for (const ReplacementPair& pair : table.pairs) {
        options.pairs.push_back({pair.search.text(), pair.replacement});
    }
    return options;
}

// Pairs that never match (their texts start with a line feed, which no line
// holds) and that are long and use every byte value: with them the automaton
// would take more than its limit, so BuildIndex falls back to the start
// index. Made once for each way of folding.
const std::vector<ReplacementPair>& UnmatchablePairs(bool capsLock, CodeMode code) {
    static std::vector<ReplacementPair> made[2][3];
    std::vector<ReplacementPair>& pairs = made[capsLock ? 1 : 0][static_cast<int>(code) / 2];
    if (pairs.empty()) {
        std::string text(kMaxPreparedText, '\n');
        for (std::size_t i = 1; i < text.size(); ++i) {
            text[i] = static_cast<char>(i * 7 % 256);
        }
        for (int i = 0; i < 80; ++i) {
            SearchPattern search = code == CodeMode::Utf8
                                       ? SearchPattern::Utf8(text, capsLock)
                                       : SearchPattern(text, FoldTableFor(capsLock, code));
            pairs.push_back({std::move(search), "never"});
        }
    }
    return pairs;
}

// The table of a row in each way it can be searched.
struct Tables {
    ReplacementTable automatic; // as BuildReplacementTable leaves it, in a table used before
    ReplacementTable plain;
    ReplacementTable index;
    ReplacementTable automaton;
};

// False (reported) when the row's texts cannot be represented or a way of
// searching could not be forced.
bool MakeTables(const Row& row, Tables& tables, Checker& check) {
    if (row.job.performReplace) {
        Job earlier;
        for (const char* text : {"a", "b", "x", " ", "A", "B", "y", "\t", "1", "2", "ab", "ba"}) {
            earlier.replace.push_back({text, "#"});
        }
        BuildReplacementTable(earlier, tables.automatic);
        if (!BuildReplacementTable(row.job, tables.automatic)) {
            check.Fail(row.name, "table", "the row's texts cannot be represented");
            return false;
        }
    }
    for (ReplacementTable* table : {&tables.plain, &tables.index, &tables.automaton}) {
        table->pairs = tables.automatic.pairs;
        table->settings = tables.automatic.settings;
    }
    if (tables.automatic.empty()) {
        return true;
    }
    tables.automaton.BuildIndex();
    const auto& bulk = UnmatchablePairs(row.job.capsLock, row.job.code);
    tables.index.pairs.insert(tables.index.pairs.end(), bulk.begin(), bulk.end());
    tables.index.BuildIndex();
    if (tables.automaton.automaton() == nullptr) {
        check.Fail(row.name, "lines/automaton", "BuildIndex made no automaton");
        return false;
    }
    if (tables.index.automaton() != nullptr || tables.index.index() == nullptr) {
        check.Fail(row.name, "lines/index", "BuildIndex did not fall back to the start index");
        return false;
    }
    return true;
}

// The streaming threshold of the "streamed" paths. Streamed lines get no
// replacement (a run streams only lines far beyond the longest replaceable
// one), so with a table it is lowered only as far as that keeps every line
// that replacements apply to whole.
std::size_t StreamingThreshold(std::string_view input, bool replacing) {
    if (!replacing) {
        return 2;
    }
    std::size_t threshold = kMaxReplaceableLine;
    std::size_t start = 0;
    while (start < input.size()) {
        std::size_t end = std::min(input.find('\n', start), input.size());
        std::size_t content = end;
        while (content > start && input[content - 1] == '\r') {
            --content;
        }
        if (content - start <= kMaxReplaceableLine) {
            threshold = std::max(threshold, end - start);
        }
        start = end + 1;
    }
    return threshold;
}

void CheckLineProcessor(const Row& row, const std::string& tableName, const ReplacementTable& table,
                        Checker& check) {
    const LineSettings lines = LinesOf(row.job, table);
    const std::string_view input = row.input;
    const std::size_t threshold = StreamingThreshold(input, lines.table != nullptr);
    for (std::size_t feed : {std::size_t{0}, std::size_t{1}, std::size_t{2}, std::size_t{3},
                             std::size_t{7}, std::size_t{61}, std::size_t{4093}}) {
        // Feeds of a tiny share of a big input add nothing but time.
        if (feed != 0 && input.size() / feed > 200000) {
            continue;
        }
        const std::size_t step = feed == 0 ? std::max<std::size_t>(input.size(), 1) : feed;
        for (bool streamed : {false, true}) {
            for (bool look : {false, true}) {
                const std::string path =
                    "lines/" + tableName + "/" + (feed == 0 ? "all" : std::to_string(feed)) + "/" +
                    (streamed ? "streamed" : "whole") + "/" + (look ? "look" : "write");
                if (!check.Wanted(path)) {
                    continue;
                }
                StringSink sink;
                LineProcessor processor(lines, look ? nullptr : &sink);
                if (streamed) {
                    processor.SetLongLineThreshold(threshold);
                }
                for (std::size_t at = 0; at < input.size(); at += step) {
                    processor.Feed(input.substr(at, step));
                }
                processor.Finish();
                if (!look) {
                    check.Expect(row, path, sink.text, processor.counters());
                } else if (processor.counters().Changed() != row.counters.Changed() ||
                           (row.counters.Changed() && !processor.Done())) {
                    check.Fail(row.name, path,
                               std::string("looking found ") +
                                   (processor.counters().Changed() ? "a change" : "no change") +
                                   (processor.Done() ? " and stopped" : "") + ", expected " +
                                   (row.counters.Changed() ? "a change" : "none"));
                }
            }
        }
    }
}

RewriteContext ContextFor(const Row& row, const ReplacementTable& table, ScriptedUi& ui,
                          RunStatistics& statistics) {
    RewriteContext context;
    context.lines = LinesOf(row.job, table);
    context.confirm = row.job.confirm;
    context.ui = &ui;
    context.statistics = &statistics;
    return context;
}

// What one file must look like after the run got to it: the new content and
// the old one as its backup when it changes, else untouched; never a
// temporary file.
void CheckFileOnDisk(const Row& row, const std::string& path, const std::string& file,
                     Checker& check) {
    const bool changes = Changes(row);
    std::string content = Exists(file) ? ReadFile(file) : "(missing)";
    const std::string& expected = changes ? row.output : row.input;
    if (content != expected) {
        check.Fail(row.name, path, "the file: " + Difference(expected, content));
    }
    const std::string backup = BackupNameOf(file);
    if (Exists(backup) != changes || (changes && ReadFile(backup) != row.input)) {
        check.Fail(row.name, path,
                   changes ? "the backup is missing or not the old content" : "a backup was made");
    }
    if (Exists(TemporaryNameOf(file))) {
        check.Fail(row.name, path, "a temporary file was left");
    }
}

// The messages a file shows: the text test's, or the confirmation.
std::vector<std::string> ExpectedMessages(const Row& row, const std::string& file) {
    if (!row.text) {
        return {std::to_string(kMsgNotTextFile) + " " + file};
    }
    if (Changes(row) && row.job.confirm) {
        return {std::to_string(kMsgConfirmFile) + " " + file};
    }
    return {};
}

std::vector<std::string> ShownMessages(const ScriptedUi& ui) {
    std::vector<std::string> shown;
    for (const ShownMessage& m : ui.messages) {
        shown.push_back(std::to_string(m.id) + " " + m.insert1);
    }
    return shown;
}

std::string Join(const std::vector<std::string>& texts) {
    std::string joined;
    for (const std::string& text : texts) {
        joined += (joined.empty() ? "" : ", ") + text;
    }
    return "[" + joined + "]";
}

std::string ShowStatistics(const RunStatistics& s) {
    return "{processed " + std::to_string(s.FilesProcessed) + ", changed " +
           std::to_string(s.FilesChanged) + ", lines " + std::to_string(s.LinesChanged) +
           ", replacements " + std::to_string(s.ReplacementsMade) + ", empty " +
           std::to_string(s.EmptyLinesRemoved) + "}";
}

void AddFile(RunStatistics& statistics, const Row& row) {
    statistics.FilesProcessed += 1;
    if (Changes(row)) {
        statistics.FilesChanged += 1;
        statistics.LinesChanged += row.counters.lineChanges;
        statistics.ReplacementsMade += row.counters.replacements;
        statistics.EmptyLinesRemoved += row.counters.emptyLinesRemoved;
    }
}

void CheckOneFile(const Row& row, const std::string& path, const std::string& file,
                  FileResult result, const ScriptedUi& ui, const RunStatistics& statistics,
                  Checker& check) {
    RunStatistics expected;
    AddFile(expected, row);
    expected.FilesProcessed = 0; // counted by the run, not by the rewrite
    FileResult wanted = Changes(row) ? FileResult::Committed : FileResult::Unchanged;
    if (result != wanted) {
        check.Fail(row.name, path, "result " + std::to_string(static_cast<int>(result)));
    }
    if (ShownMessages(ui) != ExpectedMessages(row, file)) {
        check.Fail(row.name, path, "messages " + Join(ShownMessages(ui)));
    }
    if (!(statistics == expected)) {
        check.Fail(row.name, path,
                   "statistics " + ShowStatistics(statistics) + ", expected " +
                       ShowStatistics(expected));
    }
    CheckFileOnDisk(row, path, file, check);
}

void CheckRewriteFile(const Row& row, const ReplacementTable& table, const std::string& dir,
                      Checker& check) {
    const std::string path = "rewrite-file";
    if (!check.Wanted(path)) {
        return;
    }
    const std::string file = dir + "/rewrite.txt";
    WriteFile(file, row.input);
    ScriptedUi ui;
    ui.Fallback(kMsgConfirmFile, kYes);
    RunStatistics statistics;
    RewriteContext context = ContextFor(row, table, ui, statistics);
    FileResult result = RewriteFile(file, context);
    CheckOneFile(row, path, file, result, ui, statistics, check);
}

void CheckLookAhead(const Row& row, const ReplacementTable& table, const std::string& dir,
                    Checker& check) {
    const std::string path = "look-ahead";
    if (!check.Wanted(path)) {
        return;
    }
    const std::string file = dir + "/ahead.txt";
    WriteFile(file, row.input);
    ScriptedUi ui;
    ui.Fallback(kMsgConfirmFile, kYes);
    RunStatistics statistics;
    RewriteContext context = ContextFor(row, table, ui, statistics);
    ScratchBuffers scratch;
    LookResult look = LookAhead(file, context.lines, scratch, [](std::size_t) { return true; });
    // A small file that changes has its copy prepared at once; a large one
    // may be left to the rewrite.
    bool verdictOk = look.verdict == Verdict::NeedsRewrite;
    if (row.text && !row.counters.Changed()) {
        verdictOk = look.verdict == Verdict::Unchanged;
    } else if (row.text && row.input.size() < 64 * 1024) {
        verdictOk = look.verdict == Verdict::Prepared;
    } else if (row.text) {
        verdictOk = look.verdict != Verdict::Unchanged;
    }
    if (!verdictOk) {
        check.Fail(row.name, path, "verdict " + std::to_string(static_cast<int>(look.verdict)));
        return;
    }
    FileResult result = FileResult::Unchanged;
    if (look.verdict == Verdict::Prepared) {
        const std::string copy = TemporaryNameOf(file);
        std::string prepared = Exists(copy) ? ReadFile(copy) : "(missing)";
        check.Expect(row, path + " (prepared copy)", prepared, look.counters);
        result = CommitPrepared(file, look, context);
    } else if (look.verdict == Verdict::NeedsRewrite) {
        result = RewriteFile(file, context);
    }
    CheckOneFile(row, path, file, result, ui, statistics, check);
}

std::string GroupName(const std::vector<const Row*>& group) {
    std::string name = group.front()->name;
    if (group.size() > 1) {
        name += " (and " + std::to_string(group.size() - 1) + " more rows of the same job)";
    }
    return name;
}

// One run over a tree that holds one file for each row of `group` (rows
// with the same job).
void CheckRuns(const std::vector<const Row*>& group, const std::string& dir, Checker& check) {
    for (bool readAhead : {false, true}) {
        const std::string path = readAhead ? "run-job/read-ahead-on" : "run-job/read-ahead-off";
        if (!check.Wanted(path)) {
            continue;
        }
        const std::string tree = dir + "/tree";
        RemoveTree(tree);
        testing_support::MakeDirs(tree);
        RunStatistics expected;
        std::vector<std::string> expectedLog;
        std::vector<std::string> expectedMessages;
        for (std::size_t k = 0; k < group.size(); ++k) {
            const std::string file = tree + "/r" + std::to_string(k) + ".txt";
            WriteFile(file, group[k]->input);
            AddFile(expected, *group[k]);
            if (Changes(*group[k])) {
                expectedLog.push_back(file);
            }
            for (const std::string& m : ExpectedMessages(*group[k], file)) {
                expectedMessages.push_back(m);
            }
        }
        if (expected.FilesChanged == 0) {
            expectedMessages.push_back(std::to_string(kMsgNoFileChanged) + " ");
        }
        Job job = group.front()->job;
        job.directories = {tree};
        job.files = {"*.txt"};
        job.subdirs = false;
        job.dateDependency = DateDependency::AllFiles;
        ScriptedUi ui;
        ui.finish = ScriptedUi::Finish::Keep;
        ui.Fallback(kMsgConfirmFile, kYes);
        RunOptions options;
        options.readAhead = readAhead;
        RunResult result = RunJob(job, CheckStart(job), ui, options);

        const std::string name = GroupName(group);
        if (result.outcome != RunOutcome::Completed) {
            check.Fail(name, path, "outcome " + std::to_string(static_cast<int>(result.outcome)));
        }
        if (!(result.statistics == expected)) {
            check.Fail(name, path,
                       "statistics " + ShowStatistics(result.statistics) + ", expected " +
                           ShowStatistics(expected));
        }
        std::vector<std::string> log = ui.summaryChangeLog;
        std::vector<std::string> shown = ShownMessages(ui);
        std::sort(log.begin(), log.end());
        std::sort(expectedLog.begin(), expectedLog.end());
        std::sort(shown.begin(), shown.end());
        std::sort(expectedMessages.begin(), expectedMessages.end());
        if (log != expectedLog) {
            check.Fail(name, path, "change log " + Join(log) + ", expected " + Join(expectedLog));
        }
        if (shown != expectedMessages) {
            check.Fail(name, path,
                       "messages " + Join(shown) + ", expected " + Join(expectedMessages));
        }
        for (std::size_t k = 0; k < group.size(); ++k) {
            CheckFileOnDisk(*group[k], path, tree + "/r" + std::to_string(k) + ".txt", check);
        }
    }
}

void CheckRow(const Row& row, const std::string& dir, Checker& check) {
    Tables tables;
    if (!MakeTables(row, tables, check)) {
        return;
    }
    if (check.Wanted("reference")) {
        auto outcome = reference::Rewrite(row.input, ReferenceOptions(row.job, tables.automatic));
        check.Expect(
            row, "reference", outcome.bytes,
            FileCounters{outcome.lineChanges, outcome.replacements, outcome.emptyLinesRemoved});
    }
    if (tables.automatic.empty()) {
        CheckLineProcessor(row, "none", tables.plain, check);
    } else {
        CheckLineProcessor(row, "plain", tables.plain, check);
        CheckLineProcessor(row, "index", tables.index, check);
        CheckLineProcessor(row, "automaton", tables.automaton, check);
    }
    CheckRewriteFile(row, tables.automatic, dir, check);
    CheckLookAhead(row, tables.automatic, dir, check);
}

} // namespace

void CheckRows(const std::vector<Row>& rows, const Report& report) {
    Checker check(report);
    TempDir dir;
    std::vector<const Row*> selected;
    for (const Row& row : rows) {
        if (Selected("QUINTREL_HARNESS_ROW", row.name)) {
            selected.push_back(&row);
        }
    }
    for (std::size_t i = 0; i < selected.size() && !check.Full(); ++i) {
        const std::string rowDir = dir / std::to_string(i);
        testing_support::MakeDirs(rowDir);
        CheckRow(*selected[i], rowDir, check);
        RemoveTree(rowDir);
    }
    // Consecutive rows with the same job share their runs.
    std::size_t begin = 0;
    while (begin < selected.size() && !check.Full()) {
        std::vector<const Row*> group{selected[begin]};
        while (begin + group.size() < selected.size() &&
               selected[begin + group.size()]->job == selected[begin]->job) {
            group.push_back(selected[begin + group.size()]);
        }
        CheckRuns(group, dir.path(), check);
        begin += group.size();
    }
    if (check.Full()) {
        report("(rows not checked)", "",
               "stopped after " + std::to_string(kMaxFailures) + " failures");
    }
}

Row WithReferenceResult(Row row) {
    ReplacementTable table;
    if (row.job.performReplace) {
        BuildReplacementTable(row.job, table);
    }
    auto outcome = reference::Rewrite(row.input, ReferenceOptions(row.job, table));
    row.output = outcome.bytes;
    row.counters = {outcome.lineChanges, outcome.replacements, outcome.emptyLinesRemoved};
    return row;
}

namespace {

const PositionMode kPositions[] = {PositionMode::Anywhere, PositionMode::LineStart,
                                   PositionMode::LineEnd, PositionMode::AtColumn};
const CodeMode kCodes[] = {CodeMode::Ansi, CodeMode::Oem, CodeMode::Utf8};

// What users type: letters with and without umlauts, blanks, and the parts
// of escapes (\t, \r, \n, \xHH). All of them fit both single-byte codings
// but the euro sign, which only code page 1252 has.
const std::vector<std::string> kTypedSingleByte = {"a", "A", "b", "B", " ", "\t", "ä", "Ä", "ß",
                                                   "ÿ", "ö", "x", "4", "F", "t",  "r", "n", "\\"};
const std::vector<std::string> kTypedUtf8 = {"a", "A", "ä", "Ä",      "σ", "Σ",   "ς",
                                             "€", "k", "K", "\u212A", " ", "\\",  "x",
                                             "8", "2", "F", "t",      "n", "\xFF"};
// Bytes of files: letters, umlauts in code pages 1252 and 850, blanks, a
// carriage return inside a line, the zero byte and 0xFF; in UTF-8 text also
// characters of other lengths, cut characters and stray bytes.
const std::vector<std::string> kLineSingleByte = {"a",
                                                  "A",
                                                  "b",
                                                  "B",
                                                  " ",
                                                  "\t",
                                                  "x",
                                                  "\\",
                                                  "\xE4",
                                                  "\xC4",
                                                  "\x84",
                                                  "\x8E",
                                                  "\xF6",
                                                  "\x94",
                                                  "\xFF",
                                                  "\x9F",
                                                  "\xDF",
                                                  "\r",
                                                  std::string(1, '\0')};
const std::vector<std::string> kLineUtf8 = {
    "a",    "A", "ä",      "Ä",  "σ",    "Σ",  "ς", "€", "\xE2\x82",
    "\x82", "k", "\u212A", "\t", "\xFF", "\r", " ", "K", std::string(1, '\0')};

std::string Pieces(const Choose& choose, const std::vector<std::string>& pieces,
                   std::size_t count) {
    std::string text;
    for (std::size_t i = 0; i < count; ++i) {
        text += pieces[choose(pieces.size())];
    }
    return text;
}

// Of the generated bytes only the zero byte and 0xFF weigh against text (-5,
// every other byte +1): one in six of the first 128 bytes at most keeps a
// file text.
void KeepText(std::string& input) {
    const std::size_t n = std::min<std::size_t>(input.size(), 128);
    std::size_t binary = 0;
    for (std::size_t i = 0; i < n; ++i) {
        binary += input[i] == '\0' || input[i] == '\xFF' ? 1 : 0;
    }
    for (std::size_t i = n; i-- > 0 && binary * 6 > n;) {
        if (input[i] == '\0' || input[i] == '\xFF') {
            input[i] = 'a';
            --binary;
        }
    }
}

} // namespace

Job GenerateJob(const Choose& choose, Focus focus) {
    Job job;
    job.code = kCodes[choose(3)];
    job.capsLock = choose(2) == 1;
    job.position = kPositions[choose(4)];
    job.positionColumn = static_cast<std::int32_t>(choose(9)) - 2;
    job.expandEscape = choose(2) == 1;
    job.performReplace = choose(12) != 0;
    if (focus == Focus::Lines || choose(4) == 0) {
        job.deleteEmptyLines = choose(2) == 1;
        job.stripLeadingSpaces = choose(2) == 1;
        job.stripLeadingTabs = choose(2) == 1;
        job.stripTrailingSpaces = choose(2) == 1;
        job.stripTrailingTabs = choose(2) == 1;
    }
    job.keepLineEnds = choose(3) == 0;
    job.confirm = choose(8) == 0;
    // Beyond 8 pairs a run indexes its table. With many pairs a replacement
    // is at most one piece long, so chained pairs cannot double a line again
    // and again.
    std::size_t pairs = focus == Focus::Matching && choose(3) == 0 ? 9 + choose(16) : choose(4);
    std::size_t longest = pairs > 4 ? 1 : 3;
    std::vector<std::string> typed = kTypedSingleByte;
    if (job.code == CodeMode::Utf8) {
        typed = kTypedUtf8;
    } else if (job.code == CodeMode::Ansi) {
        typed.push_back("€");
    }
    for (std::size_t p = 0; p < pairs; ++p) {
        std::string search = Pieces(choose, typed, choose(focus == Focus::Matching ? 5 : 3));
        job.replace.push_back({search, Pieces(choose, typed, choose(longest + 1))});
    }
    return job;
}

std::string GenerateInput(const Choose& choose, const Job& job, Focus focus) {
    const auto& pieces = job.code == CodeMode::Utf8 ? kLineUtf8 : kLineSingleByte;
    static const char* const kBlanks[] = {" ", "\t", "  ", " \t "};
    static const char* const kEnds[] = {"\n", "\n", "\n", "\r\n", "\r", "\r\r\n", ""};
    // The texts of the pairs as they stand in a file, so that lines hold
    // them often, also at the anchor of the position mode.
    std::vector<std::string> planted;
    ReplacementTable table;
    if (job.performReplace && BuildReplacementTable(job, table)) {
        for (const ReplacementPair& pair : table.pairs) {
            for (const std::string& text : {pair.search.text(), pair.replacement}) {
                if (!text.empty()) {
                    planted.push_back(text);
                }
            }
        }
    }
    auto piece = [&] {
        return !planted.empty() && choose(4) == 0 ? planted[choose(planted.size())]
                                                  : pieces[choose(pieces.size())];
    };
    const std::size_t lines = focus == Focus::Lines ? choose(9) : 1 + choose(2);
    // Now and then a line close to the longest one replacements apply to
    // (not in UTF-8 text, which the reference splits into characters, too
    // slowly for such lines to be tried often).
    const std::size_t longLine =
        lines > 0 && job.code != CodeMode::Utf8 && choose(32) == 0 ? choose(lines) : lines;
    std::string input;
    for (std::size_t l = 0; l < lines; ++l) {
        const char* end = kEnds[choose(l + 1 == lines ? 7 : 6)];
        std::string line;
        if (choose(4) == 0) {
            line += kBlanks[choose(4)];
        }
        if (focus == Focus::Lines && choose(4) == 0) {
            input += (choose(2) == 0 ? std::string() : line) + end; // an empty or a blank line
            continue;
        }
        if (!planted.empty() && choose(3) == 0) {
            if (job.position == PositionMode::AtColumn && job.positionColumn > 1) {
                line += std::string(static_cast<std::size_t>(job.positionColumn) - 1, 'b');
            }
            line += planted[choose(planted.size())];
        }
        for (std::size_t n = choose(focus == Focus::Matching ? 41 : 11); n > 0; --n) {
            line += piece();
        }
        if (!planted.empty() && choose(3) == 0) {
            line += planted[choose(planted.size())];
        }
        if (choose(4) == 0) {
            line += kBlanks[choose(4)];
        }
        if (l == longLine) {
            std::size_t length = kMaxReplaceableLine - 10 + choose(14);
            line.insert(0, length - std::min(length, line.size()), 'z');
        }
        input += line + end;
    }
    KeepText(input);
    return input;
}

} // namespace harness
