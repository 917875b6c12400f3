// The change log of a run: for every file the run changed, its path and the
// record of what the run read and wrote, so that accepting and undoing can
// tell the run's own backup and content from whatever came later.
//
// Format (text, every line ended by CR LF):
//   #velmor-quintrel change log 2 <boot id>
//   #root /a/listed/directory      (each directory of the run, see PathResolver)
//   /the/changed/file
//   =B dev ino size mtime ctime N dev ino size mtime ctime H hash C lines replacements empty long
//   ~/tmp/VQD...         (a run that changes nothing: its copy of the new content)
//   ... (a path line and a record line for every changed file)
//   #finished
// B is the backup (the content the run read, under its backup name), N the
// new content under the file's name; times are seconds.nanoseconds, the hash
// (of the new content) 16 hex digits, C the file's counters. "#finished" is
// added once the log has been accepted or undone in full.
//
// A log without the first line was written by an older program: one path a
// line, no records; it is finished without the checks the records allow.
#pragma once

#include "file_ops.h"
#include "line_processor.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

struct ChangeRecord {
    std::string path;
    bool backupKnown = false;  // `backup` holds the backup's identity
    bool writtenKnown = false; // `written` and `hash` describe the new content
    FileIdentity backup;       // the old content, under the backup name
    FileIdentity written;      // the new content, under the file's name (its
                               // change time is not known from a backup's record)
    std::uint64_t hash = 0;    // of the new content
    std::string bootId;        // the system start the record was made in
    FileCounters counters;
    std::string copyPath; // a run that changed nothing: where the new content is
};

// The identity of this system start (new at every boot): contents recorded in
// the same start are still what was written unless their identity changed.
const std::string& CurrentBootId();

// The record a run leaves on a file about to become its backup (the extended
// attribute kRecordAttribute): the new content's inode, size, modification
// time and hash, and the system start, in 52 bytes.
std::string FormatBackupRecord(const FileIdentity& written, std::uint64_t hash);
// Reads the record of the backup beside `path` into `record` (device from the
// backup); false when there is none.
bool ReadBackupRecord(const std::string& path, ChangeRecord& record);

// The extended attribute that holds that record.
inline constexpr char kRecordAttribute[] = "user.velmor-quintrel";

// The record's line (without "=" and the line end), and back; false for a
// line that is no record.
std::string FormatRecord(const ChangeRecord& record);
bool ParseRecord(std::string_view text, ChangeRecord& record);

// Writes a change log; every record is written as soon as its file is done,
// so an interrupted run still leaves its log.
class ChangeLogWriter {
public:
    // Takes the open descriptor of the new log (and closes it), the run's
    // directories and the system start its records are made in.
    ChangeLogWriter(int fd, std::vector<std::string> roots = {},
                    std::string bootId = CurrentBootId());
    ~ChangeLogWriter();
    ChangeLogWriter(const ChangeLogWriter&) = delete;
    ChangeLogWriter& operator=(const ChangeLogWriter&) = delete;

    // False (errno set) when the log could not be written.
    bool Add(const ChangeRecord& record);
    bool Close();

private:
    int fd_;
    std::vector<std::string> roots_;
    std::string bootId_;
    bool headerWritten_ = false;
};

// Reads a change log one file at a time, in either form. The log must be a
// regular file (a FIFO or device is never waited on, a link never
// followed); a line longer than any path and record can be is a read error.
class ChangeLogReader {
public:
    explicit ChangeLogReader(const std::string& path);

    bool opened() const { return fd_.get() >= 0; }
    // The next file; false at the end of the log or on a read error.
    bool Next(ChangeRecord& record);
    // False when reading failed (an error, not the end of the log).
    bool failed() const { return failed_; }
    // True once "#finished" was read.
    bool finished() const { return finished_; }
    // The run's directories and the start its records were made in, once
    // the first file was read.
    const std::vector<std::string>& roots() const { return roots_; }
    const std::string& bootId() const { return bootId_; }

private:
    bool ReadLine(std::string& line);
    bool ReadRawLine(std::string& line);

    FileDescriptor fd_;
    std::string peeked_; // a line read ahead and not yet taken
    bool hasPeeked_ = false;
    std::string buffer_;
    std::size_t start_ = 0; // of the unread part of buffer_
    bool eof_ = false;
    bool first_ = true;
    bool failed_ = false;
    bool finished_ = false;
    std::string bootId_;
    std::vector<std::string> roots_;
};

// Adds "#finished" to the end of the log at `path`; false when it cannot.
bool MarkChangeLogFinished(const std::string& path);

// Replaces the log at `path` by one that holds only the files `keep` says
// yes to (the whole log is written anew beside it, then takes its name);
// with none left it is marked finished. False when that fails (the log stays
// as it was).
bool KeepInChangeLog(const std::string& path,
                     const std::function<bool(const ChangeRecord& record)>& keep);
