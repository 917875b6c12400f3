#include "file_systems.h"

#include "tool_process.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <linux/loop.h>
#include <linux/types.h>
#include <sched.h>
#include <sys/ioctl.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace reliability {

namespace {

// The ext4 shutdown request and its "the log is not flushed either" mode,
// as the kernel defines them.
constexpr unsigned long kShutdown = _IOR('X', 125, __u32);
constexpr __u32 kShutdownNoLogFlush = 0x2;

std::string Because(const std::string& what) {
    return what + ": " + std::strerror(errno);
}

std::string FindProgram(const std::string& name) {
    for (const char* directory : {"/usr/sbin/", "/sbin/", "/usr/bin/", "/bin/"}) {
        const std::string path = directory + name;
        if (::access(path.c_str(), X_OK) == 0) {
            return path;
        }
    }
    return {};
}

} // namespace

bool PrivateMounts(std::string* why) {
    static const std::string problem = []() -> std::string {
        if (::unshare(CLONE_NEWNS) != 0) {
            return Because("no mount namespace of its own (unshare)");
        }
        if (::mount("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) {
            return Because("the mounts cannot be made private");
        }
        return {};
    }();
    if (why != nullptr) {
        *why = problem;
    }
    return problem.empty();
}

TmpfsMount::TmpfsMount(std::string directory, long long bytes) : directory_(std::move(directory)) {
    if (!PrivateMounts(&problem_)) {
        return;
    }
    ::mkdir(directory_.c_str(), 0755);
    const std::string options = "size=" + std::to_string(bytes);
    if (::mount("tmpfs", directory_.c_str(), "tmpfs", 0, options.c_str()) != 0) {
        problem_ = Because("no tmpfs can be mounted");
    }
}

TmpfsMount::~TmpfsMount() {
    if (ok() && ::umount2(directory_.c_str(), 0) != 0) {
        ::umount2(directory_.c_str(), MNT_DETACH);
    }
}

LoopExt4::LoopExt4(std::string image, long long bytes, std::string directory,
                   const std::vector<std::string>& mkfsOptions, const std::string& mountOptions)
    : image_(std::move(image)), directory_(std::move(directory)), mountOptions_(mountOptions) {
    if (!PrivateMounts(&problem_)) {
        return;
    }
    const std::string mkfs = FindProgram("mkfs.ext4");
    if (mkfs.empty()) {
        problem_ = "mkfs.ext4 is not installed (Debian package e2fsprogs)";
        return;
    }
    int fd = ::open(image_.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0 || ::ftruncate(fd, bytes) != 0) {
        problem_ = Because("the image file cannot be made");
        if (fd >= 0) {
            ::close(fd);
        }
        return;
    }
    ::close(fd);
    std::vector<std::string> argv = {mkfs, "-q", "-F"};
    argv.insert(argv.end(), mkfsOptions.begin(), mkfsOptions.end());
    argv.push_back(image_);
    ToolResult made = RunProgram(argv);
    if (made.status != 0) {
        problem_ = "mkfs.ext4 failed: " + made.err;
        return;
    }
    ::mkdir(directory_.c_str(), 0755);
    if (Attach()) {
        Mount();
    }
}

bool LoopExt4::Attach() {
    int control = ::open("/dev/loop-control", O_RDWR | O_CLOEXEC);
    if (control < 0) {
        problem_ = Because("no loop devices here (/dev/loop-control)");
        return false;
    }
    int image = ::open(image_.c_str(), O_RDWR | O_CLOEXEC);
    // Other tests may take a free device at the same moment: a few tries.
    for (int attempt = 0; attempt < 20 && loop_ < 0; ++attempt) {
        int number = ::ioctl(control, LOOP_CTL_GET_FREE);
        if (number < 0) {
            problem_ = Because("no free loop device");
            break;
        }
        device_ = "/dev/loop" + std::to_string(number);
        int fd = ::open(device_.c_str(), O_RDWR | O_CLOEXEC);
        if (fd < 0 && errno == ENOENT &&
            ::mknod(device_.c_str(), S_IFBLK | 0600, makedev(7, static_cast<unsigned>(number))) ==
                0) {
            fd = ::open(device_.c_str(), O_RDWR | O_CLOEXEC);
        }
        if (fd < 0) {
            problem_ = Because("the loop device " + device_ + " cannot be opened");
            break;
        }
        // Detached by itself once unmounted and closed, even if this process
        // dies first.
        loop_config config{};
        config.fd = static_cast<__u32>(image);
        config.info.lo_flags = LO_FLAGS_AUTOCLEAR;
        if (::ioctl(fd, LOOP_CONFIGURE, &config) == 0) {
            loop_ = fd;
            problem_.clear();
            break;
        }
        problem_ = Because("the loop device " + device_ + " cannot be set up");
        ::close(fd);
        if (errno != EBUSY) {
            break;
        }
    }
    ::close(image);
    ::close(control);
    return loop_ >= 0;
}

bool LoopExt4::Mount() {
    if (::mount(device_.c_str(), directory_.c_str(), "ext4", 0,
                mountOptions_.empty() ? nullptr : mountOptions_.c_str()) != 0) {
        problem_ = Because("ext4 cannot be mounted from " + device_);
        return false;
    }
    mounted_ = true;
    return true;
}

bool LoopExt4::CommitJournal() {
    int fd = ::open(directory_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    bool done = fd >= 0 && ::fsync(fd) == 0;
    if (fd >= 0) {
        ::close(fd);
    }
    return done;
}

bool LoopExt4::CutPower() {
    int fd = ::open(directory_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    __u32 flags = kShutdownNoLogFlush;
    bool done = fd >= 0 && ::ioctl(fd, kShutdown, &flags) == 0;
    if (fd >= 0) {
        ::close(fd);
    }
    return done;
}

bool LoopExt4::Remount() {
    if (mounted_ && ::umount2(directory_.c_str(), 0) != 0) {
        problem_ = Because("cannot unmount " + directory_);
        return false;
    }
    mounted_ = false;
    return Mount();
}

LoopExt4::~LoopExt4() {
    if (mounted_ && ::umount2(directory_.c_str(), 0) != 0) {
        ::umount2(directory_.c_str(), MNT_DETACH);
    }
    if (loop_ >= 0) {
        ::ioctl(loop_, LOOP_CLR_FD, 0);
        ::close(loop_);
    }
}

} // namespace reliability
