// quintrel-batch: runs a Velmor Quintrel job from a profile or from options,
// without a display.
#include "batch_options.h"
#include "batch_run.h"
#include "stop_signals.h"
#include "string_table.h"

#include <cerrno>
#include <climits>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

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
    InstallStopSignals();
    SetStringLanguage(kLanguageGerman);
    std::vector<std::string> args(argv + 1, argv + argc);
    BatchOptions options = ParseCommandLine(args, CurrentDirectory());
    return RunBatch(options, ::isatty(STDIN_FILENO) == 1);
}
