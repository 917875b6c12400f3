// Reaching a file without following a link on the way. A run lists files
// below the directories the user named (which may themselves be links); when
// it acts on a file later, a directory on the way could have been replaced by
// a link meanwhile (by anyone who may write in the tree). Every open, rename
// and delete therefore goes through the file's directory, opened from the
// named directory without following any link, and reached as
// "/proc/self/fd/N/name", so the name alone is looked up in that very
// directory.
#pragma once

#include "file_ops.h"

#include <memory>
#include <string>
#include <vector>

class PathResolver {
public:
    // `roots`: the directories (absolute, as the scan writes them) below
    // which no link is followed; each is opened now, following links as the
    // user named it. A resolver without roots reaches every path by name.
    explicit PathResolver(const std::vector<std::string>& roots = {});
    // Another resolver for another thread, sharing the roots.
    PathResolver(const PathResolver& other);
    PathResolver& operator=(const PathResolver&) = delete;

    // The name system calls use for `path`, valid until the next call. A path
    // below no root is reached as it is. False (errno set) when the path's
    // directory cannot be reached without following a link.
    bool Reach(const std::string& path, std::string& reach);

    // The same as an open directory and a name in it (both valid until the
    // next call): opening a file this way is cheaper than through its name.
    // The directory is AT_FDCWD for a path below no root.
    bool Locate(const std::string& path, int& directory, std::string& name);

    // The roots, as given.
    std::vector<std::string> Roots() const;

private:
    struct Root {
        std::string path;
        std::shared_ptr<FileDescriptor> fd;
    };
    std::vector<Root> roots_; // longest first
    std::string cachedDirectory_;
    FileDescriptor cachedFd_;
};

// Opens `relative` (a directory path, no ".." and no leading "/") below the
// open directory `root` without following a link at any component. -1 with
// errno (ELOOP for a link) when it cannot.
int OpenDirectoryBeneath(int root, const std::string& relative);
