#include "batch_texts.h"

#include "program_settings.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <iterator>
#include <utility>

namespace {

// The buttons' names are stored under 7100 + their code, the help under 7200.
constexpr int kButtonNames = 7100;
constexpr int kHelp = 7200;

std::string Lower(std::string_view text) {
    std::string lower(text);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return lower;
}

std::string_view Trim(std::string_view text) {
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front()))) {
        text.remove_prefix(1);
    }
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back()))) {
        text.remove_suffix(1);
    }
    return text;
}

bool StartsWith(std::string_view name, std::string_view prefix) {
    return name.substr(0, prefix.size()) == prefix;
}

} // namespace

std::string ToolMessage(ToolText id, std::string_view insert1, std::string_view insert2) {
    return FillInserts(LoadTranslatedString(static_cast<int>(id)), insert1, insert2);
}

MessageParts MessageOf(int id) {
    return ParseMessage(LoadTranslatedString(id));
}

std::string MessageText(int id, std::string_view insert1, std::string_view insert2) {
    return FillInserts(MessageOf(id).text, insert1, insert2);
}

int InsertCount(int id) {
    return std::min(CountInserts(MessageOf(id).text), 2);
}

std::string_view TableText(int id) {
    return LoadTranslatedString(id);
}

std::string_view ButtonName(Answer answer) {
    return LoadTranslatedString(kButtonNames + static_cast<int>(answer));
}

std::optional<Answer> ParsePromptAnswer(std::string_view input,
                                        const std::vector<Answer>& buttons) {
    std::string typed = Lower(Trim(input));
    if (typed.empty()) {
        return std::nullopt;
    }
    std::optional<Answer> found;
    for (Answer button : buttons) {
        const int code = static_cast<int>(button);
        bool matches = typed == std::to_string(code);
        for (int language : {StringLanguage(), kLanguageEnglish}) {
            matches =
                matches || StartsWith(Lower(StoredString(kButtonNames + code, language)), typed);
        }
        if (matches) {
            if (found && *found != button) {
                return std::nullopt; // names more than one button
            }
            found = button;
        }
    }
    return found;
}

std::string FormatSummary(const RunStatistics& statistics,
                          const std::vector<std::string>& changed) {
    // The counters in the order the summary shows them.
    const std::pair<std::int32_t, int> rows[] = {
        {statistics.FilesProcessed, kLabelFilesProcessed},
        {statistics.FilesChanged, kLabelFilesChanged},
        {statistics.LinesChanged, kLabelLinesChanged},
        {statistics.ReplacementsMade, kLabelReplacementsMade},
        {statistics.EmptyLinesRemoved, kLabelEmptyLinesRemoved},
    };
    std::vector<std::pair<std::int32_t, int>> shown(std::begin(rows), std::end(rows));
    // Lines too long to replace are named only where there were some.
    if (statistics.LinesTooLong > 0) {
        shown.emplace_back(statistics.LinesTooLong, kLabelLinesTooLong);
    }
    std::size_t width = 1;
    for (const auto& row : shown) {
        width = std::max(width, std::to_string(row.first).size());
    }
    std::string text;
    for (const auto& [value, label] : shown) {
        std::string number = std::to_string(value);
        text.append(width - number.size(), ' ');
        text += number;
        text += "  ";
        text += TableText(label);
        text += '\n';
    }
    if (!changed.empty()) {
        text += '\n';
        text += TableText(kLabelChangedFiles);
        text += '\n';
        for (const std::string& path : changed) {
            text += path;
            text += '\n';
        }
    }
    return text;
}

std::string ForTerminal(std::string_view text) {
    std::string shown;
    shown.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        // C1 controls (U+0080 to U+009F) are C2 80 to C2 9F in UTF-8.
        const bool c1 = byte == 0xC2 && i + 1 < text.size() &&
                        static_cast<unsigned char>(text[i + 1]) >= 0x80 &&
                        static_cast<unsigned char>(text[i + 1]) <= 0x9F;
        if ((byte < 0x20 && byte != '\t') || byte == 0x7F || c1) {
            shown += '?';
            i += c1 ? 1 : 0;
        } else {
            shown += static_cast<char>(byte);
        }
    }
    return shown;
}

std::string FormatLeftover(const Leftover& leftover, bool forTerminal) {
    ToolText state = ToolText::LeftChangedWithBackup;
    switch (leftover.state) {
    case LeftoverState::Nothing: // never listed
    case LeftoverState::ChangedWithBackup:
        state = ToolText::LeftChangedWithBackup;
        break;
    case LeftoverState::ChangedWithBackupAndCopy:
        state = ToolText::LeftChangedWithBackupAndCopy;
        break;
    case LeftoverState::BetweenRenames:
        state = ToolText::LeftBetweenRenames;
        break;
    case LeftoverState::BackupOnly:
        state = ToolText::LeftBackupOnly;
        break;
    case LeftoverState::TemporaryCopy:
        state = ToolText::LeftTemporaryCopy;
        break;
    case LeftoverState::TemporaryOnly:
        state = ToolText::LeftTemporaryOnly;
        break;
    case LeftoverState::NotRegular:
        state = ToolText::LeftNotRegular;
        break;
    case LeftoverState::Unreadable:
        state = ToolText::LeftUnreadable;
        break;
    }
    std::string line = ToolMessage(state, forTerminal ? ForTerminal(leftover.path) : leftover.path);
    switch (leftover.outcome) {
    case FinishOutcome::Reported:
        break;
    case FinishOutcome::Restored:
        line += " -> " + ToolMessage(leftover.finding == Finding::NewContentLost
                                         ? ToolText::DoneRestoredContentLost
                                         : ToolText::DoneRestored);
        break;
    case FinishOutcome::Accepted:
        line += " -> " + ToolMessage(ToolText::DoneAccepted);
        break;
    case FinishOutcome::TemporaryDeleted:
        line += " -> " + ToolMessage(ToolText::DoneTemporaryDeleted);
        break;
    case FinishOutcome::Left:
        line += " -> " + ToolMessage(leftover.finding == Finding::ChangedAfterRun
                                         ? ToolText::DoneLeftChangedAfterRun
                                     : leftover.finding == Finding::BackupNotOurs
                                         ? ToolText::DoneLeftBackupNotOurs
                                         : ToolText::DoneLeft);
        break;
    case FinishOutcome::Failed:
        line += " -> " + ToolMessage(ToolText::DoneFailed, std::strerror(leftover.error));
        break;
    }
    return line + "\n";
}

int DefaultLanguage() {
    return CommandLineLanguage();
}

std::string ForStandardError(std::string_view text) {
    // Every line carries the name, also the lines of a message that lists
    // several things (the directories that could not be searched).
    constexpr std::string_view kName = "quintrel-batch: ";
    std::string out;
    std::size_t at = 0;
    while (at < text.size()) {
        std::size_t feed = text.find('\n', at);
        std::size_t end = feed == std::string_view::npos ? text.size() : feed + 1;
        if (end - at > 1 || text[at] != '\n') {
            out += kName;
        }
        out.append(text.substr(at, end - at));
        at = end;
    }
    return out.empty() ? std::string(kName) : out;
}

std::string_view HelpText() {
    return LoadTranslatedString(kHelp);
}
