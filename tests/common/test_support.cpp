#include "test_support.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <linux/fs.h>
#include <stdexcept>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utime.h>

namespace testing_support {

std::string IsolateEnvironment() {
    std::string base = "/tmp/quintrel-test-XXXXXX";
    if (::mkdtemp(base.data()) == nullptr) {
        return {};
    }
    ::chmod(base.c_str(), 0755); // tests that drop privileges must reach their files
    std::string config = base + "/config";
    std::string tmp = base + "/tmp";
    MakeDirs(config);
    MakeDirs(tmp);
    ::setenv("XDG_CONFIG_HOME", config.c_str(), 1);
    ::setenv("TMPDIR", tmp.c_str(), 1);
    return base;
}

TempDir::TempDir() {
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/qt-test-XXXXXX";
    if (::mkdtemp(pattern.data()) == nullptr) {
        throw std::runtime_error("mkdtemp failed");
    }
    path_ = pattern;
}

TempDir::~TempDir() {
    RemoveTree(path_);
}

std::string TempDir::operator/(std::string_view relative) const {
    return path_ + "/" + std::string(relative);
}

void MakeDirs(const std::string& path) {
    std::size_t pos = 0;
    while (true) {
        pos = path.find('/', pos + 1);
        std::string prefix = path.substr(0, pos);
        if (!prefix.empty()) {
            ::mkdir(prefix.c_str(), 0777);
        }
        if (pos == std::string::npos) {
            return;
        }
    }
}

void WriteFile(const std::string& path, std::string_view content) {
    std::size_t slash = path.rfind('/');
    if (slash != std::string::npos && slash > 0) {
        MakeDirs(path.substr(0, slash));
    }
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) {
        throw std::runtime_error("cannot write " + path);
    }
    std::size_t done = 0;
    while (done < content.size()) {
        ssize_t n = ::write(fd, content.data() + done, content.size() - done);
        if (n <= 0) {
            ::close(fd);
            throw std::runtime_error("write failed " + path);
        }
        done += static_cast<std::size_t>(n);
    }
    ::close(fd);
}

std::string ReadFile(const std::string& path) {
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        throw std::runtime_error("cannot read " + path);
    }
    std::string content;
    char buffer[65536];
    while (true) {
        ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0) {
            ::close(fd);
            throw std::runtime_error("read failed " + path);
        }
        if (n == 0) {
            break;
        }
        content.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(fd);
    return content;
}

bool Exists(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0;
}

void RemoveTree(const std::string& path) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0) {
        return;
    }
    if (S_ISDIR(st.st_mode)) {
        ::chmod(path.c_str(), 0700);
        if (DIR* dir = ::opendir(path.c_str())) {
            std::vector<std::string> names;
            while (dirent* e = ::readdir(dir)) {
                std::string name = e->d_name;
                if (name != "." && name != "..") {
                    names.push_back(name);
                }
            }
            ::closedir(dir);
            for (const auto& name : names) {
                RemoveTree(path + "/" + name);
            }
        }
        ::rmdir(path.c_str());
    } else {
        ::unlink(path.c_str());
    }
}

void SetModificationTime(const std::string& path, time_t seconds) {
    struct utimbuf times {};
    times.actime = seconds;
    times.modtime = seconds;
    if (::utime(path.c_str(), &times) != 0) {
        throw std::runtime_error("utime failed " + path);
    }
}

std::vector<std::string> ReadLines(const std::string& path) {
    std::string content = ReadFile(path);
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < content.size()) {
        std::size_t end = content.find('\n', start);
        if (end == std::string::npos) {
            end = content.size();
        }
        std::string line = content.substr(start, end - start);
        while (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        lines.push_back(line);
        start = end + 1;
    }
    return lines;
}

namespace {
void Collect(const std::string& root, const std::string& relative, std::vector<std::string>& out) {
    std::string dirPath = relative.empty() ? root : root + "/" + relative;
    DIR* dir = ::opendir(dirPath.c_str());
    if (dir == nullptr) {
        return;
    }
    std::vector<std::string> names;
    while (dirent* e = ::readdir(dir)) {
        std::string name = e->d_name;
        if (name != "." && name != "..") {
            names.push_back(name);
        }
    }
    ::closedir(dir);
    for (const auto& name : names) {
        std::string rel = relative.empty() ? name : relative + "/" + name;
        struct stat st {};
        if (::lstat((root + "/" + rel).c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
            Collect(root, rel, out);
        } else {
            out.push_back(rel);
        }
    }
}
} // namespace

std::vector<std::string> ListTree(const std::string& root) {
    std::vector<std::string> out;
    Collect(root, "", out);
    std::sort(out.begin(), out.end());
    return out;
}

namespace {
bool SetImmutable(const std::string& path, bool on) {
    int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    int flags = 0;
    bool ok = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
    flags = on ? flags | FS_IMMUTABLE_FL : flags & ~FS_IMMUTABLE_FL;
    ok = ok && ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
    ::close(fd);
    return ok;
}
} // namespace

ImmutableFile::ImmutableFile(std::string path) : path_(std::move(path)) {
    ok_ = SetImmutable(path_, true);
}

ImmutableFile::~ImmutableFile() {
    if (ok_) {
        SetImmutable(path_, false);
    }
}

} // namespace testing_support
