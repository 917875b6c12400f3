// Real file systems for the reliability tests: a tmpfs of a chosen size, and
// an ext4 file system in an image file on a loop device that can lose its
// power (the shutdown ioctl file system test suites use) and be mounted
// again. Everything is mounted in a mount namespace of the test process's
// own, so the tool it starts sees the mounts and nothing outlives the
// process; each mount and loop device also goes with its guard.
#pragma once

#include <string>
#include <vector>

namespace reliability {

// Gives this process (and the programs it starts) mounts of its own. False,
// with the reason in `why`, where the system does not allow it.
bool PrivateMounts(std::string* why);

// A tmpfs of `bytes` mounted at `directory` until destruction.
class TmpfsMount {
public:
    TmpfsMount(std::string directory, long long bytes);
    ~TmpfsMount();
    TmpfsMount(const TmpfsMount&) = delete;
    TmpfsMount& operator=(const TmpfsMount&) = delete;
    bool ok() const { return problem_.empty(); }
    const std::string& problem() const { return problem_; }

private:
    std::string directory_;
    std::string problem_;
};

// An ext4 file system made in the image file `image` (of `bytes`, created
// sparse), attached to a free loop device and mounted at `directory`, until
// destruction. The loop device stays the same while the guard lives, so
// device numbers recorded before a remount still hold.
class LoopExt4 {
public:
    LoopExt4(std::string image, long long bytes, std::string directory,
             const std::vector<std::string>& mkfsOptions = {},
             const std::string& mountOptions = {});
    ~LoopExt4();
    LoopExt4(const LoopExt4&) = delete;
    LoopExt4& operator=(const LoopExt4&) = delete;
    bool ok() const { return problem_.empty(); }
    const std::string& problem() const { return problem_; }
    const std::string& root() const { return directory_; }

    // The journal commits what the file system has done so far, as it does
    // by itself every few seconds; file contents that wait in memory for
    // their delayed writing stay there.
    bool CommitJournal();
    // The power goes now: the file system stops reaching its disk, and what
    // it had not written is lost (EXT4_IOC_SHUTDOWN, no log flush).
    bool CutPower();
    // Unmounts and mounts the same device again (the journal is replayed).
    bool Remount();

private:
    bool Attach();
    bool Mount();

    std::string image_;
    std::string directory_;
    std::string mountOptions_;
    std::string device_;
    int loop_ = -1;
    bool mounted_ = false;
    std::string problem_;
};

} // namespace reliability
