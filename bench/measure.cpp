// measure: runs a command and prints its wall-clock seconds and peak
// resident memory (KiB) as "seconds maxrss_kib exit_status" on stderr's
// last line, so the benchmark script can compare programs side by side.
//   measure [--quiet] command [args...]
// With --quiet the command's standard output is discarded.
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

int main(int argc, char** argv) {
    int first = 1;
    bool quiet = false;
    if (argc > 1 && std::strcmp(argv[1], "--quiet") == 0) {
        quiet = true;
        first = 2;
    }
    if (first >= argc) {
        std::fprintf(stderr, "usage: measure [--quiet] command [args...]\n");
        return 2;
    }
    auto start = std::chrono::steady_clock::now();
    pid_t child = fork();
    if (child < 0) {
        std::perror("fork");
        return 2;
    }
    if (child == 0) {
        if (quiet) {
            int null = open("/dev/null", O_WRONLY);
            dup2(null, 1);
        }
        execvp(argv[first], argv + first);
        std::perror(argv[first]);
        _exit(127);
    }
    int status = 0;
    struct rusage usage {};
    wait4(child, &status, 0, &usage);
    double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    int code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    std::fprintf(stderr, "MEASURE %.6f %ld %d\n", seconds, usage.ru_maxrss, code);
    return 0;
}
