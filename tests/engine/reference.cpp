#include "reference.h"

#include "code_pages.h"
#include "utf8_case.h"

namespace reference {

namespace {

std::size_t FindSearchText(const std::string& line, std::size_t start, const Pair& pair,
                           const Settings& settings) {
    if (!settings.capsLock) {
        return line.find(pair.search, start);
    }
    std::string copy = line.substr(start);
    if (settings.code == 2) {
        OemToAnsi(copy);
    }
    AnsiToUpper(copy);
    if (settings.code == 2) {
        AnsiToOem(copy);
    }
    std::size_t found = copy.find(pair.search);
    return found == std::string::npos ? std::string::npos : start + found;
}

} // namespace

int ReplacePairInLine(std::string& line, std::size_t capacity, const Pair& pair,
                      const Settings& settings) {
    long long searchLength = static_cast<long long>(pair.search.size());
    long long replacementLength = static_cast<long long>(pair.replacement.size());
    if (line.empty() || searchLength == 0) {
        return 0;
    }
    long long scan = 0;
    long long anchor = -1;
    bool anchored = true;
    long long length = static_cast<long long>(line.size());
    if (settings.position == 2) {
        scan = anchor = 0;
    } else if (settings.position == 4) {
        scan = anchor = length - searchLength;
        if (scan < 0) {
            return 0;
        }
    } else if (settings.position == 8) {
        scan = anchor = static_cast<long long>(settings.column) - 1;
        if (scan < 0 || scan >= length) {
            return 0;
        }
    } else {
        anchored = false;
    }
    int count = 0;
    while (true) {
        std::size_t found = FindSearchText(line, static_cast<std::size_t>(scan), pair, settings);
        if (found == std::string::npos) {
            return count;
        }
        if (anchored && static_cast<long long>(found) > anchor) {
            return count;
        }
        long long current = static_cast<long long>(line.size());
        if (current - searchLength + replacementLength + 2 >= static_cast<long long>(capacity)) {
            return count;
        }
        std::string rest = line.substr(found + pair.search.size());
        line = line.substr(0, found) + pair.replacement + rest;
        ++count;
        scan = static_cast<long long>(found) + replacementLength;
    }
}

int ReplaceInLine(std::string& line, std::size_t capacity, const std::vector<Pair>& pairs,
                  const Settings& settings) {
    int total = 0;
    for (const Pair& pair : pairs) {
        total += ReplacePairInLine(line, capacity, pair, settings);
    }
    return total;
}

namespace {

struct Unit {
    std::size_t offset;
    std::string bytes;
    bool valid;
    char32_t codePoint;
};

std::vector<Unit> Units(const std::string& text) {
    std::vector<Unit> units;
    std::size_t offset = 0;
    while (offset < text.size()) {
        char32_t cp = 0;
        int length = DecodeUtf8(std::string_view(text).substr(offset), cp);
        if (length == 0) {
            units.push_back({offset, text.substr(offset, 1), false, 0});
            offset += 1;
        } else {
            units.push_back(
                {offset, text.substr(offset, static_cast<std::size_t>(length)), true, cp});
            offset += static_cast<std::size_t>(length);
        }
    }
    return units;
}

bool UnitsMatch(const std::vector<Unit>& line, std::size_t at, const std::vector<Unit>& search,
                bool ignoreCase) {
    if (at + search.size() > line.size()) {
        return false;
    }
    for (std::size_t k = 0; k < search.size(); ++k) {
        const Unit& l = line[at + k];
        const Unit& s = search[k];
        if (!s.valid || !ignoreCase) {
            if (l.bytes != s.bytes) {
                return false;
            }
        } else if (!l.valid || FoldUtf8Char(l.codePoint) != s.codePoint) {
            return false;
        }
    }
    return true;
}

int ReplacePairUtf8(std::string& line, std::size_t capacity, const Pair& pair,
                    const Settings& settings) {
    std::vector<Unit> search = Units(pair.search);
    if (line.empty() || search.empty()) {
        return 0;
    }
    std::vector<Unit> units = Units(line);
    long long anchor = 0;
    bool anchored = settings.position != 1;
    if (settings.position == 4) {
        anchor = static_cast<long long>(units.size()) - static_cast<long long>(search.size());
        if (anchor < 0) {
            return 0;
        }
    } else if (settings.position == 8) {
        anchor = static_cast<long long>(settings.column) - 1;
        if (anchor < 0 || anchor >= static_cast<long long>(units.size())) {
            return 0;
        }
    }
    std::size_t scanByte = anchored ? units[static_cast<std::size_t>(anchor)].offset : 0;
    std::size_t anchorByte = scanByte;
    int count = 0;
    while (true) {
        units = Units(line);
        std::size_t found = units.size();
        for (std::size_t u = 0; u < units.size(); ++u) {
            if (units[u].offset >= scanByte && UnitsMatch(units, u, search, settings.capsLock)) {
                found = u;
                break;
            }
        }
        if (found == units.size()) {
            return count;
        }
        std::size_t at = units[found].offset;
        if (anchored && at > anchorByte) {
            return count;
        }
        if (line.size() - pair.search.size() + pair.replacement.size() + 2 >= capacity) {
            return count;
        }
        line = line.substr(0, at) + pair.replacement + line.substr(at + pair.search.size());
        ++count;
        scanByte = at + pair.replacement.size();
    }
}

} // namespace

int ReplaceInLineUtf8(std::string& line, std::size_t capacity, const std::vector<Pair>& pairs,
                      const Settings& settings) {
    int total = 0;
    for (const Pair& pair : pairs) {
        total += ReplacePairUtf8(line, capacity, pair, settings);
    }
    return total;
}

FileOutcome Rewrite(const std::string& content, const FileOptions& options) {
    FileOutcome outcome;
    std::size_t start = 0;
    while (start < content.size()) {
        std::size_t feed = content.find('\n', start);
        std::size_t end = feed == std::string::npos ? content.size() : feed + 1;
        std::string line = content.substr(start, end - start);
        start = end;
        std::string ending;
        while (!line.empty() && (line.back() == '\r' || line.back() == '\n')) {
            ending.insert(ending.begin(), line.back());
            line.pop_back();
        }
        if (options.deleteEmptyLines && line.empty()) {
            ++outcome.emptyLinesRemoved;
            continue;
        }
        std::size_t zero = line.find('\0');
        std::string prefix = line.substr(0, zero);
        std::string rest = zero == std::string::npos ? std::string() : line.substr(zero);
        if (!prefix.empty() && !options.leading.empty()) {
            std::size_t n = 0;
            while (n < prefix.size() && options.leading.find(prefix[n]) != std::string::npos) {
                ++n;
            }
            if (n > 0) {
                prefix.erase(0, n);
                ++outcome.lineChanges;
            }
        }
        if (!prefix.empty() && !options.trailing.empty()) {
            std::size_t n = prefix.size();
            while (n > 0 && options.trailing.find(prefix[n - 1]) != std::string::npos) {
                --n;
            }
            if (n < prefix.size()) {
                prefix.resize(n);
                ++outcome.lineChanges;
            }
        }
        if (!options.pairs.empty() && line.size() <= 29999) {
            int n = options.settings.code == 4
                        ? ReplaceInLineUtf8(prefix, 30000, options.pairs, options.settings)
                        : ReplaceInLine(prefix, 30000, options.pairs, options.settings);
            if (n > 0) {
                ++outcome.lineChanges;
                outcome.replacements += n;
            }
        }
        outcome.bytes += prefix + rest + (options.keepLineEnds ? ending : std::string("\r\n"));
    }
    return outcome;
}

} // namespace reference
