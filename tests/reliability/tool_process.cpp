#include "tool_process.h"

#include "test_support.h"

#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <functional>
#include <grp.h>
#include <set>
#include <stdexcept>
#include <sys/ptrace.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

namespace reliability {

namespace {

void Check(bool ok, const std::string& what) {
    if (!ok) {
        throw std::runtime_error(what + ": " + std::strerror(errno));
    }
}

void SnapshotInto(const std::string& root, const std::string& relative, Tree& tree) {
    const std::string directory = relative.empty() ? root : root + "/" + relative;
    DIR* dir = ::opendir(directory.c_str());
    Check(dir != nullptr, "opendir " + directory);
    std::vector<std::string> names;
    while (dirent* entry = ::readdir(dir)) {
        std::string name = entry->d_name;
        if (name != "." && name != "..") {
            names.push_back(name);
        }
    }
    ::closedir(dir);
    for (const std::string& name : names) {
        const std::string key = relative.empty() ? name : relative + "/" + name;
        const std::string path = root + "/" + key;
        struct stat st {};
        Check(::lstat(path.c_str(), &st) == 0, "lstat " + path);
        if (S_ISDIR(st.st_mode)) {
            tree[key] = kDirectory;
            SnapshotInto(root, key, tree);
        } else if (S_ISLNK(st.st_mode)) {
            char target[4096];
            ssize_t n = ::readlink(path.c_str(), target, sizeof target);
            Check(n >= 0, "readlink " + path);
            tree[key] = "-> " + std::string(target, static_cast<std::size_t>(n));
        } else {
            tree[key] = testing_support::ReadFile(path);
        }
    }
}

// A copy of the tool that any user can run, and a TMPDIR any user can write:
// the unprivileged runs cannot count on reaching the build directory. Both
// go when the test process ends.
struct UnprivilegedPlaces {
    UnprivilegedPlaces() {
        base = "/tmp/quintrel-reliability-XXXXXX";
        Check(::mkdtemp(base.data()) != nullptr, "mkdtemp");
        ::chmod(base.c_str(), 0755);
        tool = base + "/quintrel-batch";
        tmp = base + "/tmp";
        testing_support::WriteFile(tool, testing_support::ReadFile(ToolPath()));
        ::chmod(tool.c_str(), 0755);
        testing_support::MakeDirs(tmp);
        ::chmod(tmp.c_str(), 01777);
    }
    ~UnprivilegedPlaces() { testing_support::RemoveTree(base); }
    UnprivilegedPlaces(const UnprivilegedPlaces&) = delete;
    UnprivilegedPlaces& operator=(const UnprivilegedPlaces&) = delete;
    std::string base;
    std::string tool;
    std::string tmp;
};

const UnprivilegedPlaces& Places() {
    static const UnprivilegedPlaces places;
    return places;
}

std::vector<char*> Pointers(std::vector<std::string>& strings) {
    std::vector<char*> pointers;
    for (std::string& s : strings) {
        pointers.push_back(s.data());
    }
    pointers.push_back(nullptr);
    return pointers;
}

// The system calls a kill point is counted at: those that read directories
// or open, create, write, flush, rename, link or delete files.
bool Counted(long nr) {
    static const std::set<long> kCounted = {
        SYS_openat,     SYS_write,  SYS_pwrite64,        SYS_writev,    SYS_close,  SYS_renameat,
        SYS_renameat2,  SYS_linkat, SYS_unlinkat,        SYS_fchmod,    SYS_fchown, SYS_fsync,
        SYS_fdatasync,  SYS_syncfs, SYS_sync_file_range, SYS_ftruncate, SYS_flock,  SYS_mkdirat,
        SYS_getdents64,
#ifdef SYS_open
        SYS_open,       SYS_creat,  SYS_rename,          SYS_link,      SYS_unlink, SYS_mkdir,
#endif
    };
    return kCounted.count(nr) != 0;
}

} // namespace

Tree Snapshot(const std::string& root) {
    Tree tree;
    SnapshotInto(root, "", tree);
    return tree;
}

std::string Difference(const Tree& actual, const Tree& expected) {
    auto shown = [](const Tree& tree, const std::string& name) {
        auto it = tree.find(name);
        if (it == tree.end()) {
            return std::string("(missing)");
        }
        return it->second.size() > 40 ? it->second.substr(0, 40) + "... (" +
                                            std::to_string(it->second.size()) + " bytes)"
                                      : it->second;
    };
    std::set<std::string> names;
    for (const auto& [name, content] : actual) {
        names.insert(name);
    }
    for (const auto& [name, content] : expected) {
        names.insert(name);
    }
    std::string difference;
    for (const std::string& name : names) {
        if (shown(actual, name) != shown(expected, name) ||
            (actual.count(name) != 0 && expected.count(name) != 0 &&
             actual.at(name) != expected.at(name))) {
            difference += name + ": is \"" + shown(actual, name) + "\", expected \"" +
                          shown(expected, name) + "\"\n";
        }
    }
    return difference;
}

void MakeTree(const std::string& root, const Tree& tree) {
    for (const auto& [name, content] : tree) {
        const std::string path = root + "/" + name;
        if (content == kDirectory) {
            testing_support::MakeDirs(path);
        } else if (content.rfind("-> ", 0) == 0) {
            testing_support::MakeDirs(path.substr(0, path.rfind('/')));
            Check(::symlink(content.substr(3).c_str(), path.c_str()) == 0, "symlink " + path);
        } else {
            testing_support::WriteFile(path, content);
        }
    }
}

void ResetTree(const std::string& root, const Tree& tree) {
    testing_support::RemoveTree(root);
    testing_support::MakeDirs(root);
    MakeTree(root, tree);
}

bool RunningAsRoot() {
    return ::geteuid() == 0;
}

const std::string& ToolPath() {
    static const std::string path = [] {
        const char* given = std::getenv("QUINTREL_BATCH_UNDER_TEST");
        return std::string(given != nullptr && *given != '\0' ? given : QUINTREL_BATCH);
    }();
    return path;
}

BatchProcess::Setup ProcessSetup(const ToolSetup& setup) {
    BatchProcess::Setup process;
    process.cwd = setup.cwd;
    process.program = ToolPath();
    process.environment = setup.environment;
    process.fileSizeLimit = setup.fileSizeLimit;
    process.addressSpaceLimit = setup.addressSpaceLimit;
    process.watchdogSeconds = setup.watchdogSeconds;
    process.kind = setup.terminal ? BatchProcess::Input::Terminal : BatchProcess::Input::Pipe;
    if (setup.unprivileged && RunningAsRoot()) {
        process.program = Places().tool;
        process.environment.push_back("TMPDIR=" + Places().tmp);
        process.user = static_cast<int>(kUnprivileged);
    }
    return process;
}

ToolResult RunTool(const std::vector<std::string>& args, const ToolSetup& setup) {
    return BatchProcess(args, ProcessSetup(setup)).Finish();
}

ToolResult RunProgram(const std::vector<std::string>& argv) {
    BatchProcess::Setup setup;
    setup.program = argv.at(0);
    return BatchProcess(std::vector<std::string>(argv.begin() + 1, argv.end()), setup).Finish();
}

namespace {

// Starts the tool traced and calls `onEntry` at every entry to a system call
// of any of its threads until the tool is gone; Next::Kill kills the tool
// there, before the call runs.
TracedRun Trace(const std::vector<std::string>& args, const ToolSetup& setup,
                const std::function<Next(const PendingCall&)>& onEntry) {
    TracedRun run;
    std::vector<std::string> argv = {ToolPath()};
    argv.insert(argv.end(), args.begin(), args.end());
    pid_t pid = ::fork();
    Check(pid >= 0, "fork");
    if (pid == 0) {
        int null = ::open("/dev/null", O_RDWR);
        ::dup2(null, STDIN_FILENO);
        ::dup2(null, STDOUT_FILENO);
        ::dup2(null, STDERR_FILENO);
        // The leak check at exit traces the process itself, which a traced
        // process cannot allow.
        std::string asan = "detect_leaks=0";
        if (const char* given = std::getenv("ASAN_OPTIONS")) {
            asan = std::string(given) + ":" + asan;
        }
        ::setenv("ASAN_OPTIONS", asan.c_str(), 1);
        for (const std::string& assignment : setup.environment) {
            std::size_t equals = assignment.find('=');
            ::setenv(assignment.substr(0, equals).c_str(), assignment.substr(equals + 1).c_str(),
                     1);
        }
        if (!setup.cwd.empty() && ::chdir(setup.cwd.c_str()) != 0) {
            ::_exit(124);
        }
        // A process group of its own: the tracing waits for its tasks alone.
        ::setpgid(0, 0);
        if (::ptrace(PTRACE_TRACEME, 0, nullptr, nullptr) != 0) {
            ::_exit(125);
        }
        std::vector<char*> pointers = Pointers(argv);
        ::execv(pointers[0], pointers.data());
        ::_exit(127);
    }
    int status = 0;
    Check(::waitpid(pid, &status, 0) == pid, "waitpid");
    if (!WIFSTOPPED(status)) {
        return run; // tracing refused: the child ended at once
    }
    run.traced = true;
    ::ptrace(PTRACE_SETOPTIONS, pid, nullptr,
             PTRACE_O_TRACESYSGOOD | PTRACE_O_TRACECLONE | PTRACE_O_EXITKILL);
    ::ptrace(PTRACE_SYSCALL, pid, nullptr, nullptr);
    while (true) {
        // The tool's threads are traced too, so they report here; other
        // children of the test are never waited for.
        pid_t task = ::waitpid(-pid, &status, __WALL);
        if (task < 0) {
            if (errno == EINTR) {
                continue;
            }
            break; // every task of the tool is gone
        }
        if (!WIFSTOPPED(status)) {
            if (task == pid) {
                // The leader is reported once all its threads are gone.
                run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
                run.signal = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
                break;
            }
            continue; // a thread ended
        }
        const int signal = WSTOPSIG(status);
        int deliver = 0;
        if (signal == (SIGTRAP | 0x80)) {
            __ptrace_syscall_info info{};
            if (!run.killed && ::ptrace(PTRACE_GET_SYSCALL_INFO, task, sizeof info, &info) > 0 &&
                info.op == PTRACE_SYSCALL_INFO_ENTRY) {
                PendingCall call;
                call.task = task;
                call.number = static_cast<long>(info.entry.nr);
                for (std::size_t i = 0; i < call.args.size(); ++i) {
                    call.args[i] = info.entry.args[i];
                }
                if (onEntry(call) == Next::Kill) {
                    // The task stays stopped before the call: it never runs.
                    ::kill(pid, SIGKILL);
                    run.killed = true;
                    continue;
                }
            }
        } else if (signal != SIGTRAP && signal != SIGSTOP) {
            deliver = signal; // the tool's own signals (event stops carry SIGTRAP)
        }
        ::ptrace(PTRACE_SYSCALL, task, nullptr, deliver);
    }
    return run;
}

// A zero-terminated string in a traced task's memory.
std::string ReadString(pid_t task, std::uint64_t address) {
    std::string text;
    while (text.size() < 8192) {
        errno = 0;
        long word = ::ptrace(PTRACE_PEEKDATA, task, reinterpret_cast<void*>(address), nullptr);
        if (errno != 0) {
            break;
        }
        const char* bytes = reinterpret_cast<const char*>(&word);
        for (std::size_t i = 0; i < sizeof word; ++i) {
            if (bytes[i] == '\0') {
                return text;
            }
            text += bytes[i];
        }
        address += sizeof word;
    }
    return text;
}

} // namespace

std::string PendingCall::String(int index) const {
    return ReadString(task, args.at(static_cast<std::size_t>(index)));
}

std::string PendingCall::DescriptorPath(int index) const {
    const std::string link =
        "/proc/" + std::to_string(task) + "/fd/" +
        std::to_string(static_cast<int>(args.at(static_cast<std::size_t>(index))));
    char target[4096];
    ssize_t n = ::readlink(link.c_str(), target, sizeof target);
    return n < 0 ? std::string() : std::string(target, static_cast<std::size_t>(n));
}

TracedRun TraceTool(const std::vector<std::string>& args, const ToolSetup& setup,
                    const std::function<Next(const PendingCall&)>& onEntry) {
    return Trace(args, setup, onEntry);
}

KillRun RunAndKillAt(const std::vector<std::string>& args, const std::string& cwd, long killAt) {
    KillRun run;
    ToolSetup setup;
    setup.cwd = cwd;
    run.traced = Trace(args, setup, [&](const PendingCall& call) {
                     if (!Counted(call.number)) {
                         return Next::Go;
                     }
                     if (++run.counted == killAt) {
                         run.killed = true;
                         return Next::Kill;
                     }
                     return Next::Go;
                 }).traced;
    return run;
}

std::vector<SystemCall> RecordSystemCalls(const std::vector<std::string>& args,
                                          const std::string& cwd, bool* traced) {
    std::vector<SystemCall> calls;
    ToolSetup setup;
    setup.cwd = cwd;
    *traced = Trace(args, setup, [&](const PendingCall& call) {
                  const long nr = call.number;
                  if (nr == SYS_syncfs || nr == SYS_fsync || nr == SYS_fdatasync) {
                      calls.push_back({nr == SYS_syncfs  ? "syncfs"
                                       : nr == SYS_fsync ? "fsync"
                                                         : "fdatasync",
                                       {}});
                  } else if (nr == SYS_renameat || nr == SYS_renameat2) {
                      calls.push_back({"rename", call.String(1)});
                  } else if (nr == SYS_unlinkat) {
                      calls.push_back({"unlink", call.String(1)});
#ifdef SYS_rename
                  } else if (nr == SYS_rename) {
                      calls.push_back({"rename", call.String(0)});
                  } else if (nr == SYS_unlink) {
                      calls.push_back({"unlink", call.String(0)});
#endif
                  }
                  return Next::Go;
              }).traced;
    return calls;
}

void RunAndKillAfter(const std::vector<std::string>& args, const std::string& cwd,
                     long microseconds) {
    ToolSetup setup;
    setup.cwd = cwd;
    BatchProcess tool(args, ProcessSetup(setup));
    ::usleep(static_cast<useconds_t>(microseconds));
    ::kill(tool.pid(), SIGKILL);
    tool.Finish();
}

} // namespace reliability
