#include "harness.h"

#include "change_view.h"
#include "escape_notation.h"
#include "file_names.h"
#include "file_ops.h"
#include "reference.h"
#include "replacement_table.h"
#include "rewrite_file.h"
#include "run_job.h"
#include "scripted_ui.h"
#include "string_table.h"
#include "test_support.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <limits>
#include <map>
#include <stdexcept>
#include <unistd.h>

using testing_support::Exists;
using testing_support::ReadFile;
using namespace std::string_literals;

namespace harness {

namespace {

// True when the variable is unset or names `name` (or, ending in '*', a
// start of it).
bool Selected(const char* variable, std::string_view name) {
    const char* wanted = std::getenv(variable);
    std::string_view w = wanted != nullptr ? wanted : "";
    if (!w.empty() && w.back() == '*') {
        return name.starts_with(w.substr(0, w.size() - 1));
    }
    return w.empty() || name == w;
}

// Each path renders what it gave as one text; a failure shows where that
// text parts from the expected one.
struct Checker {
    bool Wanted(std::string_view path) const { return Selected("QUINTREL_HARNESS_PATH", path); }
    void Same(const std::string& row, const std::string& path, const std::string& expected,
              const std::string& got) {
        auto at = static_cast<std::size_t>(
            std::mismatch(expected.begin(), expected.end(), got.begin(), got.end()).first -
            expected.begin());
        std::size_t from = at > 60 ? at - 60 : 0;
        if (got != expected) {
            Fail(row, path,
                 "differs at offset " + std::to_string(at) + ":\n  expected: ..." +
                     Velmor_EncodeString(std::string_view(expected).substr(from, 140)) +
                     "\n  got:      ..." +
                     Velmor_EncodeString(std::string_view(got).substr(from, 140)));
        }
    }
    void Fail(const std::string& row, const std::string& path, const std::string& what) {
        ++failures;
        report(row, path, what);
    }
    const Report& report;
    int failures = 0;
};

bool Changes(const Row& row) {
    return row.text && row.counters.Changed();
}

std::string LineOutcome(const FileCounters& c, std::string_view bytes) {
    return "lines, replacements, empty lines: " + std::to_string(c.lineChanges) + " " +
           std::to_string(c.replacements) + " " + std::to_string(c.emptyLinesRemoved) + "\n" +
           std::string(bytes);
}

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

reference::FileOutcome Reference(const Row& row, const ReplacementTable& table) {
    std::vector<reference::Pair> pairs;
    for (const ReplacementPair& pair : table.pairs) {
        pairs.push_back({pair.search.text(), pair.replacement});
    }
    return reference::Rewrite(row.input, row.job, pairs);
}

// The table as a run builds it, into a table that held other pairs before;
// false when a text cannot be represented.
bool BuildAsARun(const Job& job, ReplacementTable& table) {
    Job earlier;
    for (const char* text : {"a", "b", "x", " ", "A", "B", "y", "\t", "1", "2", "ab", "ba"}) {
        earlier.replace.push_back({text, "#"});
    }
    BuildReplacementTable(earlier, table);
    if (!job.performReplace) {
        FreeReplacementTable(table);
        return true;
    }
    return BuildReplacementTable(job, table);
}

// Pairs that never match (their texts start with a line feed, which no line
// holds), long and using every byte value: with them the automaton would
// outgrow its limit, so BuildIndex falls back to the start index. Made once
// for each way of folding.
const std::vector<ReplacementPair>& UnmatchablePairs(bool capsLock, CodeMode code) {
    static std::map<std::pair<bool, CodeMode>, std::vector<ReplacementPair>> made;
    std::vector<ReplacementPair>& pairs = made[{capsLock, code}];
    if (pairs.empty()) {
        std::string text(kMaxPreparedText, '\n');
        for (std::size_t i = 1; i < text.size(); ++i) {
            text[i] = static_cast<char>(i * 7 % 256);
        }
        SearchPattern search = code == CodeMode::Utf8
                                   ? SearchPattern::Utf8(text, capsLock)
                                   : SearchPattern(text, FoldTableFor(capsLock, code));
        pairs.assign(80, ReplacementPair{search, "", nullptr, {}});
    }
    return pairs;
}

// The threshold of the "streamed" paths. A run streams only lines far beyond
// the longest replaceable one, and streamed lines get no replacement; so with
// a table it is lowered only as far as every replaceable line stays whole.
std::size_t StreamingThreshold(std::string_view input, bool replacing) {
    std::size_t threshold = replacing ? kMaxReplaceableLine : 2;
    for (std::size_t start = 0; replacing && start < input.size();) {
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
    // The lines too long to replace that held a search text, as counted
    // when the streamed lines come in one piece: every other split of the
    // file must count the same.
    std::string tooLongInOnePiece;
    for (std::size_t feed : {0, 1, 2, 3, 7, 61, 4093}) {
        if (feed != 0 && input.size() / feed > 200000) {
            continue; // tiny pieces of a big file add nothing but time
        }
        const std::size_t step = feed == 0 ? std::max<std::size_t>(input.size(), 1) : feed;
        for (int way = 0; way < 4; ++way) {
            const bool streamed = way >= 2;
            const bool look = way % 2 == 1;
            const std::string path =
                "lines/" + tableName + "/" + (feed == 0 ? "all" : std::to_string(feed)) +
                (streamed ? "/streamed" : "/whole") + (look ? "/look" : "/write");
            if (!check.Wanted(path)) {
                continue;
            }
            StringSink sink;
            LineProcessor processor(lines, look ? nullptr : &sink);
            if (streamed) {
                processor.SetLongLineThreshold(StreamingThreshold(input, lines.table != nullptr));
            }
            for (std::size_t at = 0; at < input.size(); at += step) {
                processor.Feed(input.substr(at, step));
            }
            processor.Finish();
            const bool changed = processor.counters().Changed();
            if (look) {
                check.Same(row.name, path, row.counters.Changed() ? "stopped at a change" : "",
                           changed && processor.Done() ? "stopped at a change"
                           : changed                   ? "found a change, went on"
                                                       : "");
            } else {
                check.Same(row.name, path, LineOutcome(row.counters, row.output),
                           LineOutcome(processor.counters(), sink.text));
            }
            if (streamed && !look) {
                const std::string tooLong = "too long with a search text: " +
                                            std::to_string(processor.counters().longLines);
                if (feed == 0) {
                    tooLongInOnePiece = tooLong;
                } else if (!tooLongInOnePiece.empty()) {
                    check.Same(row.name, path, tooLongInOnePiece, tooLong);
                }
            }
        }
    }
}

// The change view pairs the old and the new lines; together the pairs must
// give back both files byte for byte, and a unified diff of them must hold
// every changed line.
void CheckChangeView(const Row& row, const ReplacementTable& table, const std::string& directory,
                     Checker& check) {
    if (!row.text || !check.Wanted("change-view")) {
        return;
    }
    const std::string before = directory + "/view-old";
    const std::string after = directory + "/view-new";
    testing_support::WriteFile(before, row.input);
    testing_support::WriteFile(after, row.output);
    // Walked whole, and with a line limit that the longer rows exceed: the
    // limited walk must stop at such a line and give the same pairs before it.
    std::string whole;
    for (std::size_t maxLine : {std::numeric_limits<std::size_t>::max(), std::size_t{40}}) {
        ChangeWalker walker(before, after, LinesOf(row.job, table), maxLine);
        std::string old;
        std::string now;
        LinePair pair;
        while (walker.Next(pair)) {
            old += pair.oldText + pair.oldEnding;
            if (pair.kind != LinePair::Kind::Removed) {
                now += pair.newText + pair.newEnding;
            }
        }
        const std::string walked =
            LineOutcome(row.counters, old + "|" + now) +
            (walker.matches() ? "" : "\n(the walk found a line the run did not write)");
        if (whole.empty()) {
            whole = walked;
            check.Same(row.name, "change-view",
                       LineOutcome(row.counters, row.input + "|" + row.output), walked);
        } else if (walker.lineTooLong()) {
            check.Same(row.name, "change-view-limited", "the pairs before the long line",
                       row.input.rfind(old, 0) == 0 && row.output.rfind(now, 0) == 0 &&
                               walker.matches()
                           ? "the pairs before the long line"
                           : walked);
        } else {
            check.Same(row.name, "change-view-limited", whole, walked);
        }
    }
}

void CheckRow(const Row& row, Checker& check, const std::string& directory) {
    ReplacementTable automatic;
    if (!BuildAsARun(row.job, automatic)) {
        return check.Fail(row.name, "table", "a text of the row cannot be represented");
    }
    if (check.Wanted("reference")) {
        reference::FileOutcome r = Reference(row, automatic);
        check.Same(row.name, "reference", LineOutcome(row.counters, row.output),
                   LineOutcome({r.lineChanges, r.replacements, r.emptyLinesRemoved}, r.bytes));
    }
    CheckChangeView(row, automatic, directory, check);
    if (automatic.empty()) {
        return CheckLineProcessor(row, "none", automatic, check);
    }
    if (automatic.regex) {
        // Patterns are matched one by one on every line: no index.
        return CheckLineProcessor(row, "regex", automatic, check);
    }
    ReplacementTable plain;
    plain.pairs = automatic.pairs;
    plain.settings = automatic.settings;
    ReplacementTable index = plain;
    ReplacementTable automaton = plain;
    automaton.BuildIndex();
    const auto& unmatchable = UnmatchablePairs(row.job.capsLock, row.job.code);
    index.pairs.insert(index.pairs.end(), unmatchable.begin(), unmatchable.end());
    index.BuildIndex();
    if (automaton.automaton() == nullptr || index.index() == nullptr) {
        return check.Fail(row.name, "table", "BuildIndex gave no automaton or no start index");
    }
    CheckLineProcessor(row, "plain", plain, check);
    CheckLineProcessor(row, "index", index, check);
    CheckLineProcessor(row, "automaton", automaton, check);
}

std::string Content(const std::string& path) {
    return Exists(path) ? ReadFile(path) : "(none)";
}

// The counters, the files changed (or that ended the run) and the messages,
// each in the order of the files.
std::string Summary(const RunStatistics& s, const std::vector<std::string>& changed,
                    const std::vector<std::string>& messages) {
    std::string text = "processed, changed, lines, replacements, empty lines:";
    for (int n : {s.FilesProcessed, s.FilesChanged, s.LinesChanged, s.ReplacementsMade,
                  s.EmptyLinesRemoved}) {
        text += " " + std::to_string(n);
    }
    for (const std::string& file : changed) {
        text += "\nchanged " + file;
    }
    for (const std::string& message : messages) {
        text += "\nmessage " + message;
    }
    return text;
}

// What taking `files` (one for each row of `group`) through a path must
// give: a file changes (its old content becoming its backup) or stays as it
// is, never leaving a temporary file; a binary file is reported; a change is
// confirmed when the job asks (answered Yes). A run also counts every file
// and says when nothing changed.
std::string Expected(const std::vector<const Row*>& group, const std::vector<std::string>& files,
                     bool run) {
    RunStatistics s;
    std::vector<std::string> changed;
    std::vector<std::string> messages;
    std::string disk;
    for (std::size_t k = 0; k < group.size(); ++k) {
        const Row& row = *group[k];
        s.FilesProcessed += run ? 1 : 0;
        s.LinesTooLong += row.counters.longLines;
        if (Changes(row)) {
            s.FilesChanged += 1;
            s.LinesChanged += row.counters.lineChanges;
            s.ReplacementsMade += row.counters.replacements;
            s.EmptyLinesRemoved += row.counters.emptyLinesRemoved;
            changed.push_back(files[k]);
        }
        if (!row.text || (Changes(row) && row.job.confirm)) {
            messages.push_back(std::to_string(row.text ? kMsgConfirmFile : kMsgNotTextFile) + " " +
                               files[k]);
        }
        disk += "\n" + row.name + ":\nfile: " + (Changes(row) ? row.output : row.input) +
                "\nbackup: " + (Changes(row) ? row.input : "(none)") + "\ntemporary: (none)";
    }
    if (run && s.FilesChanged == 0) {
        messages.push_back(std::to_string(kMsgNoFileChanged) + " ");
        if (s.LinesTooLong > 0) {
            messages.push_back(std::to_string(kMsgLongLinesNotReplaced) + " " +
                               std::to_string(s.LinesTooLong));
        }
    }
    return Summary(s, changed, messages) + disk;
}

// LookAhead, then what a run does with its verdict.
FileResult LookThenCommit(const Row& row, const std::string& file, RewriteContext& context,
                          Checker& check) {
    ScratchBuffers scratch;
    LookResult look = LookAhead(file, context.lines, scratch, [](std::size_t) { return true; });
    // A small file that changes has its copy prepared at once; a large one
    // may be left to the rewrite.
    bool small = row.input.size() < 1 << 16;
    Verdict wanted = !row.text                                     ? Verdict::NeedsRewrite
                     : !row.counters.Changed()                     ? Verdict::Unchanged
                     : small || look.verdict == Verdict::Unchanged ? Verdict::Prepared
                                                                   : look.verdict;
    check.Same(row.name, "look-ahead", "verdict " + std::to_string(static_cast<int>(wanted)),
               "verdict " + std::to_string(static_cast<int>(look.verdict)));
    if (look.verdict == Verdict::Prepared) {
        check.Same(row.name, "look-ahead (the prepared copy)",
                   LineOutcome(row.counters, row.output),
                   LineOutcome(look.counters, Content(TemporaryNameOf(file))));
        return CommitPrepared(file, look, context);
    }
    return look.verdict == Verdict::NeedsRewrite ? RewriteFile(file, context)
                                                 : FileResult::Unchanged;
}

// The file paths over a tree holding one file for each row of `group` (rows
// of the same job): RewriteFile and LookAhead file by file with the table a
// run builds, and RunJob with and without reading ahead.
void CheckFiles(const std::vector<const Row*>& group, const std::string& dir, Checker& check) {
    const Job& job = group.front()->job;
    ReplacementTable table;
    BuildAsARun(job, table);
    std::string name = group.front()->name;
    if (group.size() > 1) {
        name += " and " + std::to_string(group.size() - 1) + " more rows of the same job";
    }
    for (std::string path :
         {"rewrite-file", "look-ahead", "run-job/read-ahead-off", "run-job/read-ahead-on"}) {
        if (!check.Wanted(path)) {
            continue;
        }
        const std::string tree = dir + "/" + path;
        std::vector<std::string> files;
        for (const Row* row : group) {
            // Named so that the run lists them in the order of the rows.
            files.push_back(tree + "/r" + std::to_string(100000 + files.size()).substr(1) + ".txt");
            testing_support::WriteFile(files.back(), row->input);
        }
        ScriptedUi ui;
        ui.finish = ScriptedUi::Finish::Keep;
        ui.Fallback(kMsgConfirmFile, static_cast<int>(Answer::Yes));
        RunStatistics statistics;
        std::vector<std::string> changed;
        const bool run = path.starts_with("run-job");
        if (run) {
            Job inTree = job;
            inTree.directories = {tree};
            inTree.files = {"*.txt"};
            RunOptions options;
            options.readAhead = path.ends_with("on");
            RunResult result = RunJob(inTree, CheckStart(inTree), ui, options);
            statistics = result.statistics;
            changed = ui.summaryChangeLog;
            if (result.outcome != RunOutcome::Completed) {
                changed.push_back("(the run ended early)");
            }
        } else {
            RewriteContext context;
            context.lines = LinesOf(job, table);
            context.confirm = job.confirm;
            context.ui = &ui;
            context.statistics = &statistics;
            for (std::size_t k = 0; k < group.size(); ++k) {
                FileResult result = path == "look-ahead"
                                        ? LookThenCommit(*group[k], files[k], context, check)
                                        : RewriteFile(files[k], context);
                if (result != FileResult::Unchanged) {
                    changed.push_back(files[k] +
                                      (result == FileResult::Committed ? "" : " (ended)"));
                }
            }
        }
        std::vector<std::string> messages;
        for (const ShownMessage& m : ui.messages) {
            messages.push_back(std::to_string(m.id) + " " + m.insert1);
        }
        std::string got = Summary(statistics, changed, messages);
        for (std::size_t k = 0; k < group.size(); ++k) {
            got += "\n" + group[k]->name + ":\nfile: " + Content(files[k]) +
                   "\nbackup: " + Content(BackupNameOf(files[k])) +
                   "\ntemporary: " + Content(TemporaryNameOf(files[k]));
        }
        check.Same(name, path, Expected(group, files, run), got);
        testing_support::RemoveTree(tree);
    }
}

// The trees go to memory where the machine has some: thousands of files are
// written and deleted, and the file system is not what is tested.
struct TreeDirectory {
    TreeDirectory() : path(TemporaryDirectory()) {
        if (!path.starts_with("/dev/shm/") && ::access("/dev/shm", W_OK) == 0) {
            path = "/dev/shm";
        }
        path += "/quintrel-harness-XXXXXX";
        if (::mkdtemp(path.data()) == nullptr) {
            throw std::runtime_error("cannot create " + path);
        }
    }
    ~TreeDirectory() { testing_support::RemoveTree(path); }
    std::string path;
};

} // namespace

void CheckRows(const std::vector<Row>& rows, const Report& report) {
    Checker check{report};
    TreeDirectory dir;
    std::vector<const Row*> selected;
    for (const Row& row : rows) {
        if (Selected("QUINTREL_HARNESS_ROW", row.name)) {
            selected.push_back(&row);
        }
    }
    // Consecutive rows of the same job share their trees.
    for (std::size_t begin = 0, end = 0; begin < selected.size() && check.failures < 40;
         begin = end) {
        for (end = begin; end < selected.size() && selected[end]->job == selected[begin]->job;) {
            CheckRow(*selected[end++], check, dir.path);
        }
        CheckFiles({selected.begin() + begin, selected.begin() + end}, dir.path, check);
    }
    if (check.failures >= 40) {
        report("(the rest)", "", "not checked after 40 failures");
    }
}

Row WithReferenceResult(Row row) {
    ReplacementTable table;
    BuildAsARun(row.job, table);
    reference::FileOutcome r = Reference(row, table);
    row.output = r.bytes;
    row.counters = {r.lineChanges, r.replacements, r.emptyLinesRemoved};
    return row;
}

namespace {

std::vector<std::string> Split(std::string_view pieces) {
    std::vector<std::string> split(1);
    for (char c : pieces) {
        if (c == '|') {
            split.emplace_back();
        } else {
            split.back() += c;
        }
    }
    return split;
}

// What users type: letters with and without umlauts, blanks, and the parts
// of escapes (\t, \r, \n, \xHH). Both single-byte codings hold all of them;
// the euro sign only code page 1252.
const auto kTypedSingleByte = Split("a|A|b|B| |\t|ä|Ä|ß|ÿ|ö|x|4|F|t|r|n|\\");
const auto kTypedUtf8 = Split("a|A|ä|Ä|σ|Σ|ς|€|k|K|\u212A| |\\|x|8|2|F|t|n|\xFF");
// Bytes of files: letters, umlauts in code pages 1252 and 850, blanks, a
// carriage return inside a line, the zero byte and 0xFF; in UTF-8 text also
// characters of other lengths, cut characters and stray bytes.
const auto kLineSingleByte =
    Split("a|A|b|B| |\t|x|\\|\xE4|\xC4|\x84|\x8E|\xF6|\x94|\xFF|\x9F|\xDF|\r|\0"s);
const auto kLineUtf8 = Split("a|A|ä|Ä|σ|Σ|ς|€|\xE2\x82|\x82|k|\u212A|\t|\xFF|\r| |K|\0"s);

std::string Pieces(const Choose& choose, const std::vector<std::string>& pieces,
                   std::size_t count) {
    std::string text;
    while (count-- > 0) {
        text += pieces[choose(pieces.size())];
    }
    return text;
}

} // namespace

// Choice 0 is always the plain one: a fuzzer's short input, read as zeros
// once it is used up, gives a small and plain row.
Job GenerateJob(const Choose& choose, Focus focus) {
    const PositionMode positions[] = {PositionMode::Anywhere, PositionMode::LineStart,
                                      PositionMode::LineEnd, PositionMode::AtColumn};
    Job job;
    job.code = std::array{CodeMode::Ansi, CodeMode::Oem, CodeMode::Utf8}[choose(3)];
    job.position = positions[choose(4)];
    job.positionColumn = static_cast<std::int32_t>(choose(9)) - 2;
    job.performReplace = choose(12) != 11;
    job.keepLineEnds = choose(3) == 2;
    job.confirm = choose(8) == 7;
    job.capsLock = choose(2) == 1;
    job.expandEscape = choose(2) == 1;
    if (focus == Focus::Lines || choose(4) == 3) {
        for (bool Job::*option :
             {&Job::deleteEmptyLines, &Job::stripLeadingSpaces, &Job::stripLeadingTabs,
              &Job::stripTrailingSpaces, &Job::stripTrailingTabs}) {
            job.*option = choose(2) == 1;
        }
    }
    // Beyond 8 pairs a run indexes its table. With many pairs a replacement
    // is at most one piece long, so chained pairs cannot double a line again
    // and again.
    std::size_t pairs = focus == Focus::Matching && choose(3) == 2 ? 9 + choose(16) : choose(4);
    std::vector<std::string> typed = job.code == CodeMode::Utf8 ? kTypedUtf8 : kTypedSingleByte;
    if (job.code == CodeMode::Ansi) {
        typed.push_back("€");
    }
    for (std::size_t p = 0; p < pairs; ++p) {
        std::string search = Pieces(choose, typed, choose(focus == Focus::Matching ? 5 : 3));
        job.replace.push_back({search, Pieces(choose, typed, choose(pairs > 4 ? 2 : 4))});
    }
    return job;
}

std::string GenerateInput(const Choose& choose, const Job& job, Focus focus) {
    const auto& pieces = job.code == CodeMode::Utf8 ? kLineUtf8 : kLineSingleByte;
    const char* const blanks[] = {"", "", "", "", "", " ", "\t", "  ", " \t "};
    const char* const ends[] = {"\n", "\n", "\n", "\r\n", "\r", "\r\r\n", ""};
    // The texts of the pairs as they stand in a file, so that lines often
    // hold them (or nearly), also at the anchor of the position mode.
    std::vector<std::string> planted;
    ReplacementTable table;
    BuildAsARun(job, table);
    for (const ReplacementPair& pair : table.pairs) {
        for (const std::string& text : {pair.search.text(), pair.replacement}) {
            if (!text.empty()) {
                planted.push_back(text);
            }
        }
    }
    auto plant = [&](std::size_t oneIn) {
        std::string text =
            !planted.empty() && choose(oneIn) == oneIn - 1 ? planted[choose(planted.size())] : "";
        // Now and then only nearly: the same first and last byte, another
        // one between them.
        if (text.size() > 2 && choose(3) == 2) {
            text[1 + choose(text.size() - 2)] = 'b';
        }
        return text;
    };
    const std::size_t lines = focus == Focus::Lines ? choose(9) : 1 + choose(2);
    // Now and then a line close to the longest one replacements apply to
    // (not in UTF-8 text, which the reference splits into characters, too
    // slowly for such lines to be tried often).
    const std::size_t longLine =
        lines > 0 && job.code != CodeMode::Utf8 && choose(32) == 31 ? choose(lines) : lines;
    std::string input;
    for (std::size_t l = 0; l < lines; ++l) {
        std::string line = blanks[choose(9)];
        const char* end = ends[choose(l + 1 == lines ? 7 : 6)];
        if (focus == Focus::Lines && choose(4) == 3) {
            input += (choose(2) == 0 ? std::string() : line) + end; // an empty or a blank line
            continue;
        }
        std::string anchored = plant(3);
        if (!anchored.empty() && job.position == PositionMode::AtColumn && job.positionColumn > 1) {
            line += std::string(static_cast<std::size_t>(job.positionColumn) - 1, 'b');
        }
        line += anchored;
        for (std::size_t n = choose(focus == Focus::Matching ? 41 : 11); n > 0; --n) {
            std::string piece = plant(4);
            line += piece.empty() ? pieces[choose(pieces.size())] : piece;
        }
        line += plant(3);
        line += blanks[choose(9)];
        if (l == longLine) {
            std::size_t length = kMaxReplaceableLine - 10 + choose(14);
            line.insert(0, length - std::min(length, line.size()), 'z');
        }
        input += line + end;
    }
    // Of these bytes only the zero byte and 0xFF weigh against text (-5,
    // every other byte +1): one in six of the first 128 bytes at most keeps
    // the file text.
    const std::size_t head = std::min<std::size_t>(input.size(), 128);
    auto binary = [](char c) { return c == '\0' || c == '\xFF'; };
    auto count =
        static_cast<std::size_t>(std::count_if(input.begin(), input.begin() + head, binary));
    for (std::size_t i = head; i-- > 0 && count * 6 > head;) {
        if (binary(input[i])) {
            input[i] = 'a';
            --count;
        }
    }
    return input;
}

} // namespace harness
