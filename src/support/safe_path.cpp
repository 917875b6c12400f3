#include "safe_path.h"

#include "velmor_strings.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <linux/openat2.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace {

bool ProcReachable() {
    static const bool reachable = ::access("/proc/self/fd", X_OK) == 0;
    return reachable;
}

} // namespace

int OpenDirectoryBeneath(int root, const std::string& relative) {
    if (relative.empty()) {
        return ::fcntl(root, F_DUPFD_CLOEXEC, 0);
    }
    open_how how{};
    how.flags = O_RDONLY | O_DIRECTORY | O_CLOEXEC;
    how.resolve = RESOLVE_NO_SYMLINKS | RESOLVE_NO_MAGICLINKS | RESOLVE_BENEATH;
    long fd = ::syscall(SYS_openat2, root, relative.c_str(), &how, sizeof how);
    if (fd >= 0 || errno != ENOSYS) {
        return static_cast<int>(fd);
    }
    // Without openat2: one component at a time, none of them a link.
    FileDescriptor current(::fcntl(root, F_DUPFD_CLOEXEC, 0));
    for (const std::string& part : SplitAt(relative, '/')) {
        if (part.empty() || part == ".") {
            continue;
        }
        if (part == ".." || current.get() < 0) {
            errno = part == ".." ? EXDEV : errno;
            return -1;
        }
        current.Reset(
            ::openat(current.get(), part.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    }
    int result = current.get();
    current.Release();
    return result;
}

PathResolver::PathResolver(const std::vector<std::string>& roots) {
    for (const std::string& path : roots) {
        auto fd = std::make_shared<FileDescriptor>(
            ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        if (fd->get() >= 0) {
            roots_.push_back({path, std::move(fd)});
        } else {
            // A root that cannot be opened leaves nothing below it reachable.
            roots_.push_back({path, nullptr});
        }
    }
    std::sort(roots_.begin(), roots_.end(),
              [](const Root& a, const Root& b) { return a.path.size() > b.path.size(); });
}

PathResolver::PathResolver(const PathResolver& other) : roots_(other.roots_) {}

std::vector<std::string> PathResolver::Roots() const {
    std::vector<std::string> paths;
    for (const Root& root : roots_) {
        paths.push_back(root.path);
    }
    return paths;
}

bool PathResolver::Locate(const std::string& path, int& directory, std::string& name) {
    std::string reach;
    if (!Reach(path, reach)) {
        return false;
    }
    if (reach == path) {
        directory = AT_FDCWD;
        name = path;
    } else {
        directory = cachedFd_.get();
        name = path.substr(path.rfind('/') + 1);
    }
    return true;
}

bool PathResolver::Reach(const std::string& path, std::string& reach) {
    const std::string directory = DirectoryOf(path);
    const std::string name = path.substr(path.rfind('/') + 1);
    const Root* below = nullptr;
    for (const Root& root : roots_) {
        const std::string& prefix = root.path;
        if (directory == prefix ||
            (directory.size() > prefix.size() && directory.compare(0, prefix.size(), prefix) == 0 &&
             (prefix == "/" || directory[prefix.size()] == '/'))) {
            below = &root;
            break;
        }
    }
    if (below == nullptr || !ProcReachable()) {
        reach = path;
        return true;
    }
    if (directory != cachedDirectory_ || cachedFd_.get() < 0) {
        cachedDirectory_.clear();
        if (below->fd == nullptr) {
            cachedFd_.Reset();
            errno = ENOENT;
            return false;
        }
        std::string relative = directory.substr(below->path.size());
        while (!relative.empty() && relative.front() == '/') {
            relative.erase(0, 1);
        }
        cachedFd_.Reset(OpenDirectoryBeneath(below->fd->get(), relative));
        if (cachedFd_.get() < 0) {
            return false;
        }
        cachedDirectory_ = directory;
    }
    reach = "/proc/self/fd/" + std::to_string(cachedFd_.get()) + "/" + name;
    return true;
}
