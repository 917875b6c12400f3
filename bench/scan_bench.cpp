// scan_bench: runs the directory scan the way a run does (with
// subdirectories, one file group) and prints the number of files listed.
//   scan_bench DIRECTORY PATTERN
#include "directory_scan.h"
#include "file_names.h"

#include <cstdio>
#include <unistd.h>

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: scan_bench DIRECTORY PATTERN\n");
        return 2;
    }
    std::error_code error;
    std::string list = CreateTemporaryFileName("VQP", error);
    if (error) {
        std::perror("temporary file");
        return 1;
    }
    ScanRequest request;
    request.files = argv[2];
    request.flags = ScanAlways | ScanSubdirs;
    int result = Velmor_ScanDirectory(std::vector<std::string>{argv[1]}, request, 0, list, 0);
    ::unlink(list.c_str());
    std::printf("%ld\n", request.filesListed);
    return result == ScanDone ? 0 : 1;
}
