#include "batch_process.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <grp.h>
#include <poll.h>
#include <stdexcept>
#include <string_view>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

void Check(bool ok, const char* what) {
    if (!ok) {
        throw std::runtime_error(what);
    }
}

} // namespace

BatchProcess::BatchProcess(const std::vector<std::string>& args, const Setup& setup) {
    int in[2];
    int out[2];
    int err[2];
    Check(::pipe2(in, O_CLOEXEC) == 0 && ::pipe2(out, O_CLOEXEC) == 0 &&
              ::pipe2(err, O_CLOEXEC) == 0,
          "pipe");
    int terminalSide = -1;
    if (setup.kind == Input::Terminal) {
        terminal_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
        Check(terminal_ >= 0 && ::grantpt(terminal_) == 0 && ::unlockpt(terminal_) == 0,
              "pseudo-terminal");
        terminalSide = ::open(::ptsname(terminal_), O_RDWR | O_NOCTTY | O_CLOEXEC);
        Check(terminalSide >= 0, "pseudo-terminal side");
    }
    std::vector<std::string> argv = {setup.program.empty() ? QUINTREL_BATCH : setup.program};
    argv.insert(argv.end(), args.begin(), args.end());
    pid_ = ::fork();
    Check(pid_ >= 0, "fork");
    if (pid_ == 0) {
        ::dup2(terminalSide >= 0 ? terminalSide : in[0], STDIN_FILENO);
        ::dup2(out[1], STDOUT_FILENO);
        if (!setup.outputFile.empty()) {
            int file = ::open(setup.outputFile.c_str(), O_WRONLY | O_CLOEXEC);
            if (file < 0 || ::dup2(file, STDOUT_FILENO) < 0) {
                ::_exit(124);
            }
        }
        ::dup2(err[1], STDERR_FILENO);
        ::signal(SIGPIPE, SIG_DFL);
        ::signal(SIGXFSZ, SIG_DFL);
        // Without a stored language the locale decides: the tests hear the
        // tool in German unless they set another locale themselves.
        ::unsetenv("LC_ALL");
        ::unsetenv("LC_MESSAGES");
        ::setenv("LANG", "de_DE.UTF-8", 1);
        for (const std::string& assignment : setup.environment) {
            std::size_t equals = assignment.find('=');
            ::setenv(assignment.substr(0, equals).c_str(), assignment.substr(equals + 1).c_str(),
                     1);
        }
        if (setup.fileSizeLimit >= 0) {
            struct rlimit limit {
                static_cast<rlim_t>(setup.fileSizeLimit), static_cast<rlim_t>(setup.fileSizeLimit)
            };
            if (::setrlimit(RLIMIT_FSIZE, &limit) != 0) {
                ::_exit(122);
            }
        }
        if (setup.addressSpaceLimit >= 0) {
            struct rlimit limit {
                static_cast<rlim_t>(setup.addressSpaceLimit),
                    static_cast<rlim_t>(setup.addressSpaceLimit)
            };
            if (::setrlimit(RLIMIT_AS, &limit) != 0) {
                ::_exit(122);
            }
        }
        if (setup.user >= 0) {
            const auto id = static_cast<uid_t>(setup.user);
            if (::setgroups(0, nullptr) != 0 || ::setgid(id) != 0 || ::setuid(id) != 0) {
                ::_exit(123);
            }
        }
        if (!setup.cwd.empty() && ::chdir(setup.cwd.c_str()) != 0) {
            ::_exit(120);
        }
        // An alarm outlives exec: it ends the tool, not this child.
        if (setup.watchdogSeconds > 0) {
            ::alarm(setup.watchdogSeconds);
        }
        std::vector<char*> pointers;
        for (std::string& arg : argv) {
            pointers.push_back(arg.data());
        }
        pointers.push_back(nullptr);
        ::execv(pointers[0], pointers.data());
        ::_exit(121);
    }
    ::close(in[0]);
    ::close(out[1]);
    ::close(err[1]);
    if (terminalSide >= 0) {
        ::close(terminalSide);
    }
    // The input is small enough for the pipe's buffer.
    if (!setup.input.empty()) {
        Check(::write(in[1], setup.input.data(), setup.input.size()) ==
                  static_cast<ssize_t>(setup.input.size()),
              "write input");
    }
    ::close(in[1]);
    out_ = out[0];
    err_ = err[0];
    if (setup.closedOutput) {
        ::close(out_);
        out_ = -1;
    }
}

BatchProcess::~BatchProcess() {
    if (pid_ > 0) {
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, nullptr, 0);
    }
    for (int fd : {out_, err_, terminal_}) {
        if (fd >= 0) {
            ::close(fd);
        }
    }
}

// Reads what is there; false once both outputs are closed.
bool BatchProcess::Collect(int timeoutMs) {
    struct pollfd watch[2] = {{out_, POLLIN, 0}, {err_, POLLIN, 0}};
    if (out_ < 0 && err_ < 0) {
        return false;
    }
    int ready = ::poll(watch, 2, timeoutMs);
    if (ready < 0) {
        return errno == EINTR;
    }
    int* fds[2] = {&out_, &err_};
    std::string* sinks[2] = {&result_.out, &result_.rawErr};
    for (int i = 0; i < 2; ++i) {
        if (watch[i].revents == 0) {
            continue;
        }
        char buffer[4096];
        ssize_t n = ::read(*fds[i], buffer, sizeof buffer);
        if (n > 0) {
            sinks[i]->append(buffer, static_cast<std::size_t>(n));
        } else if (n == 0 || errno != EINTR) {
            ::close(*fds[i]);
            *fds[i] = -1;
        }
        result_.err = WithoutToolName(result_.rawErr);
    }
    return true;
}

bool BatchProcess::WaitForError(const std::string& text, int times) {
    auto count = [&] {
        int found = 0;
        for (std::size_t at = result_.err.find(text); at != std::string::npos;
             at = result_.err.find(text, at + text.size())) {
            ++found;
        }
        return found;
    };
    while (count() < times) {
        if (!Collect(-1)) {
            return false;
        }
    }
    return true;
}

void BatchProcess::Type(const std::string& text) {
    Check(::write(terminal_, text.data(), text.size()) == static_cast<ssize_t>(text.size()),
          "type");
}

void BatchProcess::Signal(int signal) {
    ::kill(pid_, signal);
}

BatchResult BatchProcess::Finish() {
    while (Collect(-1)) {
    }
    int status = 0;
    ::waitpid(pid_, &status, 0);
    pid_ = -1;
    if (WIFEXITED(status)) {
        result_.status = WEXITSTATUS(status);
    } else if (WIFSIGNALED(status)) {
        result_.signal = WTERMSIG(status);
    }
    return result_;
}

std::string WithoutToolName(const std::string& text) {
    static const std::string kName = "quintrel-batch: ";
    std::string plain;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        end = end == std::string::npos ? text.size() : end + 1;
        std::string_view line(text.data() + start, end - start);
        if (line.substr(0, kName.size()) == kName) {
            line.remove_prefix(kName.size());
        }
        plain.append(line);
        start = end;
    }
    return plain;
}

BatchResult RunBatchTool(const std::vector<std::string>& args, const std::string& cwd,
                         const std::string& input) {
    BatchProcess::Setup setup;
    setup.cwd = cwd;
    setup.input = input;
    return BatchProcess(args, setup).Finish();
}
