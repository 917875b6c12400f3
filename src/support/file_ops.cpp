#include "file_ops.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#ifndef RENAME_NOREPLACE
#define RENAME_NOREPLACE (1 << 0)
#endif

bool FileIdentity::operator==(const FileIdentity& other) const {
    return SameFile(other) && size == other.size && modified.tv_sec == other.modified.tv_sec &&
           modified.tv_nsec == other.modified.tv_nsec && changed.tv_sec == other.changed.tv_sec &&
           changed.tv_nsec == other.changed.tv_nsec;
}

FileIdentity IdentityOf(const struct stat& status) {
    FileIdentity identity;
    identity.device = status.st_dev;
    identity.inode = status.st_ino;
    identity.size = status.st_size;
    identity.modified = status.st_mtim;
    identity.changed = status.st_ctim;
    return identity;
}

bool RegularFileIdentity(const std::string& path, FileIdentity& identity) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) {
        return false;
    }
    identity = IdentityOf(st);
    return true;
}

std::string TemporaryNameOf(const std::string& path) {
    return path + std::string(kTemporarySuffix);
}

std::string BackupNameOf(const std::string& path) {
    return path + std::string(kBackupSuffix);
}

bool EndsWith(std::string_view text, std::string_view suffix) {
    return text.size() >= suffix.size() && text.substr(text.size() - suffix.size()) == suffix;
}

bool IsOwnFileName(std::string_view name) {
    return EndsWith(name, kTemporarySuffix) || EndsWith(name, kBackupSuffix);
}

std::string DirectoryOf(const std::string& path) {
    std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? "/" : path.substr(0, slash);
}

int RenameNoReplace(const std::string& from, const std::string& to) {
    if (::syscall(SYS_renameat2, AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) ==
        0) {
        return 0;
    }
    int error = errno;
    if (error != EINVAL && error != ENOSYS && error != EOPNOTSUPP) {
        return error;
    }
    // The file system cannot rename without replacing: a hard link fails when
    // the target exists, so it never replaces anything either.
    if (::link(from.c_str(), to.c_str()) == 0) {
        if (::unlink(from.c_str()) != 0) {
            int unlinkError = errno;
            ::unlink(to.c_str());
            return unlinkError;
        }
        return 0;
    }
    error = errno;
    if (error != EPERM && error != EOPNOTSUPP) {
        return error;
    }
    // No hard links either: check, then rename.
    if (PathExists(to)) {
        return EEXIST;
    }
    return std::rename(from.c_str(), to.c_str()) == 0 ? 0 : errno;
}

int OpenRegularFile(const std::string& path, struct stat* status, LinkPolicy links) {
    return OpenRegularFileAt(AT_FDCWD, path, status, links);
}

int OpenRegularFileAt(int directory, const std::string& path, struct stat* status,
                      LinkPolicy links) {
    // O_NONBLOCK keeps a FIFO or device from hanging the open; on the regular
    // file that remains it changes nothing. Reading a file that is then left
    // unchanged should not change its access time either (O_NOATIME, allowed
    // for the file's owner).
    int flags =
        O_RDONLY | O_NONBLOCK | O_CLOEXEC | (links == LinkPolicy::NoFollow ? O_NOFOLLOW : 0);
    int fd = ::openat(directory, path.c_str(), flags | O_NOATIME);
    if (fd < 0 && errno == EPERM) {
        fd = ::openat(directory, path.c_str(), flags);
    }
    if (fd < 0) {
        return -1;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        errno = EINVAL;
        return -1;
    }
    if (status != nullptr) {
        *status = st;
    }
    return fd;
}

long ReadFully(int fd, char* buffer, std::size_t size) {
    std::size_t done = 0;
    while (done < size) {
        ssize_t n = ::read(fd, buffer + done, size - done);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return -1;
        }
        if (n == 0) {
            break;
        }
        done += static_cast<std::size_t>(n);
    }
    return static_cast<long>(done);
}

bool WriteFully(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        if (n == 0) {
            errno = EIO;
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

bool PathExists(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0;
}

int FlushFileSystemOf(const std::string& directory) {
    FileDescriptor fd(::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (fd.get() < 0 || ::syncfs(fd.get()) != 0) {
        return errno;
    }
    return 0;
}

void FileDescriptor::Reset(int fd) {
    if (fd_ >= 0) {
        ::close(fd_);
    }
    fd_ = fd;
}

bool FileDescriptor::Close() {
    int fd = fd_;
    fd_ = -1;
    return fd < 0 || ::close(fd) == 0;
}
