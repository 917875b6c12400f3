// A profile: the job as it is stored in a profile file (section "General").
// The values, their names and types in the order they are written:
//   Directories, Files (string: the entries joined by TAB, escape-encoded),
//   Replace (string: the list text of the replacement rows, escape-encoded),
//   Position (long, 1), DateDependency (long, 0), Code (long, 1),
//   PerformReplace (long, 1), DeleteEmptyLines, StripLeadingSpaces,
//   StripTrailingSpaces, StripLeadingTabs, StripTrailingTabs, Subdirs,
//   ExpandEscape, CapsLock, Confirm (long, 0 each),
//   CompareDate, CompareTime (string, "").
// KeepLineEnds (long, 0) and Regex (long, 0: the search texts are literal)
// follow them. The position column is no part of a
// profile. Values stand as the program's controls hold them: a number that no
// radio button holds is kept here and mapped only when a job is made.
#pragma once

#include "job.h"
#include "settings_store.h"

#include <cstdint>
#include <string>
#include <vector>

struct Profile {
    std::vector<std::string> Directories;
    std::vector<std::string> Files;
    std::vector<ReplacementRow> Replace;
    std::int32_t Position = 1;
    std::int32_t DateDependency = 0;
    std::int32_t Code = 1;
    std::int32_t PerformReplace = 1;
    std::int32_t DeleteEmptyLines = 0;
    std::int32_t StripLeadingSpaces = 0;
    std::int32_t StripTrailingSpaces = 0;
    std::int32_t StripLeadingTabs = 0;
    std::int32_t StripTrailingTabs = 0;
    std::int32_t Subdirs = 0;
    std::int32_t ExpandEscape = 0;
    std::int32_t CapsLock = 0;
    std::int32_t Confirm = 0;
    std::string CompareDate;
    std::string CompareTime;
    std::int32_t KeepLineEnds = 0;
    std::int32_t Regex = 0;
    bool operator==(const Profile&) const = default;
};

// The store location of a profile file.
StoreLocation ProfileLocation(const std::string& file);

// Writes all values in one atomic replacement of the file. False when the
// file could not be written (the old file then stays whole).
bool WriteProfile(const StoreLocation& location, const Profile& profile);
// Reads all values; a missing or malformed value gives its default, so a file
// without any of them gives the empty default job. Never fails.
Profile ReadProfile(const StoreLocation& location);

// A job from a profile, as the program's controls would give it at Start:
// a number that is not one of a mode's values reads as its first value (the
// group's first radio button); the position column is taken from
// `positionColumn`.
Job JobFromProfile(const Profile& profile, std::int32_t positionColumn = 0);
Profile ProfileFromJob(const Job& job);
