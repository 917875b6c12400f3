#include "file_names.h"

#include "velmor_strings.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

std::string TemporaryDirectory() {
    const char* tmp = std::getenv("TMPDIR");
    if (tmp != nullptr && tmp[0] != '\0') {
        std::string dir = tmp;
        while (dir.size() > 1 && dir.back() == '/') {
            dir.pop_back();
        }
        return dir;
    }
    return "/tmp";
}

std::string CreateTemporaryFileName(std::string_view prefix, std::error_code& error) {
    std::string name = TemporaryDirectory() + "/" + std::string(prefix) + "XXXXXX";
    int fd = ::mkostemp(name.data(), O_CLOEXEC);
    if (fd < 0) {
        error = std::error_code(errno, std::generic_category());
        return {};
    }
    ::close(fd);
    error.clear();
    return name;
}

bool CreateTemporaryFileName(char* buffer, std::size_t size, const char* prefix) {
    if (buffer == nullptr || size < 1) {
        return false;
    }
    buffer[0] = '\0';
    std::error_code error;
    std::string name = CreateTemporaryFileName(prefix == nullptr ? "" : prefix, error);
    if (error) {
        return false;
    }
    if (!VelmorCopyString(buffer, name.c_str(), size)) {
        ::unlink(name.c_str());
        buffer[0] = '\0';
        return false;
    }
    return true;
}

std::string Velmor_StripFileName(std::string_view path) {
    std::size_t slash = path.rfind('/');
    if (slash == std::string_view::npos) {
        return {};
    }
    if (slash == 0) {
        return "/";
    }
    return std::string(path.substr(0, slash));
}

std::string Velmor_Assemble_FileName(std::string_view directory, std::string_view name,
                                     std::string_view extension) {
    std::string result(directory);
    if (!result.empty() && result.back() != '/') {
        result += '/';
    }
    result += name;
    if (!extension.empty()) {
        result += '.';
        result += extension;
    }
    return result;
}

bool Velmor_DoesFileExist(const std::string& path) {
    struct stat st {};
    return !path.empty() && ::stat(path.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}
