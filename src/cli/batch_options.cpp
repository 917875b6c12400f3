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

// The words an option's value may be, and what each stands for.
template <typename Mode> struct Choice {
    const char* word;
    Mode mode;
};
constexpr Choice<PositionMode> kPositions[] = {{"anywhere", PositionMode::Anywhere},
                                               {"start", PositionMode::LineStart},
                                               {"end", PositionMode::LineEnd},
                                               {"column", PositionMode::AtColumn}};
constexpr Choice<CodeMode> kCodes[] = {
    {"ansi", CodeMode::Ansi}, {"oem", CodeMode::Oem}, {"utf8", CodeMode::Utf8}};

template <typename Mode, std::size_t N>
bool Choose(const Choice<Mode> (&choices)[N], const std::string& word, Mode& mode) {
    for (const Choice<Mode>& choice : choices) {
        if (word == choice.word) {
            mode = choice.mode;
            return true;
        }
    }
    return false;
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
    case kMsgWriteProtected:
    case kMsgPermissionsNotCarried:
        return code == 2 || code == 4 || code == 5;
    case kMsgNotTextFile:
        return code == 1 || code == 2;
    case kMsgConfirmFile:
        return code == 2 || code == 6 || code == 7;
    case kMsgUndoOverLaterEdit:
        return code == 6 || code == 7;
    default:
        return false;
    }
}

class Parser {
public:
    static std::vector<std::string> OptionNames();
    Parser(const std::vector<std::string>& args, const std::string& cwd) : args_(args), cwd_(cwd) {}

    BatchOptions Parse() {
        // A changed file keeps its own line ends unless --crlf (or a profile
        // without "KeepLineEnds") asks for CR LF.
        options_.job.keepLineEnds = true;
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
            (this->*known->apply)(*known, values);
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

    using Values = std::vector<std::string>;
    struct KnownOption;
    using Handler = void (Parser::*)(const KnownOption& option, const Values& values);
    struct KnownOption {
        const char* name;
        int arguments;
        Group group;
        Handler apply;
        bool Job::*flag = nullptr; // for SetFlag
    };
    static const KnownOption kOptions[];

    static const KnownOption* FindOption(const std::string& token);

    void SetFlag(const KnownOption& option, const Values&) { options_.job.*option.flag = true; }
    void NoReplace(const KnownOption&, const Values&) { options_.job.performReplace = false; }
    void Crlf(const KnownOption&, const Values&) { options_.job.keepLineEnds = false; }
    void AddDirectory(const KnownOption& known, const Values& values) {
        const std::string option = known.name;
        std::string directory;
        if (NotEmpty(option, values[0]) && Absolute(values[0], directory)) {
            options_.job.directories.push_back(directory);
        }
    }
    void AddFiles(const KnownOption& known, const Values& values) {
        const std::string option = known.name;
        if (!NotEmpty(option, values[0])) {
            return;
        }
        if (values[0].find_first_of("/\t\n") != std::string::npos) {
            Fail(ToolMessage(ToolText::BadPattern, values[0]));
            return;
        }
        options_.job.files.push_back(values[0]);
    }
    void Replace(const KnownOption&, const Values& values) { AddReplacement(values[0], values[1]); }
    void SetPosition(const KnownOption&, const Values& values) {
        if (!Choose(kPositions, values[0], options_.job.position)) {
            Fail(ToolMessage(ToolText::BadPosition, values[0]));
        }
    }
    void SetColumn(const KnownOption&, const Values& values) {
        if (!ParseSignedNumber(values[0], options_.job.positionColumn)) {
            Fail(ToolMessage(ToolText::BadColumn, values[0]));
        }
    }
    void SetCode(const KnownOption&, const Values& values) {
        if (!Choose(kCodes, values[0], options_.job.code)) {
            Fail(ToolMessage(ToolText::BadCode, values[0]));
        }
    }
    void SetDate(const KnownOption& known, const Values& values) {
        const std::string option = known.name;
        if (!dateOption_.empty() && dateOption_ != option) {
            Fail(ToolMessage(ToolText::NewerAndOlder));
            return;
        }
        dateOption_ = option;
        options_.job.dateDependency =
            option == "--newer" ? DateDependency::NewerOrEqual : DateDependency::Older;
        options_.job.compareDate = values[0];
    }
    void SetTime(const KnownOption&, const Values& values) { options_.job.compareTime = values[0]; }
    void Finish(const KnownOption& known, const Values&) {
        const std::string option = known.name;
        SetFinish(option, option == "--undo" ? FinishMode::Undo : FinishMode::Accept, {});
    }
    void FinishWithLog(const KnownOption& known, const Values& values) {
        const std::string option = known.name;
        std::string log;
        if (!NotEmpty(option, values[0]) || !Absolute(values[0], log)) {
            return;
        }
        FinishMode mode = option == "--keep"         ? FinishMode::Keep
                          : option == "--accept-log" ? FinishMode::AcceptLog
                                                     : FinishMode::UndoLog;
        SetFinish(option, mode, log);
    }
    void Recover(const KnownOption& known, const Values& values) {
        const std::string option = known.name;
        std::string directory;
        if (!options_.recoverDirectory.empty()) {
            Fail(ToolMessage(ToolText::RecoverOnce));
        } else if (NotEmpty(option, values[0]) && Absolute(values[0], directory)) {
            options_.recoverDirectory = directory;
        }
    }
    void Answer(const KnownOption&, const Values& values) { AddAnswer(values[0]); }
    void DryRun(const KnownOption&, const Values&) { options_.dryRun = true; }
    void Diff(const KnownOption&, const Values&) { options_.diff = true; }
    void Only(const KnownOption& known, const Values& values) {
        std::string path;
        if (NotEmpty(known.name, values[0]) && Absolute(values[0], path)) {
            options_.only.push_back(path);
        }
    }
    void Json(const KnownOption&, const Values&) {} // taken wherever it stands
    void Quiet(const KnownOption&, const Values&) { options_.quiet = true; }
    void Help(const KnownOption&, const Values&) { Stop(BatchAction::Help); }
    void Version(const KnownOption&, const Values&) { Stop(BatchAction::Version); }
    void SetLanguage(const KnownOption&, const Values& values) {
        const std::string& word = values[0];
        if (word == "44" || word == "49" || word == "en" || word == "de") {
            options_.language = word == "44" || word == "en" ? kLanguageEnglish : kLanguageGerman;
            // What follows, errors included, speaks that language.
            SetStringLanguage(options_.language);
        } else {
            Fail(ToolMessage(ToolText::BadLanguage, values[0]));
        }
    }

    // The profile replaces the whole job except the column, which no
    // profile holds.
    void LoadProfile(const KnownOption& known, const Values& values) {
        const std::string option = known.name;
        const std::string& file = values[0];
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
        const bool withLog = finish == FinishMode::AcceptLog || finish == FinishMode::UndoLog;
        if (!options_.only.empty() && !withLog) {
            Fail(ToolMessage(ToolText::OnlyWithoutLog));
            return;
        }
        if (options_.dryRun && (!finishOption_.empty() || !options_.recoverDirectory.empty())) {
            Fail(ToolMessage(ToolText::DryRunWith,
                             finishOption_.empty() ? "--recover" : finishOption_));
            return;
        }
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

const Parser::KnownOption Parser::kOptions[] = {
    {"--profile", 1, Group::Job, &Parser::LoadProfile},
    {"--dir", 1, Group::Job, &Parser::AddDirectory},
    {"--files", 1, Group::Job, &Parser::AddFiles},
    {"--replace", 2, Group::Job, &Parser::Replace},
    {"--subdirs", 0, Group::Job, &Parser::SetFlag, &Job::subdirs},
    {"--position", 1, Group::Job, &Parser::SetPosition},
    {"--column", 1, Group::Job, &Parser::SetColumn},
    {"--code", 1, Group::Job, &Parser::SetCode},
    {"--ignore-case", 0, Group::Job, &Parser::SetFlag, &Job::capsLock},
    {"--escapes", 0, Group::Job, &Parser::SetFlag, &Job::expandEscape},
    {"--no-replace", 0, Group::Job, &Parser::NoReplace},
    {"--delete-empty-lines", 0, Group::Job, &Parser::SetFlag, &Job::deleteEmptyLines},
    {"--strip-leading-spaces", 0, Group::Job, &Parser::SetFlag, &Job::stripLeadingSpaces},
    {"--strip-trailing-spaces", 0, Group::Job, &Parser::SetFlag, &Job::stripTrailingSpaces},
    {"--strip-leading-tabs", 0, Group::Job, &Parser::SetFlag, &Job::stripLeadingTabs},
    {"--strip-trailing-tabs", 0, Group::Job, &Parser::SetFlag, &Job::stripTrailingTabs},
    {"--newer", 1, Group::Job, &Parser::SetDate},
    {"--older", 1, Group::Job, &Parser::SetDate},
    {"--time", 1, Group::Job, &Parser::SetTime},
    {"--confirm", 0, Group::Job, &Parser::SetFlag, &Job::confirm},
    {"--regex", 0, Group::Job, &Parser::SetFlag, &Job::regex},
    {"--keep-line-ends", 0, Group::Job, &Parser::SetFlag, &Job::keepLineEnds},
    {"--crlf", 0, Group::Job, &Parser::Crlf},
    {"--dry-run", 0, Group::Other, &Parser::DryRun},
    {"--diff", 0, Group::Other, &Parser::Diff},
    {"--only", 1, Group::Other, &Parser::Only},
    {"--accept", 0, Group::Finish, &Parser::Finish},
    {"--undo", 0, Group::Finish, &Parser::Finish},
    {"--keep", 1, Group::Finish, &Parser::FinishWithLog},
    {"--accept-log", 1, Group::Finish, &Parser::FinishWithLog},
    {"--undo-log", 1, Group::Finish, &Parser::FinishWithLog},
    {"--recover", 1, Group::Other, &Parser::Recover},
    {"--answer", 1, Group::Other, &Parser::Answer},
    {"--json", 0, Group::Other, &Parser::Json},
    {"--quiet", 0, Group::Other, &Parser::Quiet},
    {"--help", 0, Group::Other, &Parser::Help},
    {"-h", 0, Group::Other, &Parser::Help},
    {"--version", 0, Group::Other, &Parser::Version},
    {"-V", 0, Group::Other, &Parser::Version},
    {"--lang", 1, Group::Other, &Parser::SetLanguage},
};

std::vector<std::string> Parser::OptionNames() {
    std::vector<std::string> names;
    for (const KnownOption& known : kOptions) {
        names.emplace_back(known.name);
    }
    return names;
}

const Parser::KnownOption* Parser::FindOption(const std::string& token) {
    for (const KnownOption& known : kOptions) {
        if (token == known.name) {
            return &known;
        }
    }
    return nullptr;
}

} // namespace

std::vector<std::string> BatchOptionNames() {
    return Parser::OptionNames();
}

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
