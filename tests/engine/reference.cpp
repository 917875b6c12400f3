#include "reference.h"

#include "code_pages.h"

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
            int n = ReplaceInLine(prefix, 30000, options.pairs, options.settings);
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
