// Runs the built quintrel-batch in a child process: its arguments, working
// directory and standard input chosen by the test; standard output and
// standard error collected while it runs, so a test can wait for a text
// before it acts (sends a signal, types an answer).
#pragma once

#include <string>
#include <sys/types.h>
#include <vector>

struct BatchResult {
    int status = -1; // the exit status; -1 when the tool did not exit normally
    int signal = 0;  // the signal that ended it, if one did
    std::string out;
    // Standard error as written (each message after the tool's name), and
    // the same with the name taken off the start of each line, which is
    // what most tests compare.
    std::string rawErr;
    std::string err;
};

// `text` with "quintrel-batch: " taken off the start of every line.
std::string WithoutToolName(const std::string& text);

class BatchProcess {
public:
    enum class Input {
        Pipe,     // standard input is a pipe holding `input`, then closed
        Terminal, // standard input is a pseudo-terminal; Type() writes to it
    };
    struct Setup {
        std::string cwd;   // empty: the test's own
        std::string input; // for Input::Pipe
        Input kind = Input::Pipe;
        bool closedOutput = false;            // standard output is a pipe nobody reads
        std::string outputFile;               // standard output goes to this file
        std::string program;                  // empty: the built quintrel-batch
        std::vector<std::string> environment; // NAME=value, added
        long long fileSizeLimit = -1;         // RLIMIT_FSIZE in bytes; -1: none
        long long addressSpaceLimit = -1;     // RLIMIT_AS in bytes; -1: none
        // The tool is ended by SIGALRM after this many seconds (0: never), so
        // a tool that hangs fails the test instead of hanging it.
        unsigned watchdogSeconds = 0;
        int user = -1; // the user and group id to run as (the test must be root); -1: its own
    };

    BatchProcess(const std::vector<std::string>& args, const Setup& setup);
    ~BatchProcess();
    BatchProcess(const BatchProcess&) = delete;
    BatchProcess& operator=(const BatchProcess&) = delete;

    // Collects output until standard error holds `text` (`times` times);
    // false when the tool ended without writing it that often.
    bool WaitForError(const std::string& text, int times = 1);
    void Type(const std::string& text); // Input::Terminal only
    void Signal(int signal);
    BatchResult Finish();
    pid_t pid() const { return pid_; }

private:
    bool Collect(int timeoutMs);

    pid_t pid_ = -1;
    int out_ = -1;
    int err_ = -1;
    int terminal_ = -1;
    BatchResult result_;
};

// Runs the tool to its end.
BatchResult RunBatchTool(const std::vector<std::string>& args, const std::string& cwd = {},
                         const std::string& input = {});
