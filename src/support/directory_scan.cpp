#include "directory_scan.h"

#include "code_pages.h"
#include "file_ops.h"
#include "velmor_strings.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <set>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace {

constexpr std::size_t kMaxPathLength = 4095;
constexpr std::size_t kProgressEveryEntries = 4096;
constexpr std::size_t kOutputBufferSize = 256 * 1024;
constexpr std::size_t kEntryBufferSize = 64 * 1024;
// How deep directories are held open while their subdirectories are scanned.
constexpr std::size_t kHeldDirectories = 64;

std::size_t CharLength(std::string_view text) {
    char32_t cp = 0;
    int length = DecodeUtf8(text, cp);
    return length > 0 ? static_cast<std::size_t>(length) : 1;
}

// Writes the list file through a large buffer; remembers the first error.
class ListWriter {
public:
    explicit ListWriter(int fd) : fd_(fd) { buffer_.reserve(kOutputBufferSize); }

    void Add(std::string_view path) {
        buffer_.append(path);
        buffer_ += '\n';
        if (buffer_.size() >= kOutputBufferSize) {
            Flush();
        }
    }

    bool Flush() {
        if (error_ == 0 && !WriteFully(fd_, buffer_)) {
            error_ = errno;
        }
        buffer_.clear();
        return error_ == 0;
    }

    int error() const { return error_; }

private:
    int fd_;
    int error_ = 0;
    std::string buffer_;
};

struct Entry {
    std::string name;
    unsigned char type;
    ino_t inode;
};

class Scanner {
public:
    Scanner(ScanRequest& request, ListWriter& writer) : request_(request), writer_(writer) {
        for (const std::string& pattern : SplitAt(request.files, '\t')) {
            if (!pattern.empty()) {
                patterns_.push_back(pattern);
            }
        }
        for (const std::string& file : request.excludedFiles) {
            struct stat st {};
            if (!file.empty() && ::stat(file.c_str(), &st) == 0) {
                excluded_.insert({st.st_dev, st.st_ino});
            }
        }
    }

    bool SetCompareTime() {
        if ((request_.flags & (ScanNewerOrEqual | ScanOlder)) == 0) {
            return true;
        }
        if (request_.compare == nullptr) {
            return false;
        }
        return DateTimeStruct_To_TimeT(*request_.compare, compareTime_);
    }

    // Scans one listed directory (and, with ScanSubdirs, everything below it).
    // False when the scan was stopped or the list file failed.
    bool ScanListed(const std::string& directory) {
        // A directory with subdirectories stays open while they are scanned
        // (up to a depth), so each is opened by its name in it rather than
        // by a path the system walks again from the start.
        struct Frame {
            std::string path;
            std::vector<std::string> subdirs;
            std::size_t next = 0;
            std::unique_ptr<FileDescriptor> fd;
        };
        std::vector<Frame> stack;
        std::vector<std::string> subdirs;
        auto held = std::make_unique<FileDescriptor>();
        if (!ScanOne(directory, nullptr, true, subdirs, *held)) {
            return false;
        }
        if ((request_.flags & ScanSubdirs) == 0) {
            return true;
        }
        stack.push_back({directory, std::move(subdirs), 0, std::move(held)});
        while (!stack.empty()) {
            Frame& top = stack.back();
            if (top.next >= top.subdirs.size()) {
                stack.pop_back();
                continue;
            }
            const std::string& name = top.subdirs[top.next++];
            std::string child = JoinPath(top.path, name);
            const DirectoryIn parent{top.fd->get(), name};
            std::vector<std::string> childSubdirs;
            auto childFd = std::make_unique<FileDescriptor>();
            if (!ScanOne(child, &parent, false, childSubdirs, *childFd)) {
                return false;
            }
            if (!childSubdirs.empty()) {
                if (stack.size() >= kHeldDirectories) {
                    childFd->Reset();
                }
                stack.push_back({std::move(child), std::move(childSubdirs), 0, std::move(childFd)});
            }
        }
        return true;
    }

    bool stopped() const { return stopped_; }

private:
    static std::string JoinPath(const std::string& directory, std::string_view name) {
        std::string path = directory;
        if (path.empty() || path.back() != '/') {
            path += '/';
        }
        path += name;
        return path;
    }

    bool Progress(const std::string& directory) {
        if (request_.progress && !request_.progress(directory)) {
            stopped_ = true;
            return false;
        }
        return true;
    }

    bool Matches(std::string_view name) const {
        for (const std::string& pattern : patterns_) {
            if (WildcardMatch(pattern, name)) {
                return true;
            }
        }
        return false;
    }

    // A directory as a name in its open parent directory.
    struct DirectoryIn {
        int parent; // -1: not open
        const std::string& name;
    };

    // Lists the files of one directory and gives its subdirectories (sorted).
    // A directory already entered, or one that cannot be opened, gives nothing.
    // `in` (optional) names the directory in its parent; `keep` receives the
    // directory open when it has subdirectories.
    bool ScanOne(const std::string& path, const DirectoryIn* in, bool listed,
                 std::vector<std::string>& subdirs, FileDescriptor& keep) {
        if (!Progress(path)) {
            return false;
        }
        if (path.size() > kMaxPathLength) {
            request_.unreadable.push_back(path);
            return true;
        }
        int flags = O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NONBLOCK;
        if (!listed) {
            flags |= O_NOFOLLOW;
        }
        int fd = in != nullptr && in->parent >= 0 ? ::openat(in->parent, in->name.c_str(), flags)
                                                  : ::open(path.c_str(), flags);
        if (fd < 0) {
            // A subdirectory that vanished since it was listed is no loss.
            if (listed || errno != ENOENT) {
                request_.unreadable.push_back(path);
            }
            return true;
        }
        struct stat dirStat {};
        if (::fstat(fd, &dirStat) != 0 ||
            !visited_.insert({dirStat.st_dev, dirStat.st_ino}).second) {
            ::close(fd);
            return true;
        }
        // The entries are read straight into a buffer kept from directory to
        // directory: a directory stream would cost an allocation and two
        // more system calls for each directory.
        FileDescriptor dir(fd);
        std::vector<Entry> entries;
        std::size_t seen = 0;
        while (true) {
            char* buffer = reinterpret_cast<char*>(entryBuffer_.data());
            long n = ::getdents64(fd, buffer, kEntryBufferSize);
            if (n < 0 && errno == EINTR) {
                continue;
            }
            if (n < 0) {
                // Read only in part: what was read is listed, the rest is not.
                request_.unreadable.push_back(path);
                break;
            }
            if (n == 0) {
                break;
            }
            for (long at = 0; at < n;) {
                const auto* entry = reinterpret_cast<const dirent64*>(buffer + at);
                at += entry->d_reclen;
                std::string_view name = entry->d_name;
                if (name == "." || name == "..") {
                    continue;
                }
                entries.push_back({std::string(name), entry->d_type, entry->d_ino});
                if (++seen % kProgressEveryEntries == 0 && !Progress(path)) {
                    return false;
                }
            }
        }
        std::sort(entries.begin(), entries.end(),
                  [](const Entry& a, const Entry& b) { return a.name < b.name; });
        int dirFd = fd;
        for (const Entry& entry : entries) {
            unsigned char type = entry.type;
            struct stat st {};
            bool haveStat = false;
            if (type == DT_UNKNOWN) {
                if (::fstatat(dirFd, entry.name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
                    continue;
                }
                haveStat = true;
                type = S_ISDIR(st.st_mode) ? DT_DIR : S_ISREG(st.st_mode) ? DT_REG : DT_LNK;
            }
            if (type == DT_DIR) {
                subdirs.push_back(entry.name);
                continue;
            }
            if (type != DT_REG || !Matches(entry.name) || IsOwnFileName(entry.name) ||
                static_cast<unsigned char>(entry.name.back()) <= 0x20) {
                continue;
            }
            std::string filePath = JoinPath(path, entry.name);
            if (filePath.size() > kMaxPathLength || filePath.find('\n') != std::string::npos) {
                continue;
            }
            bool needStat = (request_.flags & (ScanNewerOrEqual | ScanOlder)) != 0 ||
                            IsExcludedCandidate(entry.inode);
            if (needStat && !haveStat) {
                if (::fstatat(dirFd, entry.name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0 ||
                    !S_ISREG(st.st_mode)) {
                    continue;
                }
                haveStat = true;
            }
            if (haveStat && excluded_.count({st.st_dev, st.st_ino}) != 0) {
                continue;
            }
            if ((request_.flags & ScanNewerOrEqual) != 0 && st.st_mtim.tv_sec < compareTime_) {
                continue;
            }
            if ((request_.flags & ScanOlder) != 0 && st.st_mtim.tv_sec >= compareTime_) {
                continue;
            }
            writer_.Add(filePath);
            if (request_.listed) {
                request_.listed(filePath);
            }
            ++request_.filesListed;
        }
        if (!subdirs.empty()) {
            keep.Reset(dir.get());
            dir.Release();
        }
        return writer_.error() == 0;
    }

    bool IsExcludedCandidate(ino_t inode) const {
        for (const auto& [dev, ino] : excluded_) {
            if (ino == inode) {
                return true;
            }
        }
        return false;
    }

    ScanRequest& request_;
    ListWriter& writer_;
    std::vector<std::string> patterns_;
    std::set<std::pair<dev_t, ino_t>> excluded_;
    std::set<std::pair<dev_t, ino_t>> visited_;
    // The kernel's directory entries, read into 8-byte aligned memory.
    std::vector<std::uint64_t> entryBuffer_ = std::vector<std::uint64_t>(kEntryBufferSize / 8);
    std::time_t compareTime_ = 0;
    bool stopped_ = false;
};

std::string MakeAbsolute(std::string directory) {
    if (directory.empty() || directory.front() != '/') {
        char cwd[PATH_MAX];
        if (::getcwd(cwd, sizeof cwd) != nullptr) {
            std::string base = cwd;
            if (base.back() != '/') {
                base += '/';
            }
            directory = base + directory;
        }
    }
    while (directory.size() > 1 && directory.back() == '/') {
        directory.pop_back();
    }
    return directory;
}

} // namespace

std::string ScannedDirectoryPath(const std::string& directory) {
    return MakeAbsolute(directory);
}

bool WildcardMatch(std::string_view pattern, std::string_view name) {
    std::size_t p = 0;
    std::size_t n = 0;
    std::size_t starP = std::string_view::npos;
    std::size_t starN = 0;
    while (n < name.size()) {
        if (p < pattern.size() && pattern[p] == '*') {
            starP = p++;
            starN = n;
            continue;
        }
        if (p < pattern.size() && pattern[p] == '?') {
            ++p;
            n += CharLength(name.substr(n));
            continue;
        }
        if (p < pattern.size() && pattern[p] == name[n]) {
            ++p;
            ++n;
            continue;
        }
        if (starP == std::string_view::npos) {
            return false;
        }
        // Let the last star take one more character and try again.
        p = starP + 1;
        starN += CharLength(name.substr(starN));
        n = starN;
    }
    while (p < pattern.size() && pattern[p] == '*') {
        ++p;
    }
    return p == pattern.size() && n == name.size();
}

int Velmor_ScanDirectory(std::string_view directories, ScanRequest& request, int reserved,
                         const std::string& listFile, int reserved2) {
    return Velmor_ScanDirectory(SplitAt(directories, ';'), request, reserved, listFile, reserved2);
}

int Velmor_ScanDirectory(const std::vector<std::string>& directories, ScanRequest& request, int,
                         const std::string& listFile, int) {
    request.filesListed = 0;
    request.error = 0;
    int fd = ::open(listFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) {
        request.error = errno;
        return ScanFailed;
    }
    ListWriter writer(fd);
    Scanner scanner(request, writer);
    bool ok = scanner.SetCompareTime();
    if (!ok) {
        request.error = EINVAL;
    }
    for (const std::string& entry : directories) {
        if (!ok) {
            break;
        }
        if (entry.empty()) {
            continue;
        }
        ok = scanner.ScanListed(MakeAbsolute(entry));
    }
    ok = writer.Flush() && ok;
    if (writer.error() != 0) {
        request.error = writer.error();
    }
    if (::close(fd) != 0 && request.error == 0 && ok) {
        request.error = errno;
        ok = false;
    }
    if (scanner.stopped()) {
        return ScanStopped;
    }
    return ok ? ScanDone : ScanFailed;
}
