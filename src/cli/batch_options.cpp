#include "batch_options.h"

#include "batch_texts.h"
#include "code_pages.h"
#include "profile.h"
#include "settings_store.h"
#include "velmor_strings.h"

#include <cstdint>
#include <sys/stat.h>

namespace {

// The longest text the replacement entry dialog takes.
constexpr std::size_t kMaxEntryCharacters = 499;

enum class Group { Job, Finish, Other };

struct KnownOption {
    const char* name;
    int arguments;
    Group group;
};

const KnownOption kOptions[] = {
    {"--profile", 1, Group::Job},
    {"--dir", 1, Group::Job},
    {"--files", 1, Group::Job},
    {"--replace", 2, Group::Job},
    {"--subdirs", 0, Group::Job},
    {"--position", 1, Group::Job},
    {"--column", 1, Group::Job},
    {"--code", 1, Group::Job},
    {"--ignore-case", 0, Group::Job},
    {"--escapes", 0, Group::Job},
    {"--no-replace", 0, Group::Job},
    {"--delete-empty-lines", 0, Group::Job},
    {"--strip-leading-spaces", 0, Group::Job},
    {"--strip-trailing-spaces", 0, Group::Job},
    {"--strip-leading-tabs", 0, Group::Job},
    {"--strip-trailing-tabs", 0, Group::Job},
    {"--newer", 1, Group::Job},
    {"--older", 1, Group::Job},
    {"--time", 1, Group::Job},
    {"--confirm", 0, Group::Job},
    {"--keep-line-ends", 0, Group::Job},
    {"--accept", 0, Group::Finish},
    {"--undo", 0, Group::Finish},
    {"--keep", 1, Group::Finish},
    {"--accept-log", 1, Group::Finish},
    {"--undo-log", 1, Group::Finish},
    {"--recover", 1, Group::Other},
    {"--answer", 1, Group::Other},
    {"--json", 0, Group::Other},
    {"--quiet", 0, Group::Other},
    {"--help", 0, Group::Other},
    {"--version", 0, Group::Other},
    {"--lang", 1, Group::Other},
};

const KnownOption* FindOption(const std::string& token) {
    for (const KnownOption& known : kOptions) {
        if (token == known.name) {
            return &known;
        }
    }
    return nullptr;
}

// A signed decimal number that fills the whole text and fits 32 bits.
bool ParseSignedNumber(const std::string& text, std::int32_t& value) {
    std::size_t i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    if (i == text.size()) {
        return false;
    }
    std::int64_t number = 0;
    for (; i < text.size(); ++i) {
        if (text[i] < '0' || text[i] > '9') {
            return false;
        }
        number = number * 10 + (text[i] - '0');
        if (number > std::int64_t{INT32_MAX} + 1) {
            return false;
        }
    }
    number = negative ? -number : number;
    if (number > INT32_MAX || number < INT32_MIN) {
        return false;
    }
    value = static_cast<std::int32_t>(number);
    return true;
}

// Digits only, at most nine of them.
bool ParseCode(const std::string& text, int& value) {
    if (text.empty() || text.size() > 9) {
        return false;
    }
    value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') {
            return false;
        }
        value = value * 10 + (c - '0');
    }
    return true;
}

// The first characters of a long text, for a message.
std::string Beginning(const std::string& text) {
    std::string_view rest = text;
    std::string beginning;
    for (int n = 0; n < 30 && !rest.empty(); ++n) {
        char32_t codePoint = 0;
        int length = DecodeUtf8(rest, codePoint);
        std::size_t take = length > 0 ? static_cast<std::size_t>(length) : 1;
        beginning.append(rest.substr(0, take));
        rest.remove_prefix(take);
    }
    return beginning + "...";
}

// The questions an --answer may cover, with the buttons each offers.
bool AnswerAllowed(int id, int code) {
    switch (id) {
    case kMsgCannotOpenFile:
        return code == 2 || code == 4 || code == 5;
    case kMsgNotTextFile:
        return code == 1 || code == 2;
    case kMsgConfirmFile:
        return code == 2 || code == 6 || code == 7;
    default:
        return false;
    }
}

class Parser {
public:
    Parser(const std::vector<std::string>& args, const std::string& cwd) : args_(args), cwd_(cwd) {}

    BatchOptions Parse() {
        std::size_t i = 0;
        while (i < args_.size()) {
            const std::string& token = args_[i++];
            const KnownOption* known = FindOption(token);
            if (known == nullptr) {
                bool looksLikeOption = !token.empty() && token[0] == '-';
                Fail(ToolMessage(looksLikeOption ? ToolText::UnknownOption
                                                 : ToolText::UnexpectedArgument,
                                 token));
                continue;
            }
            // A one-argument option followed by another option has lost its
            // argument. The texts of --replace are taken as they stand: a
            // search text may well look like an option.
            std::vector<std::string> values;
            bool missing = false;
            for (int k = 0; k < known->arguments; ++k) {
                if (i >= args_.size() || (known->arguments == 1 && FindOption(args_[i]))) {
                    missing = true;
                    break;
                }
                values.push_back(args_[i++]);
            }
            if (token == "--json") {
                options_.json = true; // recognised even after an error
            }
            if (stopped_) {
                continue;
            }
            if (missing) {
                Fail(ToolMessage(ToolText::MissingArgument, token));
                continue;
            }
            if (known->group == Group::Job && firstJobOption_.empty()) {
                firstJobOption_ = token;
            }
            Apply(token, values);
        }
        if (!stopped_) {
            CheckCombination();
        }
        return options_;
    }

private:
    void Fail(std::string message) {
        if (stopped_) {
            return;
        }
        stopped_ = true;
        options_.action = BatchAction::UsageError;
        options_.error = std::move(message);
    }

    void Stop(BatchAction action) {
        stopped_ = true;
        options_.action = action;
    }

    // Gives `path` made absolute, or fails.
    bool Absolute(const std::string& path, std::string& result) {
        if (path.empty() || (path[0] != '/' && cwd_.empty())) {
            Fail(ToolMessage(ToolText::NoCurrentDirectory, path));
            return false;
        }
        result = MakeAbsolute(cwd_, path);
        return true;
    }

    bool NotEmpty(const std::string& option, const std::string& value) {
        if (value.empty()) {
            Fail(ToolMessage(ToolText::EmptyArgument, option));
            return false;
        }
        return true;
    }

    void Apply(const std::string& option, const std::vector<std::string>& values) {
        Job& job = options_.job;
        const std::string value = values.empty() ? std::string() : values[0];
        if (option == "--profile") {
            LoadProfile(option, value);
        } else if (option == "--dir") {
            std::string directory;
            if (NotEmpty(option, value) && Absolute(value, directory)) {
                job.directories.push_back(directory);
            }
        } else if (option == "--files") {
            if (!NotEmpty(option, value)) {
                return;
            }
            if (value.find_first_of("/\t\n") != std::string::npos) {
                Fail(ToolMessage(ToolText::BadPattern, value));
                return;
            }
            job.files.push_back(value);
        } else if (option == "--replace") {
            AddReplacement(values[0], values[1]);
        } else if (option == "--subdirs") {
            job.subdirs = true;
        } else if (option == "--position") {
            if (value == "anywhere") {
                job.position = PositionMode::Anywhere;
            } else if (value == "start") {
                job.position = PositionMode::LineStart;
            } else if (value == "end") {
                job.position = PositionMode::LineEnd;
            } else if (value == "column") {
                job.position = PositionMode::AtColumn;
            } else {
                Fail(ToolMessage(ToolText::BadPosition, value));
            }
        } else if (option == "--column") {
            if (!ParseSignedNumber(value, job.positionColumn)) {
                Fail(ToolMessage(ToolText::BadColumn, value));
            }
        } else if (option == "--code") {
            if (value == "ansi") {
                job.code = CodeMode::Ansi;
            } else if (value == "oem") {
                job.code = CodeMode::Oem;
            } else if (value == "utf8") {
                job.code = CodeMode::Utf8;
            } else {
                Fail(ToolMessage(ToolText::BadCode, value));
            }
        } else if (option == "--ignore-case") {
            job.capsLock = true;
        } else if (option == "--escapes") {
            job.expandEscape = true;
        } else if (option == "--no-replace") {
            job.performReplace = false;
        } else if (option == "--delete-empty-lines") {
            job.deleteEmptyLines = true;
        } else if (option == "--strip-leading-spaces") {
            job.stripLeadingSpaces = true;
        } else if (option == "--strip-trailing-spaces") {
            job.stripTrailingSpaces = true;
        } else if (option == "--strip-leading-tabs") {
            job.stripLeadingTabs = true;
        } else if (option == "--strip-trailing-tabs") {
            job.stripTrailingTabs = true;
        } else if (option == "--newer" || option == "--older") {
            if (!dateOption_.empty() && dateOption_ != option) {
                Fail(ToolMessage(ToolText::NewerAndOlder));
                return;
            }
            dateOption_ = option;
            job.dateDependency =
                option == "--newer" ? DateDependency::NewerOrEqual : DateDependency::Older;
            job.compareDate = value;
        } else if (option == "--time") {
            job.compareTime = value;
        } else if (option == "--confirm") {
            job.confirm = true;
        } else if (option == "--keep-line-ends") {
            job.keepLineEnds = true;
        } else if (option == "--accept") {
            SetFinish(option, FinishMode::Accept, {});
        } else if (option == "--undo") {
            SetFinish(option, FinishMode::Undo, {});
        } else if (option == "--keep" || option == "--accept-log" || option == "--undo-log") {
            std::string log;
            if (!NotEmpty(option, value) || !Absolute(value, log)) {
                return;
            }
            FinishMode mode = option == "--keep"         ? FinishMode::Keep
                              : option == "--accept-log" ? FinishMode::AcceptLog
                                                         : FinishMode::UndoLog;
            SetFinish(option, mode, log);
        } else if (option == "--recover") {
            std::string directory;
            if (!options_.recoverDirectory.empty()) {
                Fail(ToolMessage(ToolText::RecoverOnce));
            } else if (NotEmpty(option, value) && Absolute(value, directory)) {
                options_.recoverDirectory = directory;
            }
        } else if (option == "--answer") {
            AddAnswer(value);
        } else if (option == "--quiet") {
            options_.quiet = true;
        } else if (option == "--help") {
            Stop(BatchAction::Help);
        } else if (option == "--version") {
            Stop(BatchAction::Version);
        } else if (option == "--lang") {
            if (value == "44" || value == "49") {
                options_.language = value == "44" ? kLanguageEnglish : kLanguageGerman;
                // What follows, errors included, speaks that language.
                SetStringLanguage(options_.language);
            } else {
                Fail(ToolMessage(ToolText::BadLanguage, value));
            }
        }
    }

    // The profile replaces the whole job except the column, which no
    // profile holds.
    void LoadProfile(const std::string& option, const std::string& file) {
        std::string path;
        if (!NotEmpty(option, file) || !Absolute(file, path)) {
            return;
        }
        StoreLocation location = ProfileLocation(path);
        if (!LoadSettingsDocument(location)) {
            Fail(ToolMessage(ToolText::ProfileUnreadable, file));
            return;
        }
        Job& job = options_.job;
        job = JobFromProfile(ReadProfile(location), job.positionColumn);
        for (std::string& directory : job.directories) {
            if (!directory.empty() && !Absolute(directory, directory)) {
                return;
            }
        }
        dateOption_.clear();
    }

    void AddReplacement(const std::string& search, const std::string& replacement) {
        if (search.empty()) {
            Fail(ToolMessage(ToolText::EmptySearch));
        } else if (CountCharacters(search) > kMaxEntryCharacters) {
            Fail(ToolMessage(ToolText::SearchTooLong, Beginning(search)));
        } else if (CountCharacters(replacement) > kMaxEntryCharacters) {
            Fail(ToolMessage(ToolText::ReplacementTooLong, Beginning(replacement)));
        } else {
            options_.job.replace.push_back(ReplacementRow{search, replacement});
        }
    }

    void AddAnswer(const std::string& text) {
        std::size_t equals = text.find('=');
        int id = 0;
        int code = 0;
        if (equals == std::string::npos || !ParseCode(text.substr(0, equals), id) ||
            !ParseCode(text.substr(equals + 1), code)) {
            Fail(ToolMessage(ToolText::BadAnswerForm, text));
            return;
        }
        if (!AnswerAllowed(id, code)) {
            Fail(ToolMessage(ToolText::BadAnswerValue, text));
            return;
        }
        options_.answers[id] = code;
    }

    void SetFinish(const std::string& option, FinishMode mode, const std::string& log) {
        if (!finishOption_.empty() && (mode != options_.finish || log != options_.log)) {
            Fail(ToolMessage(ToolText::TwoFinishModes, finishOption_, option));
            return;
        }
        finishOption_ = option;
        options_.finish = mode;
        options_.log = log;
    }

    void CheckCombination() {
        const FinishMode finish = options_.finish;
        if (!options_.recoverDirectory.empty()) {
            // Recovery takes no job; --undo and --accept say how to finish.
            if (!firstJobOption_.empty()) {
                Fail(ToolMessage(ToolText::JobOptionWithLog, "--recover", firstJobOption_));
            } else if (finish != FinishMode::Accept && finish != FinishMode::Undo) {
                Fail(ToolMessage(ToolText::TwoFinishModes, finishOption_, "--recover"));
            } else {
                options_.action = BatchAction::Recover;
                options_.recoverMode = finishOption_.empty()        ? RecoverMode::Report
                                       : finish == FinishMode::Undo ? RecoverMode::Undo
                                                                    : RecoverMode::Accept;
            }
            return;
        }
        if (finish == FinishMode::AcceptLog || finish == FinishMode::UndoLog) {
            if (!firstJobOption_.empty()) {
                Fail(ToolMessage(ToolText::JobOptionWithLog, finishOption_, firstJobOption_));
                return;
            }
            options_.action = BatchAction::FinishLog;
            return;
        }
        // A log that exists may be the only record of an earlier kept run.
        struct stat st {};
        if (finish == FinishMode::Keep && ::lstat(options_.log.c_str(), &st) == 0) {
            Fail(ToolMessage(ToolText::KeepLogExists, options_.log));
            return;
        }
        options_.action = BatchAction::Run;
    }

    const std::vector<std::string>& args_;
    const std::string& cwd_;
    BatchOptions options_;
    bool stopped_ = false;
    std::string firstJobOption_; // the first job option given
    std::string finishOption_;   // the finishing option given
    std::string dateOption_;     // --newer or --older, since the last profile
};

} // namespace

BatchOptions ParseCommandLine(const std::vector<std::string>& args, const std::string& cwd) {
    return Parser(args, cwd).Parse();
}

std::string MakeAbsolute(const std::string& cwd, const std::string& path) {
    std::string joined = !path.empty() && path[0] == '/' ? path : cwd + "/" + path;
    std::string result;
    for (const std::string& part : SplitAt(joined, '/')) {
        if (part.empty() || part == ".") {
            continue;
        }
        result += '/';
        result += part;
    }
    return result.empty() ? "/" : result;
}

std::size_t CountCharacters(const std::string& text) {
    std::string_view rest = text;
    std::size_t count = 0;
    while (!rest.empty()) {
        char32_t codePoint = 0;
        int length = DecodeUtf8(rest, codePoint);
        rest.remove_prefix(length > 0 ? static_cast<std::size_t>(length) : 1);
        ++count;
    }
    return count;
}
