// The directory scan: writes the paths of the files that match a job's
// directories, file groups and date filter into a list file, one absolute
// path a line.
//
// Rules:
// - File groups: '*' matches any run of characters, '?' one character (a
//   UTF-8 character, or one byte that starts none), matched against the file
//   name only and case-sensitively; a leading dot is matched like any other
//   character.
// - Order: the listed directories in the order given; inside each, entries
//   sorted by name byte-wise, a directory's files before its subdirectories.
// - Every directory is entered once, whether it is listed twice, reached
//   through a link, or lies below another listed one: each file is listed once.
// - Listed directories are followed if they are links; below them, links are
//   neither followed nor listed, and only regular files are listed.
// - Left out: names the line-based list cannot carry (a line feed in the path,
//   or a last byte of value 0x20 or less), paths longer than 4095 bytes, the
//   program's own temporary and backup files (".QUINTREL-TEMP",
//   ".QUINTREL-BACKUP") and the files named in `excludedFiles`.
// - A directory that does not exist or cannot be read (or whose path is too
//   long) lists nothing; that is not a failure, but it is named in
//   `unreadable`.
// - Date filter: with ScanNewerOrEqual a file is listed when its last
//   modification (to the second, local time) is at or after the comparison
//   time; with ScanOlder when it is before it.
//
// The paths stream to the list file; the set of files is never held in memory.
#pragma once

#include "date_time.h"

#include <functional>
#include <string>
#include <string_view>
#include <vector>

enum ScanFlags : unsigned {
    ScanSubdirs = 1,
    ScanAlways = 2,
    ScanNewerOrEqual = 4,
    ScanOlder = 8,
};

enum ScanResult : int {
    ScanFailed = 0,
    ScanDone = 1,
    ScanStopped = 2,
};

struct ScanRequest {
    std::string files;                       // file groups joined by TAB
    unsigned flags = ScanAlways;             // ScanFlags
    long filesListed = 0;                    // out: the number of paths written
    const DateTimeStruct* compare = nullptr; // the comparison date and time
    // Called with each directory as it is read, and at least every few
    // thousand entries; a false result stops the scan.
    std::function<bool(const std::string& directory)> progress;
    // Called with each path as it is listed, in list order (optional).
    std::function<void(const std::string& path)> listed;
    // Files that are never listed (the run's own file list and change log).
    std::vector<std::string> excludedFiles;
    // out: the directories that could not be read, so nothing below them
    // was listed, in the order met.
    std::vector<std::string> unreadable;
    // out: why the scan failed (an errno value), 0 otherwise.
    int error = 0;
};

// Scans the ';'-joined `directories`. Returns ScanDone (1), ScanStopped when
// the progress callback asked to stop, ScanFailed when the list file could not
// be written.
int Velmor_ScanDirectory(std::string_view directories, ScanRequest& request, int reserved,
                         const std::string& listFile, int reserved2);
// The same for a list of directories (names may hold ';').
int Velmor_ScanDirectory(const std::vector<std::string>& directories, ScanRequest& request,
                         int reserved, const std::string& listFile, int reserved2);

// A listed directory as the scan writes it at the start of its paths:
// absolute (against the current directory), without trailing slashes.
std::string ScannedDirectoryPath(const std::string& directory);

// The wildcard rule of the scan.
bool WildcardMatch(std::string_view pattern, std::string_view name);
