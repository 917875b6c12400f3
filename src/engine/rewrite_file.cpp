#include "rewrite_file.h"

#include "file_ops.h"
#include "string_table.h"

#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

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
                if (!WriteFully(fd_, bytes)) {
                    error_ = errno;
                }
                return;
            }
        }
        buffer_.append(bytes);
    }
    bool Flush() {
        if (error_ == 0 && !buffer_.empty() && !WriteFully(fd_, buffer_)) {
            error_ = errno;
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
        // Some of them are in the file already: it is cut back.
        bytes -= buffer_.size();
        buffer_.clear();
        off_t end = ::lseek(fd_, 0, SEEK_CUR);
        off_t cut = end - static_cast<off_t>(bytes);
        if (end < 0 || ::ftruncate(fd_, cut) != 0 || ::lseek(fd_, cut, SEEK_SET) != cut) {
            error_ = errno;
        }
    }
    int error() const { return error_; }

private:
    int fd_;
    int error_ = 0;
    std::string& buffer_;
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

// Opens the file and locks it against other programs that lock. A lock that
// is given up within a moment (the look ahead at a hard link of the same file
// holds one for an instant) does not count as a locked file.
int OpenAndLock(const std::string& path) {
    int fd = OpenRegularFile(path);
    if (fd < 0) {
        return -1;
    }
    for (int attempt = 0;; ++attempt) {
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0) {
            return fd;
        }
        int error = errno;
        if (error != EWOULDBLOCK || attempt >= 40) {
            ::close(fd);
            errno = error;
            return -1;
        }
        ::usleep(5000);
    }
}

// Creates the temporary file beside the file, exclusively: a leftover file of
// that name goes first, and a link planted there is never followed.
int CreateTemporaryFile(const std::string& name) {
    if (::unlink(name.c_str()) != 0 && errno != ENOENT) {
        return -1;
    }
    int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd < 0) {
        return -1;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        ::unlink(name.c_str());
        return -1;
    }
    return fd;
}

// Gives the new file the owner, group and permission bits of the old one
// where the system allows it (a script stays executable).
void CopyOwnershipAndMode(int fd, const struct stat& original) {
    if (::fchown(fd, original.st_uid, original.st_gid) != 0) {
        (void)::fchown(fd, static_cast<uid_t>(-1), original.st_gid);
    }
    (void)::fchmod(fd, original.st_mode & 07777);
}

enum class CopyStatus { Written, CannotCreate, ReadFailed, WriteFailed };

// Writes the new content of the file at `path` into its temporary file:
// `feed` gives the processor the file's bytes (0, or the errno of a failed
// read). Written: the copy is complete and closed, with the file's owner and
// mode, and `counters` are its counters; `copy` (if given) receives its
// status. Anything else leaves no temporary file.
template <typename Feed>
CopyStatus WriteTemporaryCopy(const std::string& path, const struct stat& original,
                              const LineSettings& lines, ScratchBuffers& scratch, Feed feed,
                              FileCounters& counters, struct stat* copy = nullptr) {
    const std::string temporaryName = TemporaryNameOf(path);
    FileDescriptor temporary(CreateTemporaryFile(temporaryName));
    if (temporary.get() < 0) {
        return CopyStatus::CannotCreate;
    }
    FileSink sink(temporary.get(), scratch.Write());
    LineProcessor writer(lines, &sink);
    if (feed(writer) != 0) {
        temporary.Reset();
        ::unlink(temporaryName.c_str());
        return CopyStatus::ReadFailed;
    }
    bool written = sink.Flush();
    CopyOwnershipAndMode(temporary.get(), original);
    if (copy != nullptr) {
        written = ::fstat(temporary.get(), copy) == 0 && written;
    }
    written = temporary.Close() && written;
    if (!written) {
        ::unlink(temporaryName.c_str());
        return CopyStatus::WriteFailed;
    }
    counters = writer.counters();
    return CopyStatus::Written;
}

} // namespace

namespace {
FileResult FinishRewrite(const std::string& path, const FileCounters& counters,
                         RewriteContext& context);
} // namespace

int IsTextFile(const std::string& path, RunUi& ui) {
    if (path.empty()) {
        return 1;
    }
    FileDescriptor fd(OpenRegularFile(path));
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

FileResult RewriteFile(const std::string& path, RewriteContext& context) {
    RunUi& ui = *context.ui;
    if (path.empty()) {
        return FileResult::Unchanged;
    }
    int text = IsTextFile(path, ui);
    if (text < 0) {
        return FileResult::EndRun;
    }
    if (text == 0) {
        return FileResult::Unchanged;
    }
    const std::string temporaryName = TemporaryNameOf(path);
    KeepAliveTimer timer(&ui);
    ScratchBuffers& scratch = context.scratch;
    FileCounters counters;
    while (true) {
        FileDescriptor source(OpenAndLock(path));
        int readError = 0;
        if (source.get() >= 0) {
            // First only look: a file in which nothing changes is only read.
            LineProcessor look(context.lines, nullptr);
            readError = FeedFile(source.get(), look, scratch, &timer);
            if (readError == 0 && !look.counters().Changed()) {
                return FileResult::Unchanged;
            }
        }
        struct stat original {};
        if (source.get() >= 0 && readError == 0 && ::fstat(source.get(), &original) == 0) {
            CopyStatus copy = WriteTemporaryCopy(
                path, original, context.lines, scratch,
                [&](LineProcessor& writer) {
                    return FeedFile(source.get(), writer, scratch, &timer);
                },
                counters);
            if (copy == CopyStatus::Written) {
                break;
            }
            if (copy != CopyStatus::ReadFailed) {
                source.Reset();
                ui.ShowMessage(copy == CopyStatus::CannotCreate ? kMsgCannotCreateTemp
                                                                : kMsgWriteError,
                               temporaryName);
                return FileResult::EndRun;
            }
        }
        // The file could not be opened, locked or read to its end.
        source.Reset();
        Answer answer = ui.ShowMessage(kMsgCannotOpenFile, path);
        if (answer == Answer::Cancel || answer == Answer::Abort) {
            return FileResult::EndRun;
        }
        if (answer == Answer::Ignore) {
            return FileResult::Unchanged;
        }
    }

    return FinishRewrite(path, counters, context);
}

namespace {

// The end of every rewrite: the confirmation, the file becomes its backup,
// the new content takes its name, the counters are added.
FileResult FinishRewrite(const std::string& path, const FileCounters& counters,
                         RewriteContext& context) {
    RunUi& ui = *context.ui;
    const std::string temporaryName = TemporaryNameOf(path);
    const std::string backupName = BackupNameOf(path);
    if (context.confirm) {
        Answer answer = ui.ShowMessage(kMsgConfirmFile, path);
        if (answer == Answer::Cancel) {
            return FileResult::EndRun;
        }
        if (answer == Answer::No) {
            ::unlink(temporaryName.c_str());
            return FileResult::Unchanged;
        }
    }
    // A backup left by an earlier run is the only copy of that older content:
    // it is never replaced, so the rename below fails on it.
    if (RenameNoReplace(path, backupName) != 0) {
        ui.ShowMessage(kMsgRenameError, path, backupName);
        return FileResult::EndRun;
    }
    if (RenameNoReplace(temporaryName, path) != 0) {
        // Put the old content back under its name before reporting.
        if (RenameNoReplace(backupName, path) == 0) {
            ::unlink(temporaryName.c_str());
        }
        ui.ShowMessage(kMsgRenameError, temporaryName, path);
        return FileResult::EndRun;
    }
    RunStatistics& statistics = *context.statistics;
    statistics.FilesChanged += 1;
    statistics.LinesChanged += counters.lineChanges;
    statistics.EmptyLinesRemoved += counters.emptyLinesRemoved;
    statistics.ReplacementsMade += counters.replacements;
    return FileResult::Committed;
}

} // namespace

char* ScratchBuffers::Read(std::size_t size) {
    if (size > readSize_) {
        read_.reset(new char[size]);
        readSize_ = size;
    }
    return read_.get();
}

bool FileIdentity::operator==(const FileIdentity& other) const {
    return device == other.device && inode == other.inode && size == other.size &&
           modified.tv_sec == other.modified.tv_sec && modified.tv_nsec == other.modified.tv_nsec &&
           changed.tv_sec == other.changed.tv_sec && changed.tv_nsec == other.changed.tv_nsec;
}

namespace {

FileIdentity IdentityOf(const struct stat& status) {
    FileIdentity identity;
    identity.device = status.st_dev;
    identity.inode = status.st_ino;
    identity.size = status.st_size;
    identity.modified = status.st_mtim;
    identity.changed = status.st_ctim;
    return identity;
}

// Writes the new content of `content` (a whole file) to the temporary file
// beside `path`. False, with no temporary file left, when that fails.
bool PrepareCopy(const std::string& path, std::string_view content, const struct stat& original,
                 const LineSettings& lines, ScratchBuffers& scratch, LookResult& result) {
    struct stat status {};
    CopyStatus copy = WriteTemporaryCopy(
        path, original, lines, scratch,
        [content](LineProcessor& writer) {
            writer.Feed(content);
            writer.Finish();
            return 0;
        },
        result.counters, &status);
    if (copy != CopyStatus::Written) {
        return false;
    }
    result.temporary = IdentityOf(status);
    return true;
}

} // namespace

LookResult LookAhead(const std::string& path, const LineSettings& lines, ScratchBuffers& scratch,
                     const std::function<bool(std::size_t bytes)>& mayPrepare) {
    LookResult result;
    if (path.empty()) {
        result.verdict = Verdict::Unchanged;
        return result;
    }
    struct stat status {};
    FileDescriptor fd(OpenRegularFile(path, &status));
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
    if (!look.counters().Changed()) {
        result.verdict = Verdict::Unchanged;
        return result;
    }
    // A small file read whole can be copied from what is in memory.
    if (whole && mayPrepare && mayPrepare(result.bytes) &&
        PrepareCopy(path, first, status, lines, scratch, result)) {
        result.verdict = Verdict::Prepared;
    }
    return result;
}

void DiscardPrepared(const std::string& path, const LookResult& prepared) {
    const std::string temporaryName = TemporaryNameOf(path);
    struct stat status {};
    // The same inode number alone is not enough: it is reused as soon as a
    // file is deleted.
    if (::lstat(temporaryName.c_str(), &status) == 0 && S_ISREG(status.st_mode) &&
        IdentityOf(status) == prepared.temporary) {
        ::unlink(temporaryName.c_str());
    }
}

FileResult CommitPrepared(const std::string& path, const LookResult& prepared,
                          RewriteContext& context) {
    // The prepared copy stands only if nothing has happened to the file or to
    // the copy since: same file, same content, not locked by anyone now.
    bool intact = false;
    struct stat status {};
    if (::lstat(path.c_str(), &status) == 0 && S_ISREG(status.st_mode) &&
        IdentityOf(status) == prepared.source) {
        struct stat copy {};
        const std::string temporaryName = TemporaryNameOf(path);
        if (::lstat(temporaryName.c_str(), &copy) == 0 && S_ISREG(copy.st_mode) &&
            IdentityOf(copy) == prepared.temporary) {
            FileDescriptor source(OpenAndLock(path));
            intact = source.get() >= 0;
        }
    }
    if (!intact) {
        DiscardPrepared(path, prepared);
        return RewriteFile(path, context);
    }
    return FinishRewrite(path, prepared.counters, context);
}
