// quintrel-batch: runs a Velmor Quintrel job from a profile or from options,
// without a display.
#include "batch_options.h"
#include "batch_run.h"
#include "batch_texts.h"
#include "stop_signals.h"
#include "string_table.h"

#include <cerrno>
#include <climits>
#include <fcntl.h>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

// Opens /dev/null on any of standard input, output and error that is closed:
// otherwise a file the run opens would take that number, and what the tool
// prints could land in it.
void OpenStandardDescriptors() {
    for (int fd = 0; fd <= 2; ++fd) {
        if (::fcntl(fd, F_GETFD) == -1 && errno == EBADF) {
            int opened = ::open("/dev/null", O_RDWR);
            if (opened >= 0 && opened != fd) {
                ::close(opened); // cannot happen: the lowest free number is taken
            }
        }
    }
}

std::string CurrentDirectory() {
    std::vector<char> buffer(PATH_MAX);
    while (::getcwd(buffer.data(), buffer.size()) == nullptr) {
        if (errno != ERANGE) {
            return {}; // relative names are then refused
        }
        buffer.resize(buffer.size() * 2);
    }
    return buffer.data();
}

} // namespace

int main(int argc, char** argv) {
    OpenStandardDescriptors();
    InstallStopSignals();
    SetStringLanguage(DefaultLanguage());
    std::vector<std::string> args(argv + 1, argv + argc);
    BatchOptions options = ParseCommandLine(args, CurrentDirectory());
    return RunBatch(options, ::isatty(STDIN_FILENO) == 1);
}
