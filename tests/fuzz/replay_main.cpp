// The normal test suite's run of a fuzz target: every stored input of its
// corpus (the seeds and each input that once found a fault) and a few
// thousand generated ones, the same on every run. `make fuzz` runs the
// target itself under libFuzzer for longer.
//   fuzz_replay_<target> CORPUS_DIR...
// QUINTREL_FUZZ_REPLAY_RUNS sets the number of generated inputs.
#include <algorithm>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

char gCurrent[4096] = "";

extern "C" void OnAbort(int) {
    const char prefix[] = "fuzz replay: the failing input is ";
    (void)!::write(STDERR_FILENO, prefix, sizeof prefix - 1);
    (void)!::write(STDERR_FILENO, gCurrent, std::strlen(gCurrent));
    (void)!::write(STDERR_FILENO, "\n", 1);
    std::signal(SIGABRT, SIG_DFL);
    std::raise(SIGABRT);
}

void Name(const std::string& name) {
    std::snprintf(gCurrent, sizeof gCurrent, "%s", name.c_str());
}

std::vector<std::string> FilesIn(const std::string& directory) {
    std::vector<std::string> files;
    if (DIR* dir = ::opendir(directory.c_str())) {
        while (dirent* entry = ::readdir(dir)) {
            std::string path = directory + "/" + entry->d_name;
            struct stat st {};
            if (::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode)) {
                files.push_back(path);
            }
        }
        ::closedir(dir);
    }
    std::sort(files.begin(), files.end());
    return files;
}

} // namespace

int main(int argc, char** argv) {
    std::signal(SIGABRT, OnAbort);
    // The targets that write files do so below TMPDIR: a directory of our
    // own, in memory where that is possible (the store flushes every file it
    // writes, which on a disk makes thousands of inputs slow).
    std::string base = "/dev/shm/quintrel-fuzz-replay-XXXXXX";
    if (::mkdtemp(base.data()) == nullptr) {
        base = "/tmp/quintrel-fuzz-replay-XXXXXX";
        if (::mkdtemp(base.data()) == nullptr) {
            return 2;
        }
    }
    ::setenv("TMPDIR", base.c_str(), 1);

    std::size_t stored = 0;
    for (int i = 1; i < argc; ++i) {
        for (const std::string& path : FilesIn(argv[i])) {
            std::ifstream in(path, std::ios::binary);
            std::string bytes((std::istreambuf_iterator<char>(in)),
                              std::istreambuf_iterator<char>());
            Name(path);
            LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(bytes.data()),
                                   bytes.size());
            ++stored;
        }
    }
    const char* runsText = std::getenv("QUINTREL_FUZZ_REPLAY_RUNS");
    const long runs = runsText != nullptr ? std::atol(runsText) : 3000;
    std::mt19937 random(20261101);
    for (long run = 0; run < runs; ++run) {
        std::string bytes(random() % 600, '\0');
        for (char& byte : bytes) {
            byte = static_cast<char>(random());
        }
        Name("generated input " + std::to_string(run));
        LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
    }
    std::printf("%zu stored and %ld generated inputs passed\n", stored, runs);
    std::system(("rm -rf '" + base + "'").c_str());
    return 0;
}
