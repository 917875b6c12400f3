#include "change_log.h"

#include "velmor_strings.h"

#include <cerrno>
#include <cinttypes>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

namespace {

constexpr std::string_view kHeader = "#velmor-quintrel change log 2";
constexpr std::string_view kFinished = "#finished";
constexpr std::string_view kRoot = "#root ";
// A path is at most 4095 bytes and a record far shorter.
constexpr std::size_t kLongestLine = 8192;

std::string FormatIdentity(const FileIdentity& id) {
    char text[160];
    std::snprintf(text, sizeof text, "%ju %ju %jd %jd.%09ld %jd.%09ld",
                  static_cast<std::uintmax_t>(id.device), static_cast<std::uintmax_t>(id.inode),
                  static_cast<std::intmax_t>(id.size),
                  static_cast<std::intmax_t>(id.modified.tv_sec), id.modified.tv_nsec,
                  static_cast<std::intmax_t>(id.changed.tv_sec), id.changed.tv_nsec);
    return text;
}

// Reads the words of a record one after the other.
class Words {
public:
    explicit Words(std::string_view text) : text_(text) {}
    bool Word(std::string_view& word) {
        while (!text_.empty() && text_.front() == ' ') {
            text_.remove_prefix(1);
        }
        std::size_t end = text_.find(' ');
        word = text_.substr(0, end);
        text_.remove_prefix(end == std::string_view::npos ? text_.size() : end);
        return !word.empty();
    }
    bool Expect(std::string_view wanted) {
        std::string_view word;
        return Word(word) && word == wanted;
    }
    template <typename Number> bool Unsigned(Number& value, int base = 10) {
        std::string_view word;
        if (!Word(word) || word.size() > 20) {
            return false;
        }
        std::string text(word);
        char* end = nullptr;
        errno = 0;
        unsigned long long parsed = std::strtoull(text.c_str(), &end, base);
        value = static_cast<Number>(parsed);
        return errno == 0 && *end == '\0' && text[0] != '-' && text[0] != '+';
    }
    bool Time(timespec& time) {
        std::string_view word;
        if (!Word(word)) {
            return false;
        }
        std::size_t dot = word.find('.');
        Words seconds(word.substr(0, dot));
        Words nanoseconds(dot == std::string_view::npos ? "" : word.substr(dot + 1));
        long long s = 0;
        long ns = 0;
        if (!seconds.Unsigned(s) || !nanoseconds.Unsigned(ns) || ns >= 1000000000L) {
            return false;
        }
        time.tv_sec = static_cast<time_t>(s);
        time.tv_nsec = ns;
        return true;
    }
    bool Identity(FileIdentity& id) {
        long long size = 0;
        return Unsigned(id.device) && Unsigned(id.inode) && Unsigned(size) && Time(id.modified) &&
               Time(id.changed) && (id.size = static_cast<off_t>(size), true);
    }
    bool Counter(std::int32_t& value) {
        unsigned long long number = 0;
        if (!Unsigned(number) || number > INT32_MAX) {
            return false;
        }
        value = static_cast<std::int32_t>(number);
        return true;
    }
    bool AtEnd() {
        std::string_view word;
        return !Word(word);
    }

private:
    std::string_view text_;
};

std::string Hex(std::uint64_t value) {
    char text[24];
    std::snprintf(text, sizeof text, "%016" PRIx64, value);
    return text;
}

} // namespace

const std::string& CurrentBootId() {
    static const std::string id = [] {
        std::string text;
        FileDescriptor fd(::open("/proc/sys/kernel/random/boot_id", O_RDONLY | O_CLOEXEC));
        char buffer[64];
        long n = fd.get() >= 0 ? ReadFully(fd.get(), buffer, sizeof buffer) : -1;
        if (n > 0) {
            text.assign(buffer, static_cast<std::size_t>(n));
            CutTrailingControls(text);
        }
        // Without it no record counts as made in this start.
        return text.empty() || text.find(' ') != std::string::npos ? std::string("-") : text;
    }();
    return id;
}

namespace {

// The record a run leaves on a backup is kept short and binary, so that it
// fits into the inode itself on file systems that keep small attributes
// there (a separate block for each would slow down every changed file).
constexpr std::size_t kBackupRecordSize = 8 + 8 + 8 + 4 + 8 + 16;

void PutNumber(std::string& out, std::uint64_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) {
        out += static_cast<char>((value >> (8 * i)) & 0xFF);
    }
}

std::uint64_t GetNumber(std::string_view& in, int bytes) {
    std::uint64_t value = 0;
    for (int i = 0; i < bytes; ++i) {
        value |= std::uint64_t{static_cast<unsigned char>(in[static_cast<std::size_t>(i)])}
                 << (8 * i);
    }
    in.remove_prefix(static_cast<std::size_t>(bytes));
    return value;
}

int HexValue(char c) {
    return c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
}

// The 16 bytes of a boot id ("-" gives zeros), and back.
std::string BootIdBytes(std::string_view text) {
    std::string bytes;
    int high = -1;
    for (char c : text) {
        int digit = HexValue(c);
        if (digit < 0) {
            continue;
        }
        if (high < 0) {
            high = digit;
        } else {
            bytes += static_cast<char>(high << 4 | digit);
            high = -1;
        }
    }
    bytes.resize(16, '\0');
    return bytes;
}

std::string BootIdText(std::string_view bytes) {
    if (bytes.find_first_not_of('\0') == std::string_view::npos) {
        return "-";
    }
    static const char kDigits[] = "0123456789abcdef";
    std::string text;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (i == 4 || i == 6 || i == 8 || i == 10) {
            text += '-';
        }
        auto byte = static_cast<unsigned char>(bytes[i]);
        text += kDigits[byte >> 4];
        text += kDigits[byte & 15];
    }
    return text;
}

} // namespace

std::string FormatBackupRecord(const FileIdentity& written, std::uint64_t hash) {
    std::string value;
    PutNumber(value, static_cast<std::uint64_t>(written.inode), 8);
    PutNumber(value, static_cast<std::uint64_t>(written.size), 8);
    PutNumber(value, static_cast<std::uint64_t>(written.modified.tv_sec), 8);
    PutNumber(value, static_cast<std::uint64_t>(written.modified.tv_nsec), 4);
    PutNumber(value, hash, 8);
    value += BootIdBytes(CurrentBootId());
    return value;
}

bool ReadBackupRecord(const std::string& path, ChangeRecord& record) {
    const std::string backup = BackupNameOf(path);
    char value[256];
    ssize_t n = ::lgetxattr(backup.c_str(), kRecordAttribute, value, sizeof value);
    struct stat st {};
    if (n != static_cast<ssize_t>(kBackupRecordSize) || ::lstat(backup.c_str(), &st) != 0) {
        return false;
    }
    std::string_view in(value, kBackupRecordSize);
    ChangeRecord parsed;
    parsed.path = path;
    parsed.written.device = st.st_dev;
    parsed.written.inode = static_cast<ino_t>(GetNumber(in, 8));
    parsed.written.size = static_cast<off_t>(GetNumber(in, 8));
    parsed.written.modified.tv_sec = static_cast<time_t>(GetNumber(in, 8));
    parsed.written.modified.tv_nsec = static_cast<long>(GetNumber(in, 4));
    parsed.hash = GetNumber(in, 8);
    parsed.bootId = BootIdText(in);
    parsed.writtenKnown = parsed.written.modified.tv_nsec < 1000000000L;
    record = std::move(parsed);
    return record.writtenKnown;
}

std::string FormatRecord(const ChangeRecord& record) {
    const FileCounters& c = record.counters;
    return "B " + FormatIdentity(record.backup) + " N " + FormatIdentity(record.written) + " H " +
           Hex(record.hash) + " C " + std::to_string(c.lineChanges) + " " +
           std::to_string(c.replacements) + " " + std::to_string(c.emptyLinesRemoved) + " " +
           std::to_string(c.longLines);
}

bool ParseRecord(std::string_view text, ChangeRecord& record) {
    Words words(text);
    ChangeRecord parsed;
    parsed.path = record.path;
    parsed.bootId = record.bootId;
    FileCounters& c = parsed.counters;
    if (!words.Expect("B") || !words.Identity(parsed.backup) || !words.Expect("N") ||
        !words.Identity(parsed.written) || !words.Expect("H") || !words.Unsigned(parsed.hash, 16) ||
        !words.Expect("C") || !words.Counter(c.lineChanges) || !words.Counter(c.replacements) ||
        !words.Counter(c.emptyLinesRemoved) || !words.Counter(c.longLines) || !words.AtEnd()) {
        return false;
    }
    parsed.backupKnown = true;
    parsed.writtenKnown = true;
    record = std::move(parsed);
    return true;
}

ChangeLogWriter::ChangeLogWriter(int fd, std::vector<std::string> roots, std::string bootId)
    : fd_(fd), roots_(std::move(roots)), bootId_(std::move(bootId)) {}

ChangeLogWriter::~ChangeLogWriter() {
    Close();
}

bool ChangeLogWriter::Add(const ChangeRecord& record) {
    std::string text;
    if (!headerWritten_) {
        text.append(kHeader).append(" ").append(bootId_).append("\r\n");
        for (const std::string& root : roots_) {
            text.append(kRoot).append(root).append("\r\n");
        }
    }
    text.append(record.path).append("\r\n");
    text.append("=").append(FormatRecord(record)).append("\r\n");
    if (!record.copyPath.empty()) {
        text.append("~").append(record.copyPath).append("\r\n");
    }
    if (!WriteFully(fd_, text)) {
        return false;
    }
    headerWritten_ = true;
    return true;
}

bool ChangeLogWriter::Close() {
    int fd = fd_;
    fd_ = -1;
    return fd < 0 || ::close(fd) == 0;
}

ChangeLogReader::ChangeLogReader(const std::string& path) : fd_(OpenRegularFile(path)) {}

bool ChangeLogReader::ReadLine(std::string& line) {
    if (hasPeeked_) {
        hasPeeked_ = false;
        line = std::move(peeked_);
        return true;
    }
    if (!ReadRawLine(line)) {
        return false;
    }
    CutTrailingControls(line);
    return true;
}

bool ChangeLogReader::ReadRawLine(std::string& line) {
    while (true) {
        std::size_t feed = buffer_.find('\n', start_);
        if (feed != std::string::npos) {
            line.assign(buffer_, start_, feed - start_);
            start_ = feed + 1;
            return true;
        }
        if (buffer_.size() - start_ > kLongestLine) {
            failed_ = true; // no log holds such a line
            return false;
        }
        if (eof_) {
            if (start_ == buffer_.size()) {
                return false;
            }
            line.assign(buffer_, start_, std::string::npos); // a last line without its end
            start_ = buffer_.size();
            return true;
        }
        buffer_.erase(0, start_);
        start_ = 0;
        std::size_t have = buffer_.size();
        buffer_.resize(have + 65536);
        long n = ReadFully(fd_.get(), buffer_.data() + have, 65536);
        if (n < 0) {
            buffer_.resize(have);
            failed_ = true;
            return false;
        }
        buffer_.resize(have + static_cast<std::size_t>(n));
        eof_ = n < 65536;
    }
}

bool ChangeLogReader::Next(ChangeRecord& record) {
    if (!opened() || failed_) {
        return false;
    }
    std::string line;
    while (ReadLine(line)) {
        const bool first = first_;
        first_ = false;
        if (first && line.rfind(kHeader, 0) == 0) {
            // The start the records were made in follows the header.
            bootId_ = line.size() > kHeader.size() + 1 ? line.substr(kHeader.size() + 1) : "-";
            continue;
        }
        if (line == kFinished) {
            finished_ = true;
            continue;
        }
        if (line.rfind(kRoot, 0) == 0) {
            roots_.push_back(line.substr(kRoot.size()));
            continue;
        }
        if (line.empty() || line[0] == '#') {
            continue;
        }
        record = ChangeRecord{};
        record.path = line;
        record.bootId = bootId_;
        // A record follows its path; a log of the old form has none.
        std::string next;
        if (ReadLine(next)) {
            if (!next.empty() && next[0] == '=') {
                if (!ParseRecord(std::string_view(next).substr(1), record)) {
                    failed_ = true;
                    return false;
                }
                if (ReadLine(next)) {
                    if (!next.empty() && next[0] == '~') {
                        record.copyPath = next.substr(1);
                    } else {
                        peeked_ = std::move(next);
                        hasPeeked_ = true;
                    }
                }
            } else {
                peeked_ = std::move(next); // the next path
                hasPeeked_ = true;
            }
        }
        return !failed_;
    }
    return false;
}

bool MarkChangeLogFinished(const std::string& path) {
    FileDescriptor fd(
        ::open(path.c_str(), O_WRONLY | O_APPEND | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    return fd.get() >= 0 && WriteFully(fd.get(), std::string(kFinished) + "\r\n") && fd.Close();
}

bool KeepInChangeLog(const std::string& path,
                     const std::function<bool(const ChangeRecord& record)>& keep) {
    std::string next = path + ".XXXXXX";
    FileDescriptor fd(::mkstemp(next.data()));
    if (fd.get() < 0) {
        return false;
    }
    ::fchmod(fd.get(), 0644);
    ChangeLogReader log(path);
    ChangeRecord record;
    std::vector<ChangeRecord> kept;
    bool any = false;
    std::unique_ptr<ChangeLogWriter> writer;
    bool ok = true;
    while (ok && log.Next(record)) {
        if (!writer) {
            writer = std::make_unique<ChangeLogWriter>(::dup(fd.get()), log.roots(), log.bootId());
        }
        if (keep(record)) {
            ok = writer->Add(record);
            any = true;
        }
    }
    ok = ok && log.opened() && !log.failed() && (!writer || writer->Close());
    if (ok && !any) {
        ok = WriteFully(fd.get(), std::string(kFinished) + "\r\n");
    }
    ok = ok && ::fsync(fd.get()) == 0 && fd.Close() && ::rename(next.c_str(), path.c_str()) == 0;
    if (!ok) {
        ::unlink(next.c_str());
    }
    return ok;
}
