#include "rewrite_file.h"

#include "content_hash.h"
#include "file_names.h"
#include "file_ops.h"
#include "string_table.h"

#include <cerrno>
#include <chrono>
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <optional>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr std::size_t kReadChunk = 1024 * 1024;
constexpr std::size_t kWriteBuffer = 1024 * 1024;

// Calls the interface's keep-alive at least every 50 ms of work.
class KeepAliveTimer {
public:
    explicit KeepAliveTimer(RunUi* ui) : ui_(ui), last_(std::chrono::steady_clock::now()) {}
    void Tick() {
        if (ui_ == nullptr) {
            return;
        }
        auto now = std::chrono::steady_clock::now();
        if (now - last_ >= std::chrono::milliseconds(50)) {
            ui_->KeepAlive();
            last_ = std::chrono::steady_clock::now();
        }
    }

private:
    RunUi* ui_;
    std::chrono::steady_clock::time_point last_;
};

// Writes the new file through a buffer and hashes what reaches the file.
class FileSink : public ByteSink {
public:
    FileSink(int fd, std::string& buffer) : fd_(fd), buffer_(buffer) {
        buffer_.clear();
        buffer_.reserve(kWriteBuffer);
    }
    void Write(std::string_view bytes) override {
        if (error_ != 0) {
            return;
        }
        if (buffer_.size() + bytes.size() > kWriteBuffer) {
            Flush();
            if (bytes.size() >= kWriteBuffer) {
                WriteOut(bytes);
                return;
            }
        }
        buffer_.append(bytes);
    }
    bool Flush() {
        if (!buffer_.empty()) {
            WriteOut(buffer_);
        }
        buffer_.clear();
        return error_ == 0;
    }
    void Retract(std::size_t bytes) override {
        if (error_ != 0) {
            return;
        }
        if (bytes <= buffer_.size()) {
            buffer_.resize(buffer_.size() - bytes);
            return;
        }
        // Some of them are in the file already: it is cut back, and its hash
        // is taken again from what stays.
        bytes -= buffer_.size();
        buffer_.clear();
        off_t end = ::lseek(fd_, 0, SEEK_CUR);
        off_t cut = end - static_cast<off_t>(bytes);
        if (end < 0 || ::ftruncate(fd_, cut) != 0 || ::lseek(fd_, cut, SEEK_SET) != cut) {
            error_ = errno;
        }
        hashValid_ = false;
    }
    // The hash of the file's content once it is flushed.
    bool Hash(std::uint64_t& hash) {
        if (hashValid_) {
            hash = hash_.Value();
            return true;
        }
        return HashOpenFile(fd_, hash) && ::lseek(fd_, 0, SEEK_END) >= 0;
    }

private:
    void WriteOut(std::string_view bytes) {
        if (error_ == 0 && !WriteFully(fd_, bytes)) {
            error_ = errno;
        }
        hash_.Add(bytes);
    }

    int fd_;
    int error_ = 0;
    std::string& buffer_;
    ContentHash hash_;
    bool hashValid_ = true;
};

// Feeds the whole file from its start into `processor`. Returns 0 or the
// errno of a failed read.
int FeedFile(int fd, LineProcessor& processor, ScratchBuffers& scratch, KeepAliveTimer* timer) {
    if (::lseek(fd, 0, SEEK_SET) != 0) {
        return errno;
    }
    char* buffer = scratch.Read(kReadChunk);
    while (!processor.Done()) {
        long n = ReadFully(fd, buffer, kReadChunk);
        if (n < 0) {
            return errno;
        }
        if (n == 0) {
            break;
        }
        processor.Feed(std::string_view(buffer, static_cast<std::size_t>(n)));
        if (timer != nullptr) {
            timer->Tick();
        }
        if (static_cast<std::size_t>(n) < kReadChunk) {
            break;
        }
    }
    processor.Finish();
    return 0;
}

bool ReadsAsText(int fd) {
    char head[128];
    long n = ReadFully(fd, head, sizeof head);
    if (n < 0) {
        return true; // the rewrite reports what is wrong with the file
    }
    return LooksLikeText(std::string_view(head, static_cast<std::size_t>(n)));
}

// The name system calls use for `path` (see PathResolver); without a
// resolver, the path itself.
bool Reach(PathResolver* resolver, const std::string& path, std::string& reach) {
    if (resolver == nullptr) {
        reach = path;
        return true;
    }
    return resolver->Reach(path, reach);
}

// Tries `attempt` for a moment: a lock or an open descriptor that is given up
// at once (the look ahead at a hard link of the same file) does not count.
template <typename Attempt> bool WithinAMoment(Attempt attempt) {
    for (int tries = 0;; ++tries) {
        if (attempt()) {
            return true;
        }
        if (errno != EWOULDBLOCK || tries >= 40) {
            return false;
        }
        ::usleep(5000);
    }
}

// Opens the file and locks it against other programs that lock; the name must
// still lead to the locked file (another run may have renamed it meanwhile).
// `locked` receives the status of the file locked.
int OpenAndLock(const std::string& path, struct stat& locked) {
    for (int opened = 0; opened < 10; ++opened) {
        FileDescriptor fd(OpenRegularFile(path));
        if (fd.get() < 0) {
            return -1;
        }
        if (!WithinAMoment([&] { return ::flock(fd.get(), LOCK_EX | LOCK_NB) == 0; })) {
            return -1;
        }
        struct stat named {};
        if (::fstat(fd.get(), &locked) == 0 && ::lstat(path.c_str(), &named) == 0 &&
            locked.st_dev == named.st_dev && locked.st_ino == named.st_ino) {
            int result = fd.get();
            fd.Release();
            return result;
        }
    }
    errno = EWOULDBLOCK;
    return -1;
}

// A write lease on the file for as long as it is renamed: it can be had only
// while no other descriptor of the file is open, so a program that keeps the
// file open (and may still write to it) is found, and nobody can open the
// file in the meantime. Where leases are not available (a file of another
// owner, some file systems) the renaming goes on without one.
class WriteLease {
public:
    // False (EWOULDBLOCK) when another descriptor of the file is open.
    bool Take(int fd) {
        if (WithinAMoment([&] { return ::fcntl(fd, F_SETLEASE, F_WRLCK) == 0; })) {
            fd_ = fd;
            return true;
        }
        if (errno == EAGAIN || errno == EBUSY) {
            errno = EWOULDBLOCK;
            return false;
        }
        return true;
    }
    ~WriteLease() {
        if (fd_ >= 0) {
            ::fcntl(fd_, F_SETLEASE, F_UNLCK);
        }
    }

private:
    int fd_ = -1;
};

// Creates the temporary file beside the file, exclusively, for the owner
// only: a leftover file of that name goes first unless another program holds
// it locked (its copy in the making), and a link planted there is never
// followed. -1 with errno (EWOULDBLOCK when the name is another's).
int CreateTemporaryFile(const std::string& name) {
    const int flags = O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC;
    FileDescriptor fd(::open(name.c_str(), flags, 0600));
    if (fd.get() < 0 && errno == EEXIST) {
        FileDescriptor leftover(
            ::open(name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
        if (leftover.get() >= 0 && ::flock(leftover.get(), LOCK_EX | LOCK_NB) != 0) {
            return -1;
        }
        if (::unlink(name.c_str()) != 0 && errno != ENOENT) {
            return -1;
        }
        leftover.Reset();
        fd.Reset(::open(name.c_str(), flags, 0600));
    }
    if (fd.get() < 0 || ::flock(fd.get(), LOCK_EX | LOCK_NB) != 0) {
        int error = errno;
        if (fd.get() >= 0) {
            ::unlink(name.c_str());
        }
        errno = error;
        return -1;
    }
    int result = fd.get();
    fd.Release();
    return result;
}

// The extended attributes of a file that its copy carries: its access ACL,
// the user's attributes, and the security and trusted ones where the system
// lets this process set them.
std::vector<std::string> AttributeNames(int fd) {
    std::vector<std::string> names;
    ssize_t size = ::flistxattr(fd, nullptr, 0);
    if (size <= 0) {
        return names;
    }
    std::string list(static_cast<std::size_t>(size), '\0');
    size = ::flistxattr(fd, list.data(), list.size());
    for (std::size_t at = 0; size > 0 && at < static_cast<std::size_t>(size);) {
        std::string name(list.c_str() + at);
        at += name.size() + 1;
        if (name != kRecordAttribute) {
            names.push_back(std::move(name));
        }
    }
    return names;
}

// Gives the copy, before any content is written, the owner, group, mode,
// access ACL and extended attributes of the original. False when the owner
// or group cannot be kept or the ACL or a user attribute cannot be carried
// (the file is then left as it is).
bool CarryPermissions(int copy, int original, const struct stat& status) {
    if (::fchown(copy, status.st_uid, status.st_gid) != 0) {
        struct stat mine {};
        if (::fstat(copy, &mine) != 0 || mine.st_uid != status.st_uid ||
            mine.st_gid != status.st_gid) {
            return false;
        }
    }
    // A default ACL of the directory was inherited by the copy: the file's
    // own permissions take its place.
    if (::fremovexattr(copy, "system.posix_acl_access") != 0 && errno != ENODATA &&
        errno != ENOTSUP) {
        return false;
    }
    for (const std::string& name : AttributeNames(original)) {
        ssize_t size = ::fgetxattr(original, name.c_str(), nullptr, 0);
        std::string value(size > 0 ? static_cast<std::size_t>(size) : 0, '\0');
        if (size < 0 ||
            (size > 0 && ::fgetxattr(original, name.c_str(), value.data(), value.size()) != size)) {
            return false;
        }
        if (::fsetxattr(copy, name.c_str(), value.data(), value.size(), 0) != 0) {
            const bool optional = name.rfind("security.", 0) == 0 || name.rfind("trusted.", 0) == 0;
            if (!optional || (errno != EPERM && errno != EACCES && errno != ENOTSUP)) {
                return false;
            }
        }
    }
    // The mode last: it keeps the set-id bits that changing the owner
    // cleared, and with an ACL its group bits are the ACL's mask.
    return ::fchmod(copy, status.st_mode & 07777) == 0;
}

enum class CopyStatus {
    Written,
    CannotCreate,
    TakenByAnother,
    NoPermissions,
    ReadFailed,
    WriteFailed,
    MatchLimit // a regular expression ran over its limits; info.counters names it
};

// What a complete copy is: its identity and the hash of its content.
struct CopyInfo {
    FileIdentity identity;
    std::uint64_t hash = 0;
    FileCounters counters;
    std::string copyPath; // a dry run's copy in the temporary directory
};

// Writes the new content of the file at `path` into its temporary file:
// `feed` gives the processor the file's bytes (0, or the errno of a failed
// read). Written: the copy is complete, `info` describes it, and it stays
// open and locked in `keep` when that is given (else it is closed). Anything
// else leaves no temporary file.
template <typename Feed>
CopyStatus WriteTemporaryCopy(const std::string& path, int original, const struct stat& status,
                              const LineSettings& lines, ScratchBuffers& scratch, Feed feed,
                              CopyInfo& info, FileDescriptor* keep, bool dryRun = false) {
    // A run that changes nothing writes its copy to the temporary directory.
    std::string temporaryName = TemporaryNameOf(path);
    FileDescriptor temporary;
    if (dryRun) {
        std::error_code error;
        temporaryName = CreateTemporaryFileName("VQD", error);
        temporary.Reset(error ? -1
                              : ::open(temporaryName.c_str(), O_RDWR | O_NOFOLLOW | O_CLOEXEC));
        info.copyPath = temporaryName;
    } else {
        temporary.Reset(CreateTemporaryFile(temporaryName));
    }
    if (temporary.get() < 0) {
        return errno == EWOULDBLOCK ? CopyStatus::TakenByAnother : CopyStatus::CannotCreate;
    }
    auto discard = [&](CopyStatus result) {
        temporary.Reset();
        ::unlink(temporaryName.c_str());
        return result;
    };
    // A dry run's copy gets them too: what cannot be carried is reported as
    // in a real run.
    if (!CarryPermissions(temporary.get(), original, status)) {
        return discard(CopyStatus::NoPermissions);
    }
    FileSink sink(temporary.get(), scratch.Write());
    LineProcessor writer(lines, &sink);
    if (feed(writer) != 0) {
        return discard(CopyStatus::ReadFailed);
    }
    if (writer.counters().failedPair >= 0) {
        info.counters = writer.counters();
        return discard(CopyStatus::MatchLimit);
    }
    struct stat copy {};
    bool written = sink.Flush() && sink.Hash(info.hash) && ::fstat(temporary.get(), &copy) == 0;
    if (!written || (keep == nullptr && !temporary.Close())) {
        return discard(CopyStatus::WriteFailed);
    }
    info.identity = IdentityOf(copy);
    info.counters = writer.counters();
    if (keep != nullptr) {
        keep->Reset(temporary.get());
        temporary.Release();
    }
    return CopyStatus::Written;
}

// Records on the file that is about to become its backup what the run puts
// under its name, so that a content lost in a power cut is recognised; where
// the file system keeps no such attribute, the copy is flushed to disk
// before it takes the name instead.
void RecordNewContent(const std::string& path, int original, const CopyInfo& copy, int copyFd) {
    const std::string value = FormatBackupRecord(copy.identity, copy.hash);
    if (::fsetxattr(original, kRecordAttribute, value.data(), value.size(), 0) == 0) {
        return;
    }
    FileDescriptor reopened;
    if (copyFd < 0) {
        reopened.Reset(
            ::open(TemporaryNameOf(path).c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
        copyFd = reopened.get();
    }
    if (copyFd >= 0) {
        ::fdatasync(copyFd);
    }
}

// How committing a copy ended.
enum class Commit { Done, Declined, Again, Locked, EndRun };

// The file is changed (or, in a dry run, would be): its record for the change
// log, its counters added to the run's.
Commit KeepRecord(const std::string& path, const FileIdentity& backup, const CopyInfo& copy,
                  RewriteContext& context, const FileIdentity* written = nullptr) {
    ChangeRecord& record = context.record;
    record = ChangeRecord{};
    record.path = path;
    record.backupKnown = written != nullptr;
    record.writtenKnown = written != nullptr;
    record.bootId = CurrentBootId();
    record.backup = backup;
    record.written = written != nullptr ? *written : copy.identity;
    record.hash = copy.hash;
    record.counters = copy.counters;
    record.copyPath = copy.copyPath;
    RunStatistics& statistics = *context.statistics;
    statistics.FilesChanged += 1;
    statistics.LinesChanged += copy.counters.lineChanges;
    statistics.EmptyLinesRemoved += copy.counters.emptyLinesRemoved;
    statistics.ReplacementsMade += copy.counters.replacements;
    statistics.LinesTooLong += copy.counters.longLines;
    return Commit::Done;
}

// The end of every rewrite, with the file open and locked as `source` and its
// copy complete (open as `copyFd`, or -1 when it was closed): the
// confirmation, the checks that the file is still what was read and nobody
// else has it open, then the file becomes its backup and the copy takes its
// name; the record and counters are kept.
Commit CommitCopy(const std::string& path, const std::string& reach, int source,
                  const FileIdentity& read, const CopyInfo& copy, int copyFd,
                  RewriteContext& context) {
    RunUi& ui = *context.ui;
    const std::string temporaryName = context.dryRun ? copy.copyPath : TemporaryNameOf(reach);
    const std::string backupName = BackupNameOf(reach);
    if (context.confirm) {
        Answer answer = ui.ShowMessage(kMsgConfirmFile, path);
        if (answer == Answer::Cancel) {
            if (context.dryRun) {
                ::unlink(temporaryName.c_str());
            }
            return Commit::EndRun;
        }
        if (answer == Answer::No) {
            ::unlink(temporaryName.c_str());
            return Commit::Declined;
        }
    }
    if (context.dryRun) {
        return KeepRecord(path, read, copy, context);
    }
    WriteLease lease;
    if (!lease.Take(source)) {
        ::unlink(temporaryName.c_str());
        return Commit::Locked;
    }
    // The name must still hold what was read, and the temporary name the
    // copy this run wrote.
    FileIdentity now;
    FileIdentity copyNow;
    const bool fileAsRead = RegularFileIdentity(reach, now) && now == read;
    const bool copyOurs = RegularFileIdentity(temporaryName, copyNow) && copyNow == copy.identity;
    if (!fileAsRead || !copyOurs) {
        if (copyOurs) {
            ::unlink(temporaryName.c_str());
        }
        return Commit::Again;
    }
    RecordNewContent(reach, source, copy, copyFd);
    // A backup left by an earlier run is the only copy of that older content:
    // it is never replaced, so the rename below fails on it.
    if (RenameNoReplace(reach, backupName) != 0) {
        ::fremovexattr(source, kRecordAttribute);
        ui.ShowMessage(kMsgRenameError, path, BackupNameOf(path));
        return Commit::EndRun;
    }
    if (RenameNoReplace(temporaryName, reach) != 0) {
        // Put the old content back under its name before reporting.
        if (RenameNoReplace(backupName, reach) == 0) {
            ::unlink(temporaryName.c_str());
            ::fremovexattr(source, kRecordAttribute);
        }
        ui.ShowMessage(kMsgRenameError, TemporaryNameOf(path), path);
        return Commit::EndRun;
    }
    struct stat backup {};
    ::fstat(source, &backup);
    FileIdentity written;
    if (!RegularFileIdentity(reach, written)) {
        written = copy.identity;
    }
    return KeepRecord(path, IdentityOf(backup), copy, context, &written);
}

// What the user is asked when a file cannot be changed now: Retry, Ignore or
// Cancel. Gives the result for the run, or nothing to try again.
std::optional<FileResult> AskAboutFile(int message, const std::string& path, RunUi& ui) {
    Answer answer = ui.ShowMessage(message, path);
    if (answer == Answer::Cancel || answer == Answer::Abort) {
        return FileResult::EndRun;
    }
    if (answer == Answer::Ignore) {
        return FileResult::Unchanged;
    }
    return std::nullopt;
}

} // namespace

int IsTextFile(const std::string& path, RunUi& ui) {
    return IsTextFile(path, path, ui);
}

int IsTextFile(const std::string& path, const std::string& reach, RunUi& ui) {
    if (path.empty()) {
        return 1;
    }
    FileDescriptor fd(OpenRegularFile(reach));
    if (fd.get() < 0) {
        return 1;
    }
    bool text = ReadsAsText(fd.get());
    fd.Reset();
    if (text) {
        return 1;
    }
    return ui.ShowMessage(kMsgNotTextFile, path) == Answer::Ok ? 0 : -1;
}

namespace {

// A pattern ran over its matching limits in the file, which stays as it is:
// the user is told which file and which pattern; the run goes on.
FileResult ReportMatchLimit(const std::string& path, const FileCounters& counters,
                            RewriteContext& context) {
    const ReplacementTable* table = context.lines.table;
    std::string pattern;
    if (table != nullptr && counters.failedPair >= 0 &&
        static_cast<std::size_t>(counters.failedPair) < table->pairs.size()) {
        pattern = table->pairs[static_cast<std::size_t>(counters.failedPair)].typedSearch;
    }
    context.ui->ShowMessage(kMsgMatchLimit, pattern, path);
    return FileResult::Unchanged;
}

} // namespace

FileResult RewriteFile(const std::string& path, RewriteContext& context) {
    RunUi& ui = *context.ui;
    if (path.empty()) {
        return FileResult::Unchanged;
    }
    std::string reach;
    int text = Reach(context.resolver, path, reach) ? IsTextFile(path, reach, ui) : 1;
    if (text < 0) {
        return FileResult::EndRun;
    }
    if (text == 0) {
        return FileResult::Unchanged;
    }
    const std::string temporaryName = TemporaryNameOf(path);
    KeepAliveTimer timer(&ui);
    ScratchBuffers& scratch = context.scratch;
    // A file that keeps changing under the run is read again a few times,
    // then reported like a file that is locked.
    int readAgain = 0;
    constexpr int kReadsAgain = 5;
    while (true) {
        int problem = kMsgCannotOpenFile;
        struct stat original {};
        FileDescriptor source(Reach(context.resolver, path, reach) ? OpenAndLock(reach, original)
                                                                   : -1);
        if (source.get() >= 0) {
            // First only look: a file in which nothing changes is only read.
            LineProcessor look(context.lines, nullptr);
            int readError = FeedFile(source.get(), look, scratch, &timer);
            if (readError == 0 && look.counters().failedPair >= 0) {
                return ReportMatchLimit(path, look.counters(), context);
            }
            if (readError == 0 && !look.counters().Changed()) {
                context.statistics->LinesTooLong += look.counters().longLines;
                return FileResult::Unchanged;
            }
            CopyStatus copy = CopyStatus::ReadFailed;
            CopyInfo info;
            FileDescriptor copyFd;
            if (readError != 0) {
                // reported below as a file that cannot be read
            } else if (::faccessat(AT_FDCWD, reach.c_str(), W_OK, AT_EACCESS) != 0) {
                problem = kMsgWriteProtected;
            } else {
                copy = WriteTemporaryCopy(
                    reach, source.get(), original, context.lines, scratch,
                    [&](LineProcessor& writer) {
                        return FeedFile(source.get(), writer, scratch, &timer);
                    },
                    info, &copyFd, context.dryRun);
            }
            if (copy == CopyStatus::MatchLimit) {
                return ReportMatchLimit(path, info.counters, context);
            }
            if (copy == CopyStatus::Written) {
                switch (CommitCopy(path, reach, source.get(), IdentityOf(original), info,
                                   copyFd.get(), context)) {
                case Commit::Done:
                    return FileResult::Committed;
                case Commit::Declined:
                    return FileResult::Unchanged;
                case Commit::EndRun:
                    return FileResult::EndRun;
                case Commit::Again:
                    if (++readAgain < kReadsAgain) {
                        continue; // read again what the file holds now
                    }
                    readAgain = 0;
                    break;
                case Commit::Locked:
                    break;
                }
            } else if (copy == CopyStatus::CannotCreate || copy == CopyStatus::WriteFailed) {
                source.Reset();
                ui.ShowMessage(copy == CopyStatus::CannotCreate ? kMsgCannotCreateTemp
                                                                : kMsgWriteError,
                               temporaryName);
                return FileResult::EndRun;
            } else if (copy == CopyStatus::NoPermissions) {
                problem = kMsgPermissionsNotCarried;
            }
        }
        // The file could not be opened, locked, read to its end or changed.
        source.Reset();
        if (std::optional<FileResult> result = AskAboutFile(problem, path, ui)) {
            return *result;
        }
    }
}

char* ScratchBuffers::Read(std::size_t size) {
    if (size > readSize_) {
        read_.reset(new char[size]);
        readSize_ = size;
    }
    return read_.get();
}

namespace {

// Writes the new content of `content` (a whole file, open as `original`) to
// the temporary file beside `path`. False, with no temporary file left, when
// that fails.
bool PrepareCopy(const std::string& path, int original, std::string_view content,
                 const struct stat& status, const LineSettings& lines, ScratchBuffers& scratch,
                 LookResult& result) {
    if (::faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) != 0) {
        return false;
    }
    CopyInfo info;
    CopyStatus copy = WriteTemporaryCopy(
        path, original, status, lines, scratch,
        [content](LineProcessor& writer) {
            writer.Feed(content);
            writer.Finish();
            return 0;
        },
        info, nullptr);
    if (copy != CopyStatus::Written) {
        return false;
    }
    result.temporary = info.identity;
    result.hash = info.hash;
    result.counters = info.counters;
    return true;
}

} // namespace

LookResult LookAhead(const std::string& path, const LineSettings& lines, ScratchBuffers& scratch,
                     const std::function<bool(std::size_t bytes)>& mayPrepare,
                     PathResolver* resolver) {
    LookResult result;
    if (path.empty()) {
        result.verdict = Verdict::Unchanged;
        return result;
    }
    // Only what is to change needs the file's name below its directory; the
    // file itself is opened from the directory held open.
    int directory = AT_FDCWD;
    std::string name = path;
    if (resolver != nullptr && !resolver->Locate(path, directory, name)) {
        return result;
    }
    struct stat status {};
    FileDescriptor fd(OpenRegularFileAt(directory, name, &status));
    if (fd.get() < 0) {
        return result;
    }
    result.source = IdentityOf(status);
    result.bytes = static_cast<std::size_t>(status.st_size);
    // A file another program has locked is reported by the rewrite. The lock
    // taken here tests for that and keeps other lockers out while a small
    // file is read and copied; a large file gives it up at once, so the
    // rewrite of a hard link of the same file never finds it taken for long.
    if (::flock(fd.get(), LOCK_EX | LOCK_NB) != 0) {
        return result;
    }
    if (static_cast<std::size_t>(status.st_size) >= kReadChunk) {
        ::flock(fd.get(), LOCK_UN);
    }
    // Most files are read in one call of their own size.
    std::size_t want = static_cast<std::size_t>(status.st_size);
    if (want == 0 || want > kReadChunk) {
        want = kReadChunk;
    }
    char* buffer = scratch.Read(kReadChunk);
    long n = ReadFully(fd.get(), buffer, want);
    if (n < 0 || !LooksLikeText(std::string_view(buffer, static_cast<std::size_t>(n)))) {
        return result;
    }
    std::string_view first(buffer, static_cast<std::size_t>(n));
    bool whole =
        status.st_size < static_cast<off_t>(kReadChunk) && static_cast<off_t>(n) == status.st_size;
    LineProcessor look(lines, nullptr);
    look.Feed(first);
    if (!whole) {
        while (!look.Done()) {
            n = ReadFully(fd.get(), buffer, kReadChunk);
            if (n < 0) {
                return result;
            }
            if (n == 0) {
                break;
            }
            look.Feed(std::string_view(buffer, static_cast<std::size_t>(n)));
        }
    }
    look.Finish();
    if (look.counters().failedPair >= 0) {
        return result; // the rewrite reports it
    }
    if (!look.counters().Changed()) {
        result.verdict = Verdict::Unchanged;
        result.counters = look.counters();
        return result;
    }
    // A small file read whole can be copied from what is in memory.
    std::string reach;
    if (whole && mayPrepare && mayPrepare(result.bytes) && Reach(resolver, path, reach) &&
        PrepareCopy(reach, fd.get(), first, status, lines, scratch, result)) {
        result.verdict = Verdict::Prepared;
    }
    return result;
}

void DiscardPrepared(const std::string& path, const LookResult& prepared, PathResolver* resolver) {
    std::string reach;
    if (!Reach(resolver, path, reach)) {
        return;
    }
    const std::string temporaryName = TemporaryNameOf(reach);
    FileIdentity copy;
    // The same inode number alone is not enough: it is reused as soon as a
    // file is deleted.
    if (RegularFileIdentity(temporaryName, copy) && copy == prepared.temporary) {
        ::unlink(temporaryName.c_str());
    }
}

FileResult CommitPrepared(const std::string& path, const LookResult& prepared,
                          RewriteContext& context) {
    // The prepared copy stands only if nothing has happened to the file or to
    // the copy since: same file, same content, not locked by anyone now.
    // Committing checks both right before the renames; a question about the
    // file is asked only once they are known to hold.
    std::string reach;
    struct stat status {};
    FileDescriptor source(Reach(context.resolver, path, reach) ? OpenAndLock(reach, status) : -1);
    FileIdentity copyNow;
    if (source.get() < 0 ||
        (context.confirm && (!(IdentityOf(status) == prepared.source) ||
                             !RegularFileIdentity(TemporaryNameOf(reach), copyNow) ||
                             !(copyNow == prepared.temporary)))) {
        source.Reset();
        DiscardPrepared(path, prepared, context.resolver);
        return RewriteFile(path, context);
    }
    CopyInfo copy;
    copy.identity = prepared.temporary;
    copy.hash = prepared.hash;
    copy.counters = prepared.counters;
    switch (CommitCopy(path, reach, source.get(), prepared.source, copy, -1, context)) {
    case Commit::Done:
        return FileResult::Committed;
    case Commit::Declined:
        return FileResult::Unchanged;
    case Commit::EndRun:
        return FileResult::EndRun;
    default:
        // Changed meanwhile, or open elsewhere: done in full, with its
        // questions.
        source.Reset();
        DiscardPrepared(path, prepared, context.resolver);
        return RewriteFile(path, context);
    }
}
