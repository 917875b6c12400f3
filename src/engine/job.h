// The job a run carries out: the values of the main dialog (or of a profile
// and the batch tool's options) as one record. The engine reads only this
// record, never a control.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

enum PositionMode : int {
    PositionAnywhere = 1,
    PositionLineStart = 2,
    PositionLineEnd = 4,
    PositionAtColumn = 8,
};

enum CodeMode : int {
    CodeAnsi = 1, // Windows-1252 text ("ISO-8851")
    CodeOem = 2,  // DOS text in code page 850 ("Ascii")
    CodeUtf8 = 4, // UTF-8 text
};

enum DateDependency : int {
    DateAllFiles = 0,
    DateNewerOrEqual = 1,
    DateOlder = 2,
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
    int position = PositionAnywhere;
    int dateDependency = DateAllFiles;
    int code = CodeAnsi;
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
    std::string compareDate; // as typed; read when dateDependency is not 0
    std::string compareTime;
    std::int32_t positionColumn = 0; // the column for PositionAtColumn, from 1
    bool operator==(const Job&) const = default;
};

// The counters of a run.
struct RunStatistics {
    std::int32_t FilesProcessed = 0;
    std::int32_t FilesChanged = 0;
    std::int32_t LinesChanged = 0;
    std::int32_t ReplacementsMade = 0;
    std::int32_t EmptyLinesRemoved = 0;
    bool operator==(const RunStatistics&) const = default;
};

// Reads a column number the way the C library's atol does: leading blanks,
// an optional sign, digits up to the first other character; no digits give 0.
std::int32_t ParseColumnNumber(const std::string& text);
