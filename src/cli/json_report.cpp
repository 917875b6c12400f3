#include "json_report.h"

#include "code_pages.h"

#include <cstdio>

namespace {

void AppendHexEscape(std::string& out, unsigned value) {
    char escape[8];
    std::snprintf(escape, sizeof escape, "\\u%04x", value);
    out += escape;
}

void AppendStringArray(std::string& out, const std::vector<std::string>& items) {
    out += '[';
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (i > 0) {
            out += ',';
        }
        out += JsonString(items[i]);
    }
    out += ']';
}

} // namespace

std::string JsonString(std::string_view bytes) {
    std::string out = "\"";
    while (!bytes.empty()) {
        const auto byte = static_cast<unsigned char>(bytes.front());
        char32_t codePoint = 0;
        int length = DecodeUtf8(bytes, codePoint);
        if (length == 0) {
            AppendHexEscape(out, 0xDC00 + byte);
            bytes.remove_prefix(1);
            continue;
        }
        if (length > 1) {
            out.append(bytes.substr(0, static_cast<std::size_t>(length)));
        } else if (byte == '"') {
            out += "\\\"";
        } else if (byte == '\\') {
            out += "\\\\";
        } else if (byte == '\n') {
            out += "\\n";
        } else if (byte == '\r') {
            out += "\\r";
        } else if (byte == '\t') {
            out += "\\t";
        } else if (byte < 0x20 || byte == 0x7F) {
            AppendHexEscape(out, byte);
        } else {
            out += static_cast<char>(byte);
        }
        bytes.remove_prefix(static_cast<std::size_t>(length));
    }
    out += '"';
    return out;
}

std::string JsonReport(const BatchReport& report) {
    const RunStatistics& s = report.statistics;
    std::string out = "{";
    out += "\"FilesProcessed\":" + std::to_string(s.FilesProcessed);
    out += ",\"FilesChanged\":" + std::to_string(s.FilesChanged);
    out += ",\"LinesChanged\":" + std::to_string(s.LinesChanged);
    out += ",\"ReplacementsMade\":" + std::to_string(s.ReplacementsMade);
    out += ",\"EmptyLinesRemoved\":" + std::to_string(s.EmptyLinesRemoved);
    out += ",\"LinesTooLong\":" + std::to_string(s.LinesTooLong);
    out += ",\"changed\":";
    AppendStringArray(out, report.changed);
    out += ",\"files\":[";
    for (std::size_t i = 0; i < report.files.size(); ++i) {
        const FileReport& file = report.files[i];
        const FileCounters& c = file.counters;
        out += i > 0 ? ",{" : "{";
        out += "\"path\":" + JsonString(file.path);
        out += ",\"LinesChanged\":" + std::to_string(c.lineChanges);
        out += ",\"ReplacementsMade\":" + std::to_string(c.replacements);
        out += ",\"EmptyLinesRemoved\":" + std::to_string(c.emptyLinesRemoved);
        out += ",\"LinesTooLong\":" + std::to_string(c.longLines);
        if (file.hasDiff) {
            out += ",\"diff\":" + JsonString(file.diff);
        }
        out += "}";
    }
    out += ']';
    out += ",\"messages\":[";
    for (std::size_t i = 0; i < report.messages.size(); ++i) {
        const ReportedMessage& message = report.messages[i];
        if (i > 0) {
            out += ',';
        }
        out += "{\"id\":" + std::to_string(message.id) + ",\"inserts\":";
        AppendStringArray(out, message.inserts);
        out += ",\"answer\":" + std::to_string(message.answer) + "}";
    }
    out += ']';
    if (!report.error.empty()) {
        out += ",\"error\":" + JsonString(report.error);
    }
    out += "}\n";
    return out;
}

std::string JsonRecoverReport(const std::vector<Leftover>& leftovers, const std::string& error) {
    static const char* const kStates[] = {
        "changed-with-backup", "changed-with-backup-and-temporary",
        "between-renames",     "backup-only",
        "temporary-copy",      "temporary-only",
        "not-regular",         "unreadable",
    };
    static const char* const kOutcomes[] = {
        "reported", "restored", "accepted", "temporary-deleted", "left", "failed",
    };
    std::string out = "{\"leftovers\":[";
    for (std::size_t i = 0; i < leftovers.size(); ++i) {
        const Leftover& leftover = leftovers[i];
        if (i > 0) {
            out += ',';
        }
        out += "{\"file\":" + JsonString(leftover.path);
        out += ",\"state\":\"";
        out += kStates[static_cast<int>(leftover.state)];
        out += "\",\"outcome\":\"";
        out += kOutcomes[static_cast<int>(leftover.outcome)];
        out += "\"}";
    }
    out += ']';
    if (!error.empty()) {
        out += ",\"error\":" + JsonString(error);
    }
    out += "}\n";
    return out;
}
