#include "velmor_strings.h"

#include <cstring>

bool VelmorCopyString(char* dst, const char* src, std::size_t size) {
    if (dst == nullptr || size < 1) {
        return false;
    }
    if (src == nullptr) {
        dst[0] = '\0';
        return true;
    }
    std::size_t length = strnlen(src, size);
    bool fits = length < size;
    if (!fits) {
        length = size - 1;
    }
    std::memmove(dst, src, length);
    dst[length] = '\0';
    return fits;
}

bool VelmorAppendString(char* dst, const char* src, std::size_t size) {
    if (dst == nullptr || size < 1) {
        return false;
    }
    std::size_t used = strnlen(dst, size);
    if (used >= size) {
        // The destination was not terminated within its size: terminate it and
        // report that nothing could be appended.
        dst[size - 1] = '\0';
        return src == nullptr || *src == '\0';
    }
    return VelmorCopyString(dst + used, src, size - used);
}

void CutTrailingControls(std::string& text) {
    std::size_t end = text.size();
    while (end > 0 && static_cast<unsigned char>(text[end - 1]) <= 0x20) {
        --end;
    }
    text.resize(end);
}

void CutTrailingControls(char* text) {
    if (text == nullptr) {
        return;
    }
    std::size_t end = std::strlen(text);
    while (end > 0 && static_cast<unsigned char>(text[end - 1]) <= 0x20) {
        text[--end] = '\0';
    }
}

void NormalizePath(std::string&) {}

std::string JoinWith(const std::vector<std::string>& items, char separator) {
    std::string joined;
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (i > 0) {
            joined += separator;
        }
        joined += items[i];
    }
    return joined;
}

std::vector<std::string> SplitAt(std::string_view text, char separator) {
    std::vector<std::string> items;
    if (text.empty()) {
        return items;
    }
    std::size_t start = 0;
    while (true) {
        std::size_t pos = text.find(separator, start);
        if (pos == std::string_view::npos) {
            items.emplace_back(text.substr(start));
            return items;
        }
        items.emplace_back(text.substr(start, pos - start));
        start = pos + 1;
    }
}

std::string_view TrimBlanks(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) {
        text.remove_prefix(1);
    }
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) {
        text.remove_suffix(1);
    }
    return text;
}
