#include "settings_store.h"

#include "file_names.h"
#include "file_ops.h"
#include "velmor_strings.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Larger files are not taken as settings: reading them whole would only
// serve to exhaust memory.
constexpr off_t kMaxSettingsFileSize = 512L * 1024 * 1024;

bool EqualsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        unsigned char x = a[i];
        unsigned char y = b[i];
        if (x >= 'A' && x <= 'Z') {
            x += 'a' - 'A';
        }
        if (y >= 'A' && y <= 'Z') {
            y += 'a' - 'A';
        }
        if (x != y) {
            return false;
        }
    }
    return true;
}

bool HasLineBreakOrZero(std::string_view text) {
    return text.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos;
}

// A section header gives its name; any other line gives nothing.
std::optional<std::string_view> SectionName(std::string_view line) {
    std::string_view trimmed = TrimBlanks(line);
    if (trimmed.size() < 2 || trimmed.front() != '[') {
        return std::nullopt;
    }
    std::size_t close = trimmed.find(']');
    if (close == std::string_view::npos) {
        return std::nullopt;
    }
    return TrimBlanks(trimmed.substr(1, close - 1));
}

struct KeyValue {
    std::string_view name;
    std::string_view value;
};

std::optional<KeyValue> SplitKeyValue(std::string_view line) {
    std::string_view trimmed = TrimBlanks(line);
    if (trimmed.empty() || trimmed.front() == ';' || trimmed.front() == '#' ||
        trimmed.front() == '[') {
        return std::nullopt;
    }
    std::size_t eq = line.find('=');
    if (eq == std::string_view::npos) {
        return std::nullopt;
    }
    std::string_view name = TrimBlanks(line.substr(0, eq));
    if (name.empty()) {
        return std::nullopt;
    }
    return KeyValue{name, line.substr(eq + 1)};
}

// Calls `visit(line)` for every line of `content`, without its LF and a CR
// before it.
template <typename Visit> void ForEachLine(std::string_view content, Visit&& visit) {
    std::size_t start = 0;
    while (start < content.size()) {
        std::size_t end = content.find('\n', start);
        std::size_t next = end == std::string_view::npos ? content.size() : end + 1;
        if (end == std::string_view::npos) {
            end = content.size();
        }
        std::string_view line = content.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        if (!visit(line)) {
            return;
        }
        start = next;
    }
}

std::optional<std::string> FindValue(std::string_view content, std::string_view section,
                                     std::string_view name) {
    bool inSection = false;
    std::optional<std::string> found;
    ForEachLine(content, [&](std::string_view line) {
        if (auto header = SectionName(line)) {
            inSection = EqualsNoCase(*header, section);
            return true;
        }
        if (!inSection) {
            return true;
        }
        if (auto kv = SplitKeyValue(line); kv && EqualsNoCase(kv->name, name)) {
            found = std::string(kv->value);
            return false;
        }
        return true;
    });
    return found;
}

// Reads a whole regular file (through a link: a profile may be one). Gives
// nothing when it is missing, not a regular file, too large or cannot be read.
std::optional<std::string> ReadWholeFile(const std::string& path, int* error = nullptr) {
    auto fail = [error](int code) {
        if (error) {
            *error = code;
        }
        return std::nullopt;
    };
    struct stat st {};
    FileDescriptor fd(OpenRegularFile(path, &st, LinkPolicy::Follow));
    if (fd.get() < 0) {
        return fail(errno);
    }
    if (st.st_size > kMaxSettingsFileSize) {
        return fail(EFBIG);
    }
    // One byte more than the file has: a file that grew meanwhile is read to
    // its end or found too large.
    std::string content;
    std::size_t have = 0;
    while (true) {
        content.resize(have + static_cast<std::size_t>(st.st_size) + 4096);
        long n = ReadFully(fd.get(), content.data() + have, content.size() - have);
        if (n < 0) {
            return fail(errno);
        }
        have += static_cast<std::size_t>(n);
        if (have > static_cast<std::size_t>(kMaxSettingsFileSize)) {
            return fail(EFBIG);
        }
        if (have < content.size()) {
            break;
        }
    }
    content.resize(have);
    return content;
}

std::string ConfigHome() {
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    if (xdg != nullptr && xdg[0] == '/') {
        return xdg;
    }
    const char* home = std::getenv("HOME");
    if (home != nullptr && home[0] != '\0') {
        return std::string(home) + "/.config";
    }
    return "/tmp";
}

bool MakeParentDirectories(const std::string& path) {
    std::size_t pos = 0;
    while ((pos = path.find('/', pos + 1)) != std::string::npos) {
        std::string prefix = path.substr(0, pos);
        if (::mkdir(prefix.c_str(), 0777) != 0 && errno != EEXIST) {
            return false;
        }
    }
    return true;
}

std::optional<std::string> ExistingContentForWrite(const std::string& path, bool& ok) {
    int error = 0;
    auto content = ReadWholeFile(path, &error);
    ok = content.has_value() || error == ENOENT;
    return content;
}

template <typename Apply> bool UpdateValue(const StoreLocation& location, Apply&& apply) {
    std::string path = SettingsFilePath(location);
    if (path.empty()) {
        return false;
    }
    bool ok = false;
    auto content = ExistingContentForWrite(path, ok);
    if (!ok) {
        // An existing file that cannot be read is never replaced: its values
        // would be lost.
        return false;
    }
    IniDocument document = IniDocument::Parse(content ? *content : std::string());
    if (!apply(document)) {
        return false;
    }
    return WriteFileAtomically(path, document.Serialize(), location.file.empty());
}

} // namespace

std::string SettingsFilePath(const StoreLocation& location) {
    if (!location.file.empty()) {
        return location.file;
    }
    if (location.key.empty()) {
        return {};
    }
    std::string relative;
    std::string_view key = location.key;
    bool first = true;
    while (!key.empty()) {
        std::size_t sep = key.find('\\');
        std::string_view part = key.substr(0, sep);
        key = sep == std::string_view::npos ? std::string_view() : key.substr(sep + 1);
        if (part.empty() || part == "." || part == ".." ||
            part.find('/') != std::string_view::npos) {
            continue;
        }
        if (first && EqualsNoCase(part, "Software")) {
            first = false;
            continue;
        }
        first = false;
        if (!relative.empty()) {
            relative += '/';
        }
        relative += part;
    }
    if (relative.empty()) {
        return {};
    }
    return ConfigHome() + "/" + relative + ".ini";
}

std::optional<std::int32_t> ParseStoredLong(std::string_view text) {
    text = TrimBlanks(text);
    if (text.empty()) {
        return std::nullopt;
    }
    bool negative = false;
    if (text.front() == '+' || text.front() == '-') {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    if (text.empty()) {
        return std::nullopt;
    }
    // Any number of digits is read (leading zeros included); a value that
    // leaves the 32-bit range stays out of it without overflowing.
    constexpr long long kOutOfRange = 1LL << 32;
    long long value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') {
            return std::nullopt;
        }
        value = value * 10 + (c - '0');
        if (value > kOutOfRange) {
            value = kOutOfRange;
        }
    }
    if (negative) {
        value = -value;
    }
    if (value < INT32_MIN || value > INT32_MAX) {
        return std::nullopt;
    }
    return static_cast<std::int32_t>(value);
}

IniDocument IniDocument::Parse(std::string_view content) {
    IniDocument document;
    ForEachLine(content, [&](std::string_view line) {
        document.lines_.emplace_back(line);
        return true;
    });
    return document;
}

std::optional<std::string> IniDocument::Get(std::string_view section, std::string_view name) const {
    bool inSection = false;
    for (const std::string& line : lines_) {
        if (auto header = SectionName(line)) {
            inSection = EqualsNoCase(*header, section);
            continue;
        }
        if (inSection) {
            if (auto kv = SplitKeyValue(line); kv && EqualsNoCase(kv->name, name)) {
                return std::string(kv->value);
            }
        }
    }
    return std::nullopt;
}

bool IniDocument::Set(std::string_view section, std::string_view name, std::string_view value) {
    if (name.empty() || name.find('=') != std::string_view::npos || HasLineBreakOrZero(name) ||
        name.front() == '[' || name.front() == ';' || name.front() == '#' ||
        TrimBlanks(name) != name || HasLineBreakOrZero(value) || HasLineBreakOrZero(section) ||
        section.find(']') != std::string_view::npos || TrimBlanks(section) != section) {
        return false;
    }
    std::string newLine = std::string(name) + "=" + std::string(value);
    bool inSection = false;
    std::optional<std::size_t> lastInSection;
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        if (auto header = SectionName(lines_[i])) {
            inSection = EqualsNoCase(*header, section);
            if (inSection) {
                lastInSection = i;
            }
            continue;
        }
        if (!inSection) {
            continue;
        }
        if (auto kv = SplitKeyValue(lines_[i]); kv && EqualsNoCase(kv->name, name)) {
            lines_[i] = newLine;
            return true;
        }
        if (!TrimBlanks(lines_[i]).empty()) {
            lastInSection = i;
        }
    }
    if (lastInSection) {
        lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(*lastInSection + 1), newLine);
        return true;
    }
    if (!lines_.empty() && !TrimBlanks(lines_.back()).empty()) {
        lines_.emplace_back();
    }
    lines_.push_back("[" + std::string(section) + "]");
    lines_.push_back(newLine);
    return true;
}

std::string IniDocument::Serialize() const {
    std::string content;
    for (const std::string& line : lines_) {
        content += line;
        // Reading takes one carriage return before each line feed as part of
        // the line end: a line that ends in a carriage return of its own
        // keeps it only when another one follows.
        if (!line.empty() && line.back() == '\r') {
            content += '\r';
        }
        content += '\n';
    }
    return content;
}

bool WriteFileAtomically(const std::string& path, std::string_view content, bool createParents) {
    std::string target = path;
    // Write through a link to the file it names, so the link stays a link.
    char resolved[PATH_MAX];
    if (::realpath(path.c_str(), resolved) != nullptr) {
        target = resolved;
    }
    if (createParents && !MakeParentDirectories(target)) {
        return false;
    }
    mode_t mode = 0666;
    bool keepMode = false;
    struct stat st {};
    if (::stat(target.c_str(), &st) == 0) {
        if (!S_ISREG(st.st_mode)) {
            return false;
        }
        mode = st.st_mode & 07777;
        keepMode = true;
    }
    std::string temporary = target + ".XXXXXX";
    int fd = ::mkostemp(temporary.data(), O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    bool ok = WriteFully(fd, content);
    if (ok) {
        if (keepMode) {
            ok = ::fchmod(fd, mode) == 0;
        } else {
            mode_t mask = ::umask(0);
            ::umask(mask);
            ok = ::fchmod(fd, 0666 & ~mask) == 0;
        }
    }
    ok = ok && ::fsync(fd) == 0;
    ok = (::close(fd) == 0) && ok;
    ok = ok && ::rename(temporary.c_str(), target.c_str()) == 0;
    if (!ok) {
        ::unlink(temporary.c_str());
        return false;
    }
    // Make the rename itself durable.
    std::string directory = Velmor_StripFileName(target);
    int dirFd =
        ::open(directory.empty() ? "." : directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd >= 0) {
        ::fsync(dirFd);
        ::close(dirFd);
    }
    return true;
}

bool Velmor_WriteStringToRegistry(const StoreLocation& location, std::string_view name,
                                  std::string_view value) {
    return UpdateValue(location, [&](IniDocument& document) {
        return document.Set(location.section, name, value);
    });
}

bool Velmor_WriteValuesToRegistry(const StoreLocation& location,
                                  const std::vector<std::pair<std::string, std::string>>& values) {
    return UpdateValue(location, [&](IniDocument& document) {
        for (const auto& [name, value] : values) {
            if (!document.Set(location.section, name, value)) {
                return false;
            }
        }
        return true;
    });
}

std::optional<IniDocument> LoadSettingsDocument(const StoreLocation& location) {
    std::string path = SettingsFilePath(location);
    if (path.empty()) {
        return std::nullopt;
    }
    auto content = ReadWholeFile(path);
    if (!content) {
        return std::nullopt;
    }
    return IniDocument::Parse(*content);
}

bool Velmor_WriteLongToRegistry(const StoreLocation& location, std::string_view name,
                                std::int32_t value) {
    return Velmor_WriteStringToRegistry(location, name, std::to_string(value));
}

std::string Velmor_ReadStringFromRegistry(const StoreLocation& location, std::string_view name,
                                          std::string_view defaultValue) {
    std::string path = SettingsFilePath(location);
    if (path.empty()) {
        return std::string(defaultValue);
    }
    auto content = ReadWholeFile(path);
    if (!content) {
        return std::string(defaultValue);
    }
    auto value = FindValue(*content, location.section, name);
    return value ? *value : std::string(defaultValue);
}

std::int32_t Velmor_ReadLongFromRegistry(const StoreLocation& location, std::string_view name,
                                         std::int32_t defaultValue) {
    std::string path = SettingsFilePath(location);
    if (path.empty()) {
        return defaultValue;
    }
    auto content = ReadWholeFile(path);
    if (!content) {
        return defaultValue;
    }
    auto value = FindValue(*content, location.section, name);
    if (!value) {
        return defaultValue;
    }
    return ParseStoredLong(*value).value_or(defaultValue);
}

std::int32_t Velmor_ReadLongFromHKCU(std::string_view key, std::string_view section,
                                     std::string_view name, std::int32_t defaultValue) {
    StoreLocation location{RegistryRoot::CurrentUser, std::string(key), {}, std::string(section)};
    return Velmor_ReadLongFromRegistry(location, name, defaultValue);
}

bool Velmor_WriteLongToHKCU(std::string_view key, std::string_view section, std::string_view name,
                            std::int32_t value) {
    StoreLocation location{RegistryRoot::CurrentUser, std::string(key), {}, std::string(section)};
    return Velmor_WriteLongToRegistry(location, name, value);
}
