#include "version_info.h"

#include "velmor_version.h"

std::string Velmor_GetResourceFileVersion(std::string_view format) {
    const int parts[] = {VELMOR_VERSION_MAJOR, VELMOR_VERSION_MINOR, VELMOR_VERSION_PATCH, 0};
    std::size_t next = 0;
    std::string result;
    for (std::size_t i = 0; i < format.size(); ++i) {
        if (format[i] == '%' && i + 1 < format.size()) {
            if (format[i + 1] == 'd') {
                result += next < 4 ? std::to_string(parts[next++]) : std::string();
                ++i;
                continue;
            }
            if (format[i + 1] == '%') {
                result += '%';
                ++i;
                continue;
            }
        }
        result += format[i];
    }
    return result;
}
