// Every text quintrel-batch prints comes from the program's string table, in
// its current language: the messages, labels and titles it shares with the
// program, and the tool's own texts (usage errors, prompts, button names, the
// help), which a translation of the string table covers as well.
#pragma once

#include "job.h"
#include "recover.h"
#include "string_table.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The tool's own texts by their ids in the string table. "%s" is filled by
// the inserts, left to right.
enum class ToolText : int {
    UnknownOption = 7000,
    MissingArgument = 7001,
    UnexpectedArgument = 7002,
    EmptyArgument = 7003,
    ProfileUnreadable = 7004,
    NoCurrentDirectory = 7005,
    BadColumn = 7006,
    BadPosition = 7007,
    BadCode = 7008,
    BadAnswerForm = 7009,
    BadAnswerValue = 7010,
    EmptySearch = 7011,
    SearchTooLong = 7012,
    ReplacementTooLong = 7013,
    BadPattern = 7014,
    NewerAndOlder = 7015,
    TwoFinishModes = 7016,
    JobOptionWithLog = 7017,
    KeepLogExists = 7018,
    TryHelp = 7019,
    AnswerTaken = 7020,
    AnswerPrompt = 7021,
    AnswerAgain = 7022,
    StopNotice = 7023,
    RecoverOnce = 7024,
    RecoverUnreadable = 7025,
    RecoverNothingFound = 7026,
    // The states of what an interrupted run left (one path each).
    LeftChangedWithBackup = 7027,
    LeftChangedWithBackupAndCopy = 7028,
    LeftBetweenRenames = 7029,
    LeftBackupOnly = 7030,
    LeftTemporaryCopy = 7031,
    LeftTemporaryOnly = 7032,
    LeftNotRegular = 7033,
    LeftUnreadable = 7034,
    // What recovery did with it.
    DoneRestored = 7035,
    DoneAccepted = 7036,
    DoneTemporaryDeleted = 7037,
    DoneLeft = 7038,
    DoneFailed = 7039,
    BadLanguage = 7040,
    DoneLeftChangedAfterRun = 7041,
    DoneLeftBackupNotOurs = 7042,
    DoneRestoredContentLost = 7043,
    OutputNotWritten = 7044,
    OnlyWithoutLog = 7045,
    DryRunWith = 7046,
};

// The tool's own text in the current language, inserts filled.
std::string ToolMessage(ToolText id, std::string_view insert1 = {}, std::string_view insert2 = {});

// A string-table message as the user reads it: without its code, inserts
// filled.
std::string MessageText(int id, std::string_view insert1 = {}, std::string_view insert2 = {});
// The string table's code and text of a message.
MessageParts MessageOf(int id);
// How many inserts a message's text takes (0, 1 or 2).
int InsertCount(int id);
// A plain string-table text (labels, titles).
std::string_view TableText(int id);

// The name of a button in the current language ("Ja", "Abbrechen", ...).
std::string_view ButtonName(Answer answer);

// Reads what the user typed at a question offering `buttons`: the button's
// code ("6"), or the start of its name in the current language or in English
// when that start names one button only ("j", "ja", "yes"); letter case does
// not matter, surrounding blanks are ignored. Nothing when the input names
// no offered button, or more than one.
std::optional<Answer> ParsePromptAnswer(std::string_view input, const std::vector<Answer>& buttons);

// The closing summary: the five counters under the summary's labels, then
// the changed files under their heading (left out when there are none).
std::string FormatSummary(const RunStatistics& statistics, const std::vector<std::string>& changed);

// `text` made safe to show on a terminal: every control character (tab
// excepted, line breaks included) becomes '?', so a file name can neither
// move the cursor nor send the terminal a command.
std::string ForTerminal(std::string_view text);

// One line of the recovery report: the leftover's state with its path and,
// when it was finished, what was done.
std::string FormatLeftover(const Leftover& leftover, bool forTerminal);

// The language the tool speaks when --lang does not say: the program's
// interface language setting, else the locale's (German for de*, else
// English).
int DefaultLanguage();

// A message for standard error as a command-line tool writes it: the
// tool's name, a colon and a blank before the text.
std::string ForStandardError(std::string_view text);

// The text of --help.
std::string_view HelpText();
