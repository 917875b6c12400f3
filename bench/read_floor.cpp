// read_floor: the least any tool must do here. Walks the tree (sorted, one
// thread), opens every file whose name ends in the given suffix and reads it
// once through a fixed buffer; does nothing else. Prints the bytes read.
//   read_floor DIRECTORY SUFFIX
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

unsigned long long total = 0;
char buffer[1 << 20];

void Walk(const std::string& directory, const std::string& suffix) {
    DIR* dir = opendir(directory.c_str());
    if (dir == nullptr) {
        return;
    }
    std::vector<std::pair<std::string, unsigned char>> entries;
    while (dirent* e = readdir(dir)) {
        if (std::strcmp(e->d_name, ".") != 0 && std::strcmp(e->d_name, "..") != 0) {
            entries.emplace_back(e->d_name, e->d_type);
        }
    }
    closedir(dir);
    std::sort(entries.begin(), entries.end());
    for (const auto& [name, type] : entries) {
        std::string path = directory + "/" + name;
        if (type == DT_DIR) {
            Walk(path, suffix);
        } else if (type == DT_REG && name.size() >= suffix.size() &&
                   name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0) {
            int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
            if (fd < 0) {
                continue;
            }
            ssize_t n;
            while ((n = read(fd, buffer, sizeof buffer)) > 0) {
                total += static_cast<unsigned long long>(n);
            }
            close(fd);
        }
    }
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: read_floor DIRECTORY SUFFIX\n");
        return 2;
    }
    Walk(argv[1], argv[2]);
    std::printf("%llu\n", total);
    return 0;
}
