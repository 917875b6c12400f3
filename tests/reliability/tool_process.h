// What the reliability tests share: file trees as values, and the built
// quintrel-batch run in a child process the way a fault or a crash needs it
// (as an unprivileged user, under a file size limit, or killed with SIGKILL
// at a chosen system call).
#pragma once

#include "batch_process.h"

#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <sys/types.h>
#include <vector>

namespace reliability {

// Every name below a directory (relative, "/"-separated) and what stands
// there: a file's bytes, "<dir>" for a directory, "-> target" for a link.
using Tree = std::map<std::string, std::string>;

inline const std::string kDirectory = "<dir>";

Tree Snapshot(const std::string& root);
// The names whose content differs between two trees, one a line (empty when
// the trees are equal): readable where a content is large.
std::string Difference(const Tree& actual, const Tree& expected);
// Creates the files of `tree` (and their directories) below `root`.
void MakeTree(const std::string& root, const Tree& tree);
// Removes everything below `root` and gives it the files of `tree`.
void ResetTree(const std::string& root, const Tree& tree);

// The account tests that run as root drop to, to meet permission faults.
inline constexpr uid_t kUnprivileged = 65534;
bool RunningAsRoot();

// The quintrel-batch the tests run: the one built with them, unless
// QUINTREL_BATCH_UNDER_TEST names another build of it (to see which faults
// that build has).
const std::string& ToolPath();

struct ToolSetup {
    std::string cwd;
    bool unprivileged = false;            // as kUnprivileged (when the test runs as root)
    long long fileSizeLimit = -1;         // RLIMIT_FSIZE in bytes; -1: none
    long long addressSpaceLimit = -1;     // RLIMIT_AS in bytes; -1: none
    unsigned watchdogSeconds = 0;         // ended by SIGALRM after that long; 0: never
    bool terminal = false;                // standard input is a pseudo-terminal
    std::vector<std::string> environment; // NAME=value, added
};

using ToolResult = BatchResult;

// The child process setup that `setup` asks for.
BatchProcess::Setup ProcessSetup(const ToolSetup& setup);

// Runs quintrel-batch to its end, standard input empty.
ToolResult RunTool(const std::vector<std::string>& args, const ToolSetup& setup = {});

// Runs another program (argv[0] a full path) to its end; status 121 when it
// cannot be started.
ToolResult RunProgram(const std::vector<std::string>& argv);

// Runs quintrel-batch under ptrace and kills it with SIGKILL as it enters
// its `killAt`-th system call of those that read directories or create,
// write, flush, rename or delete files (0: never). The killed call is not
// carried out.
struct KillRun {
    bool traced = false; // false: the system does not allow tracing here
    long counted = 0;    // such system calls entered (up to the kill)
    bool killed = false;
};
KillRun RunAndKillAt(const std::vector<std::string>& args, const std::string& cwd, long killAt);

// Runs quintrel-batch under ptrace to its end and records, in order, its
// system calls that flush file systems or files, rename or delete names, with
// the path each names first (empty for the flushes). Empty when tracing is
// not allowed here.
struct SystemCall {
    std::string name; // "syncfs", "fsync", "fdatasync", "rename", "unlink"
    std::string path;
};
std::vector<SystemCall> RecordSystemCalls(const std::vector<std::string>& args,
                                          const std::string& cwd, bool* traced);

// A system call a traced tool is about to make: it has not run yet, and the
// tool waits while the test looks at it or acts on the files.
struct PendingCall {
    pid_t task = 0;
    long number = 0; // SYS_...
    std::array<std::uint64_t, 6> args{};
    // The string argument `index` points to (a path).
    std::string String(int index) const;
    // What descriptor argument `index` stands for (the /proc link: a path).
    std::string DescriptorPath(int index) const;
};

enum class Next {
    Go,   // the call runs and the tool goes on
    Kill, // the tool is killed with SIGKILL before the call runs
};

struct TracedRun {
    bool traced = false; // false: the system does not allow tracing here
    bool killed = false;
    int status = -1; // the exit status; -1 when the tool did not exit normally
    int signal = 0;  // the signal that ended it, if one did
};

// Runs quintrel-batch under ptrace to its end, calling `onEntry` as any of
// its threads enters a system call (standard input, output and error are
// /dev/null). Other children of the test are left alone.
TracedRun TraceTool(const std::vector<std::string>& args, const ToolSetup& setup,
                    const std::function<Next(const PendingCall&)>& onEntry);

// The same moments without tracing: killed `microseconds` after its start.
void RunAndKillAfter(const std::vector<std::string>& args, const std::string& cwd,
                     long microseconds);

} // namespace reliability
