// File operations the rewriting, commit and undo share.
#pragma once

#include <string>
#include <string_view>
#include <sys/stat.h>

// Renames `from` to `to` but never replaces an existing `to`. Uses the
// kernel's no-replace rename, or a hard link and unlink where the file system
// lacks it. Returns 0 or an errno value.
int RenameNoReplace(const std::string& from, const std::string& to);

// Opens a file for reading the way the run does: never through a link, never
// blocking on a FIFO or device; the result must be a regular file. Returns
// the descriptor or -1 with errno set; `status` receives the file's status.
int OpenRegularFile(const std::string& path, struct stat* status = nullptr);

// Reads up to `size` bytes at the current position, retrying interrupted and
// short reads. Returns the number read, or -1 with errno set.
long ReadFully(int fd, char* buffer, std::size_t size);

// Writes all of `bytes`; false with errno set on failure.
bool WriteFully(int fd, std::string_view bytes);

// True when something (a file, link, directory...) stands at `path`.
bool PathExists(const std::string& path);
