// Helpers shared by the tests: a private temporary directory per test
// process, and whole-file reads and writes.
#pragma once

#include <string>
#include <string_view>
#include <sys/types.h>
#include <vector>

namespace testing_support {

// A fresh directory that is removed with everything in it on destruction.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& path() const { return path_; }
    // path() + "/" + relative
    std::string operator/(std::string_view relative) const;

private:
    std::string path_;
};

// Gives this test process a fresh directory of its own with TMPDIR and
// XDG_CONFIG_HOME below it, so tests never touch the user's settings and can
// run in parallel. Returns the directory, or "" when it cannot be made.
std::string IsolateEnvironment();

// Writes `content` to `path`, creating missing parent directories.
void WriteFile(const std::string& path, std::string_view content);
// The whole content of `path`; throws when it cannot be read.
std::string ReadFile(const std::string& path);
bool Exists(const std::string& path);
void MakeDirs(const std::string& path);
void RemoveTree(const std::string& path);
// Sets the modification time of `path` (seconds since the epoch).
void SetModificationTime(const std::string& path, time_t seconds);
// The lines of a file, without their line ends.
std::vector<std::string> ReadLines(const std::string& path);
// Every file below `root` (relative paths, sorted), links included.
std::vector<std::string> ListTree(const std::string& root);

// Makes a file immutable (it can be neither renamed, deleted nor written, not
// even by root) until destruction. ok() is false where the file system or
// the user cannot set the flag.
class ImmutableFile {
public:
    explicit ImmutableFile(std::string path);
    ~ImmutableFile();
    ImmutableFile(const ImmutableFile&) = delete;
    ImmutableFile& operator=(const ImmutableFile&) = delete;
    bool ok() const { return ok_; }

private:
    std::string path_;
    bool ok_ = false;
};

} // namespace testing_support
