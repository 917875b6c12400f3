// The program's string table: every message, progress title, file filter and
// column caption by id, and every text quintrel-batch prints (7000 and up), in
// German (49, the original) and English (44).
//
// A message text starts with its code: a kind letter ('s' error, '!' notice,
// '?' question), zero or more button letters (O OK, C Cancel, R Retry,
// I Ignore, Y Yes, N No; none means a single OK), then one blank. The code is
// never shown. "%s" in the text is filled by the inserts, left to right.
#pragma once

#include <map>
#include <string>
#include <string_view>
#include <vector>

inline constexpr int kLanguageGerman = 49;
inline constexpr int kLanguageEnglish = 44;

// Button codes of a message box.
enum class Answer : int { Ok = 1, Cancel = 2, Abort = 3, Retry = 4, Ignore = 5, Yes = 6, No = 7 };

// String ids the engine, the batch tool and the program share.
enum StringId : int {
    kMsgOutOfMemory = 2000,
    kMsgInvalidDate = 2001,
    kMsgInvalidTime = 2002,
    kMsgNoDirectory = 2003,
    kMsgNoFileGroup = 2004,
    kMsgNoSearchTerm = 2005,
    kMsgNoFilesFound = 2006,
    kMsgFileListNotOpened = 2007,
    kMsgCannotOpenFile = 2008,
    kMsgCannotCreateTemp = 2009,
    kMsgWriteError = 2010,
    kMsgDeleteError = 2011,
    kMsgRenameError = 2012,
    kMsgNotTextFile = 2013,
    kMsgChangeLogNotCreated = 2014,
    kMsgChangeLogWriteError = 2015,
    kMsgChangeLogNotOpened = 2016,
    kMsgNoViewer = 2017,
    kMsgNoPdfViewer = 2018,
    kMsgNotRepresentable = 2019,
    kMsgProfileNotSaved = 2020,
    kMsgWriteProtected = 2021,
    kMsgPermissionsNotCarried = 2022,
    kMsgBackupKeptNotDurable = 2023,
    kMsgBackupChangedKept = 2024,
    kMsgNewContentLost = 2025,
    kMsgChangeLogFinished = 2026,
    kMsgDirectoryCharacter = 2027,
    kMsgBadPattern = 2028,
    kMsgBadGroupReference = 2029,
    kMsgMatchLimit = 2030,
    kMsgEmptyReplacement = 2500,
    kMsgReplacementEqualsSearch = 2501,
    kMsgNoFileChanged = 2502,
    kMsgAllUndone = 2503,
    kMsgAcceptAll = 2504,
    kMsgConfirmFile = 2505,
    kMsgTranslationWritten = 2506,
    kMsgUndoOverLaterEdit = 2507,
    kMsgLongLinesNotReplaced = 2508,
    kMsgDirectoriesNotSearched = 2509,
    kFilterProfiles = 3000,
    kFilterAllFiles = 3001,
    kFilterTranslations = 3002,
    kTitleRun = 4000,
    kTitleReplaceStrings = 4001,
    kTitleLoadProfile = 4002,
    kTitleSaveProfile = 4003,
    kTitleChooseDirectory = 4004,
    kTitleCommit = 4005,
    kTitleUndo = 4006,
    kTitleScan = 4007,
    kTitleTranslationFile = 4008,
    kColumnSearch = 5000,
    kColumnReplace = 5001,
    kMsgCannotOpen = 5007,
    kLabelFilesProcessed = 6014,
    kLabelFilesChanged = 6015,
    kLabelReplacementsMade = 6016,
    kLabelLinesChanged = 6017,
    kLabelEmptyLinesRemoved = 6012,
    kLabelChangedFiles = 6020,
    kLabelLinesTooLong = 6021,
    kColumnFile = 6022,
    kColumnReplacements = 6023,
    kColumnOldLine = 6024,
    kColumnNewLine = 6025,
    kColumnLineContent = 6026,
    kNoteLineEnds = 6027,
    kNoteChangedAfterRun = 6028,
    kNoteTooLargeToCompare = 6029,
    kNoteUnreadable = 6030,
    kNoteSearching = 6031,
    kNoteUnchangedLines = 6032,
    kNoteNoLineChanged = 6033,
    kNoteLineTooLongToShow = 6034,
    kTextAtCharacter = 6035,
};

// File filters ("description|pattern|" pairs) have the ids 3000 to 3999.
inline bool IsFileFilter(int id) {
    return id >= 3000 && id < 4000;
}

// The interface language of the string table (49 or 44; any other code reads
// the German texts). Process-wide; set at start and on a change of language.
void SetStringLanguage(int language);
int StringLanguage();

// The stored text of `id` in `language`, code letters included; empty for an
// id that does not exist. A language without a text of its own gives German.
std::string_view StoredString(int id, int language);
// The same in the current language.
std::string_view LoadTranslatedString(int id);
// True when the table has a text of its own for `id` in `language`.
bool HasOwnTranslation(int id, int language);
// Gives the table the texts of `language` (any but 44 and 49, which the table
// holds itself), by id, as a translator's catalogue has them; an id without
// one stays German. A text that changes a message's code or its number of
// inserts is left out. Replaces the texts an earlier call gave; German or
// English drops them. Gives the number of texts taken. Call it only while no
// text of the table is in use elsewhere (at start or on a change of language).
int SetStringTranslations(int language, const std::map<int, std::string>& texts);
// Every id of the table, ascending.
std::vector<int> AllStringIds();

struct MessageParts {
    char kind = 's';       // 's', '!' or '?'
    std::string buttons;   // the button letters, "" for a single OK
    std::string_view text; // the text without its code and the blank after it
};

// Splits a stored message into its code and its text. A text without a
// recognisable code is taken as an error with a single OK.
MessageParts ParseMessage(std::string_view stored);

// Fills "%s" in `text` from the inserts, in one pass from left to right:
// inserted text is never looked at again, so an insert holding "%s" stays
// as it is. A third and later "%s" become empty.
std::string FillInserts(std::string_view text, std::string_view insert1, std::string_view insert2);

// How many "%s" a text holds.
int CountInserts(std::string_view text);

// The button codes a message's letters offer, in the order of the letters
// (a single OK when there are none).
std::vector<Answer> ButtonsOf(const MessageParts& parts);
