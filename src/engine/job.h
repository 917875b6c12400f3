// The job a run carries out: the values of the main dialog (or of a profile
// and the batch tool's options) as one record. The engine reads only this
// record, never a control.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The numbers are those a profile stores.
enum class PositionMode : int {
    Anywhere = 1,
    LineStart = 2,
    LineEnd = 4,
    AtColumn = 8,
};

enum class CodeMode : int {
    Ansi = 1, // Windows-1252 text ("ISO-8851")
    Oem = 2,  // DOS text in code page 850 ("Ascii")
    Utf8 = 4, // UTF-8 text
};

enum class DateDependency : int {
    AllFiles = 0,
    NewerOrEqual = 1,
    Older = 2,
};

// One row of the replacement list, exactly as typed (UTF-8; escape notation
// is expanded only when a run builds its table).
struct ReplacementRow {
    std::string search;
    std::string replacement;
    bool operator==(const ReplacementRow&) const = default;
};

struct Job {
    std::vector<std::string> directories; // each one directory (may hold ';')
    std::vector<std::string> files;       // file names or wildcard patterns
    std::vector<ReplacementRow> replace;  // applied in this order
    PositionMode position = PositionMode::Anywhere;
    DateDependency dateDependency = DateDependency::AllFiles;
    CodeMode code = CodeMode::Ansi;
    bool performReplace = true;
    bool deleteEmptyLines = false;
    bool stripLeadingSpaces = false;
    bool stripTrailingSpaces = false;
    bool stripLeadingTabs = false;
    bool stripTrailingTabs = false;
    bool subdirs = false;
    bool expandEscape = false;
    bool capsLock = false; // ignore letter case while searching
    bool confirm = false;
    bool keepLineEnds = false;
    bool regex = false;      // search texts are regular expressions
    std::string compareDate; // as typed; read when the date filter is on
    std::string compareTime;
    std::int32_t positionColumn = 0; // the column for PositionMode::AtColumn, from 1
    bool operator==(const Job&) const = default;
};

// The counters of a run.
struct RunStatistics {
    std::int32_t FilesProcessed = 0;
    std::int32_t FilesChanged = 0;
    std::int32_t LinesChanged = 0;
    std::int32_t ReplacementsMade = 0;
    std::int32_t EmptyLinesRemoved = 0;
    // Lines too long for replacements in which a search text stands, in
    // every file read (changed or not).
    std::int32_t LinesTooLong = 0;
    bool operator==(const RunStatistics&) const = default;
};

// Reads a column number the way the C library's atol does: leading blanks,
// an optional sign, digits up to the first other character; no digits give 0.
std::int32_t ParseColumnNumber(const std::string& text);
