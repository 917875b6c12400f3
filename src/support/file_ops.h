// File helpers every layer uses: the program's own file names beside a file,
// renaming that never replaces, opening a regular file without following a
// link, whole reads and writes, and a descriptor that closes itself.
#pragma once

#include <ctime>
#include <string>
#include <string_view>
#include <sys/stat.h>

// The names the program keeps beside a file it changes: the new content while
// it is written, and the old content until the change is accepted or undone.
inline constexpr std::string_view kTemporarySuffix = ".QUINTREL-TEMP";
inline constexpr std::string_view kBackupSuffix = ".QUINTREL-BACKUP";

std::string TemporaryNameOf(const std::string& path);
std::string BackupNameOf(const std::string& path);
// True when `text` ends with `suffix` (the empty suffix ends every text).
bool EndsWith(std::string_view text, std::string_view suffix);
// True for a name that ends with one of the program's own suffixes.
bool IsOwnFileName(std::string_view name);
// The directory part of `path`: "." without a slash, "/" for a file in "/".
std::string DirectoryOf(const std::string& path);

// What identifies a file's content for as long as nobody writes to it: any
// write changes its size or times, a new file has another inode.
struct FileIdentity {
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    timespec modified{};
    timespec changed{};
    bool operator==(const FileIdentity& other) const;
    // The same file (device and inode), whatever became of its content.
    bool SameFile(const FileIdentity& other) const {
        return device == other.device && inode == other.inode;
    }
};

FileIdentity IdentityOf(const struct stat& status);
// The identity of what stands at `path` (never through a link); false when
// nothing does or it is no regular file.
bool RegularFileIdentity(const std::string& path, FileIdentity& identity);

// Renames `from` to `to` but never replaces an existing `to`. Uses the
// kernel's no-replace rename, or a hard link and unlink where the file system
// lacks it. Returns 0 or an errno value.
int RenameNoReplace(const std::string& from, const std::string& to);

enum class LinkPolicy { NoFollow, Follow };

// Opens a file for reading the way the run does: never blocking on a FIFO or
// device, and (unless asked) never through a link; the result must be a
// regular file. Returns the descriptor or -1 with errno set (EINVAL for
// something that is not a regular file); `status` receives its status.
int OpenRegularFile(const std::string& path, struct stat* status = nullptr,
                    LinkPolicy links = LinkPolicy::NoFollow);
// The same for `path` below the open directory `directory`.
int OpenRegularFileAt(int directory, const std::string& path, struct stat* status = nullptr,
                      LinkPolicy links = LinkPolicy::NoFollow);

// Reads up to `size` bytes at the current position, retrying interrupted and
// short reads. Returns the number read, or -1 with errno set.
long ReadFully(int fd, char* buffer, std::size_t size);

// Writes all of `bytes`; false with errno set on failure.
bool WriteFully(int fd, std::string_view bytes);

// True when something (a file, link, directory...) stands at `path`.
bool PathExists(const std::string& path);

// Flushes the file system that holds `directory` to disk. 0 or an errno value.
int FlushFileSystemOf(const std::string& directory);

// Closes a descriptor on every path out of a scope.
class FileDescriptor {
public:
    explicit FileDescriptor(int fd = -1) : fd_(fd) {}
    ~FileDescriptor() { Reset(); }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int get() const { return fd_; }
    void Reset(int fd = -1);
    // Closes now and reports whether the close succeeded.
    bool Close();
    // Gives up the descriptor without closing it.
    void Release() { fd_ = -1; }

private:
    int fd_;
};
