#include "batch_options.h"
#include "batch_texts.h"
#include "profile.h"
#include "program_settings.h"
#include "test_support.h"

#include <gtest/gtest.h>
#include <sstream>

using testing_support::TempDir;
using testing_support::WriteFile;

namespace {

const std::string kCwd = "/work/here";

BatchOptions Parse(std::vector<std::string> args) {
    return ParseCommandLine(args, kCwd);
}

TEST(BatchOptions, EveryJobOptionReachesTheJob) {
    BatchOptions o = Parse({"--dir",
                            "/a",
                            "--dir",
                            "rel/./x//",
                            "--files",
                            "*.txt",
                            "--files",
                            "b?.c",
                            "--replace",
                            "x",
                            "y",
                            "--replace",
                            "--json",
                            "",
                            "--subdirs",
                            "--position",
                            "column",
                            "--column",
                            "-7",
                            "--code",
                            "oem",
                            "--ignore-case",
                            "--escapes",
                            "--no-replace",
                            "--delete-empty-lines",
                            "--strip-leading-spaces",
                            "--strip-trailing-spaces",
                            "--strip-leading-tabs",
                            "--strip-trailing-tabs",
                            "--older",
                            "1.2.2003",
                            "--time",
                            "4:05",
                            "--confirm",
                            "--keep-line-ends"});
    ASSERT_EQ(o.action, BatchAction::Run) << o.error;
    Job expected;
    expected.directories = {"/a", "/work/here/rel/x"};
    expected.files = {"*.txt", "b?.c"};
    // The texts of --replace are taken as they stand, even one like "--json".
    expected.replace = {{"x", "y"}, {"--json", ""}};
    expected.subdirs = true;
    expected.position = PositionMode::AtColumn;
    expected.positionColumn = -7;
    expected.code = CodeMode::Oem;
    expected.capsLock = expected.expandEscape = expected.deleteEmptyLines = true;
    expected.performReplace = false;
    expected.stripLeadingSpaces = expected.stripTrailingSpaces = true;
    expected.stripLeadingTabs = expected.stripTrailingTabs = true;
    expected.dateDependency = DateDependency::Older;
    expected.compareDate = "1.2.2003";
    expected.compareTime = "4:05";
    expected.keepLineEnds = true;
    expected.confirm = true;
    EXPECT_EQ(o.job, expected);
    EXPECT_FALSE(o.json);
    EXPECT_EQ(o.finish, FinishMode::Accept);

    // Without options: the program's defaults, line ends kept.
    BatchOptions none = Parse({});
    EXPECT_EQ(none.action, BatchAction::Run);
    Job defaults;
    defaults.keepLineEnds = true;
    EXPECT_EQ(none.job, defaults);
}

// Line ends are kept unless --crlf asks for CR LF; a profile decides as it
// does in the program (one without the value was written by a program that
// always wrote CR LF), and options after it override it.
TEST(BatchOptions, LineEndsAreKeptUnlessCrlfOrAProfileSaysOtherwise) {
    TempDir dir;
    WriteFile(dir / "keep.vqp", "[General]\nKeepLineEnds=1\n");
    WriteFile(dir / "crlf.vqp", "[General]\nKeepLineEnds=0\n");
    WriteFile(dir / "old.vqp", "[General]\nSubdirs=1\n");
    const struct {
        std::vector<std::string> args;
        bool keep;
    } cases[] = {
        {{}, true},
        {{"--crlf"}, false},
        {{"--keep-line-ends"}, true},
        {{"--crlf", "--keep-line-ends"}, true},
        {{"--profile", "keep.vqp"}, true},
        {{"--profile", "crlf.vqp"}, false},
        {{"--profile", "old.vqp"}, false},
        {{"--crlf", "--profile", "keep.vqp"}, true},
        {{"--profile", "old.vqp", "--keep-line-ends"}, true},
        {{"--profile", "keep.vqp", "--crlf"}, false},
    };
    for (const auto& c : cases) {
        std::string line;
        for (const std::string& arg : c.args) {
            line += arg + " ";
        }
        SCOPED_TRACE(line);
        BatchOptions o = ParseCommandLine(c.args, dir.path());
        ASSERT_EQ(o.action, BatchAction::Run) << o.error;
        EXPECT_EQ(o.job.keepLineEnds, c.keep);
    }
}

TEST(BatchOptions, PathsAreMadeAbsoluteWithoutChangingWhichFileTheyName) {
    const std::pair<std::string, std::string> cases[] = {
        {"a/./b//c/", "/work/here/a/b/c"}, {".", "/work/here"},
        {"/x/../y/", "/x/../y"}, // ".." may cross a link: kept
        {"x;y", "/work/here/x;y"},         {"/", "/"},
    };
    for (const auto& [path, absolute] : cases) {
        SCOPED_TRACE(path);
        EXPECT_EQ(MakeAbsolute(kCwd, path), absolute);
    }
    // A directory holding ';' stays one directory.
    EXPECT_EQ(Parse({"--dir", "a;b"}).job.directories, std::vector<std::string>{"/work/here/a;b"});
    EXPECT_EQ(Parse({"--keep", "log"}).log, "/work/here/log");
    // Without a known current directory a relative name cannot be used.
    EXPECT_EQ(ParseCommandLine({"--dir", "a"}, "").action, BatchAction::UsageError);
    EXPECT_EQ(ParseCommandLine({"--dir", "/a"}, "").action, BatchAction::Run);
}

TEST(BatchOptions, AProfileReplacesTheOptionsBeforeItAndTheOptionsAfterItAddToIt) {
    TempDir dir;
    Profile profile;
    profile.Directories = {"/p", "rel", ""};
    profile.Files = {"*.c"};
    profile.Replace = {{"a", "b"}};
    profile.Position = 4;
    profile.Subdirs = 1;
    profile.DateDependency = 1;
    profile.CompareDate = "1.1.2001";
    ASSERT_TRUE(WriteProfile(ProfileLocation(dir / "job.vqp"), profile));

    BatchOptions o = ParseCommandLine({"--dir", "/before", "--ignore-case", "--column", "7",
                                       "--profile", "job.vqp", "--dir", "/after", "--files", "*.h",
                                       "--replace", "c", "d", "--older", "2.2.2002"},
                                      dir.path());
    ASSERT_EQ(o.action, BatchAction::Run) << o.error;
    EXPECT_EQ(o.job.directories, (std::vector<std::string>{"/p", dir / "rel", "", "/after"}));
    EXPECT_EQ(o.job.files, (std::vector<std::string>{"*.c", "*.h"}));
    EXPECT_EQ(o.job.replace, (std::vector<ReplacementRow>{{"a", "b"}, {"c", "d"}}));
    EXPECT_FALSE(o.job.capsLock);       // replaced by the profile
    EXPECT_EQ(o.job.positionColumn, 7); // no profile holds the column
    EXPECT_EQ(o.job.position, PositionMode::LineEnd);
    EXPECT_TRUE(o.job.subdirs);
    EXPECT_EQ(o.job.dateDependency, DateDependency::Older); // overrides the profile's filter
    EXPECT_EQ(o.job.compareDate, "2.2.2002");
}

TEST(BatchOptions, ColumnIsASignedDecimalNumber) {
    const std::pair<std::string, int> good[] = {
        {"5", 5},
        {"+12", 12},
        {"-3", -3},
        {"0", 0},
        {"2147483647", 2147483647},
        {"-2147483648", -2147483647 - 1},
    };
    for (const auto& [text, value] : good) {
        SCOPED_TRACE(text);
        BatchOptions o = Parse({"--column", text});
        ASSERT_EQ(o.action, BatchAction::Run) << o.error;
        EXPECT_EQ(o.job.positionColumn, value);
    }
    for (std::string bad : {"", "abc", "5x", " 5", "5 ", "+", "-", "2147483648", "1e3", "0x10",
                            "99999999999999999999"}) {
        SCOPED_TRACE(bad);
        EXPECT_EQ(Parse({"--column", bad}).action, BatchAction::UsageError);
    }
}

TEST(BatchOptions, AnswersCoverOnlyQuestionsWithTheirOwnButtons) {
    BatchOptions o = Parse(
        {"--answer", "2008=2", "--answer", "2008=4", "--answer", "2013=2", "--answer", "2505=7"});
    ASSERT_EQ(o.action, BatchAction::Run) << o.error;
    EXPECT_EQ(o.answers, (std::map<int, int>{{2008, 4}, {2013, 2}, {2505, 7}}));
    for (std::string good : {"2008=5", "2013=1", "2505=2", "2505=6"}) {
        EXPECT_EQ(Parse({"--answer", good}).action, BatchAction::Run) << good;
    }
    for (std::string bad : {"2008=1", "2008=6", "2013=5", "2505=1", "2504=6", "2006=1", "2013",
                            "2013=", "=1", "x=1", "2013=1=1", "2013 =1", "2013=-1", ""}) {
        SCOPED_TRACE(bad);
        EXPECT_EQ(Parse({"--answer", bad}).action, BatchAction::UsageError);
    }
}

TEST(BatchOptions, SearchTextsFollowTheEntryDialogsRules) {
    auto withSearch = [](const std::string& search, const std::string& replacement = "r") {
        return Parse({"--replace", search, replacement}).action;
    };
    EXPECT_EQ(withSearch(std::string(499, 'x')), BatchAction::Run);
    EXPECT_EQ(withSearch(std::string(500, 'x')), BatchAction::UsageError);
    std::string umlauts;
    for (int i = 0; i < 499; ++i) {
        umlauts += "ä"; // 998 bytes, 499 characters
    }
    EXPECT_EQ(withSearch(umlauts), BatchAction::Run);
    EXPECT_EQ(withSearch(umlauts + "ä"), BatchAction::UsageError);
    EXPECT_EQ(withSearch(""), BatchAction::UsageError);
    EXPECT_EQ(withSearch("s", ""), BatchAction::Run); // removes the search text
    EXPECT_EQ(withSearch("s", std::string(500, 'y')), BatchAction::UsageError);
    EXPECT_EQ(CountCharacters("a\xff\xc3\xa4"), 3u); // a stray byte counts as one
}

TEST(BatchOptions, BadInputIsAUsageError) {
    TempDir dir;
    WriteFile(dir / "exists.log", "");
    testing_support::MakeDirs(dir / "folder");
    const std::vector<std::vector<std::string>> cases = {
        {"--bogus"},
        {"-x"},
        {"stray"},
        {"--dir"},
        {"--dir", "--subdirs"},
        {"--replace", "only-one"},
        {"--profile", dir / "missing.vqp"},
        {"--profile", dir / "folder"},
        {"--profile", ""},
        {"--position", "middle"},
        {"--code", "utf-8"},
        {"--files", "sub/*.txt"},
        {"--files", "a\tb"},
        {"--files", ""},
        {"--dir", ""},
        {"--keep", ""},
        {"--accept", "--undo"},
        {"--undo", "--keep", "x"},
        {"--keep", "a", "--keep", "b"},
        {"--accept-log", "a", "--undo-log", "a"},
        {"--accept-log", "a", "--dir", "/d"},
        {"--subdirs", "--undo-log", "a"},
        {"--keep", dir / "exists.log"},
        {"--newer", "1.1.2001", "--older", "1.1.2001"},
    };
    for (const auto& args : cases) {
        std::string joined;
        for (const std::string& arg : args) {
            joined += "[" + arg + "]";
        }
        SCOPED_TRACE(joined);
        BatchOptions o = Parse(args);
        EXPECT_EQ(o.action, BatchAction::UsageError);
        EXPECT_FALSE(o.error.empty());
    }
}

TEST(BatchOptions, FinishingModes) {
    EXPECT_EQ(Parse({"--accept", "--accept"}).finish, FinishMode::Accept);
    EXPECT_EQ(Parse({"--undo"}).finish, FinishMode::Undo);
    BatchOptions keep = Parse({"--keep", "/l", "--keep", "/l"});
    EXPECT_EQ(keep.action, BatchAction::Run);
    EXPECT_EQ(keep.finish, FinishMode::Keep);
    BatchOptions later = Parse({"--undo-log", "l", "--json", "--answer", "2013=1"});
    EXPECT_EQ(later.action, BatchAction::FinishLog);
    EXPECT_EQ(later.finish, FinishMode::UndoLog);
    EXPECT_EQ(later.log, "/work/here/l");
    EXPECT_EQ(Parse({"--accept-log", "l"}).finish, FinishMode::AcceptLog);
}

TEST(BatchOptions, JsonIsRecognisedEvenAfterAnErrorAndTheFirstEventDecides) {
    BatchOptions o = Parse({"--bogus", "--column", "x", "--json"});
    EXPECT_EQ(o.action, BatchAction::UsageError);
    EXPECT_NE(o.error.find("--bogus"), std::string::npos); // the first problem is reported
    EXPECT_TRUE(o.json);
    EXPECT_EQ(Parse({"--help", "--bogus"}).action, BatchAction::Help);
    EXPECT_EQ(Parse({"--bogus", "--help"}).action, BatchAction::UsageError);
    EXPECT_EQ(Parse({"--version"}).action, BatchAction::Version);
}

TEST(BatchTexts, PromptAnswersByCodeOrByTheStartOfAButtonsName) {
    const std::vector<Answer> confirm = {Answer::Yes, Answer::No, Answer::Cancel};
    const std::pair<std::string, int> typed[] = {
        {"6", 6},    {"j", 6},  {" JA ", 6}, {"yes", 6},    {"n", 7},
        {"Nein", 7}, {"no", 7}, {"a", 2},    {"cancel", 2}, {"2", 2},
    };
    for (const auto& [input, code] : typed) {
        SCOPED_TRACE(input);
        EXPECT_EQ(ParsePromptAnswer(input, confirm), static_cast<Answer>(code));
    }
    for (std::string bad : {"", "  ", "1", "5", "x", "jaa", "nope"}) {
        EXPECT_EQ(ParsePromptAnswer(bad, confirm), std::nullopt) << bad;
    }
    EXPECT_EQ(ParsePromptAnswer("w", {Answer::Cancel, Answer::Retry, Answer::Ignore}),
              Answer::Retry);
    // "abb" starts both "Abbruch" and "Abbrechen": no answer.
    EXPECT_EQ(ParsePromptAnswer("abb", {Answer::Abort, Answer::Cancel}), std::nullopt);
}

TEST(BatchTexts, SummaryShowsTheCountersUnderTheSummarysLabels) {
    SetStringLanguage(kLanguageGerman);
    EXPECT_EQ(FormatSummary(RunStatistics{12, 2, 6, 1234, 0}, {"/a b", "/c"}),
              "  12  Dateien bearbeitet\n"
              "   2  Dateien verändert\n"
              "   6  Zeilen geändert\n"
              "1234  Ersetzungen durchgeführt\n"
              "   0  Leerzeilen entfernt\n"
              "\n"
              "Folgende Dateien wurden verändert\n"
              "/a b\n"
              "/c\n");
    SetStringLanguage(kLanguageEnglish);
    EXPECT_EQ(FormatSummary(RunStatistics{1, 0, 0, 0, 0}, {}),
              "1  Files processed\n0  Files changed\n0  Lines changed\n0  Replacements made\n"
              "0  Empty lines removed\n");
    EXPECT_EQ(MessageText(kMsgRenameError, "/a", "/b"), "Error renaming the file  '/a'  to  '/b'");
    SetStringLanguage(kLanguageGerman);
    EXPECT_EQ(MessageText(kMsgNotTextFile, "/x%s"),
              "Die Datei  ist vermutlich keine Textdatei.\nSie wird übrgangen.\n\n'/x%s'");
}

TEST(BatchTexts, NamesShownOnATerminalCarryNoControlCharacters) {
    EXPECT_EQ(ForTerminal("/a\x1b[2J\rb\x7f\tc\xc2\x9b\xc2\xa0\xff"), "/a?[2J?b?\tc?\xc2\xa0\xff");
}

} // namespace

// The help in both languages names every option of the command, says what
// each exit status means (--recover's included), and in English names the
// program's controls by their English captions.
TEST(BatchTexts, TheHelpNamesEveryOptionInBothLanguages) {
    const std::vector<std::string> options = BatchOptionNames();
    EXPECT_GT(options.size(), 30u);
    for (int language : {kLanguageGerman, kLanguageEnglish}) {
        SCOPED_TRACE(language);
        SetStringLanguage(language);
        const std::string help(HelpText());
        for (const std::string& option : options) {
            EXPECT_TRUE(help.find(option + ' ') != std::string::npos ||
                        help.find(option + ',') != std::string::npos ||
                        help.find(option + '\n') != std::string::npos)
                << option;
        }
        EXPECT_NE(help.find("2001-2004, 2019"), std::string::npos);
        EXPECT_NE(help.find(language == kLanguageGerman ? "Mit --recover: 0" : "With --recover: 0"),
                  std::string::npos);
        std::istringstream lines(help);
        for (std::string line; std::getline(lines, line);) {
            for (const char* marker : {"<<<<<<<", "=======", ">>>>>>>"}) {
                EXPECT_NE(line.rfind(marker, 0), 0u) << line;
            }
        }
    }
    const std::string english(HelpText());
    SetStringLanguage(kLanguageGerman);
    for (const char* caption : {"\"Include subdirectories\"", "\"Start\"", "\"Directories\""}) {
        EXPECT_NE(english.find(caption), std::string::npos) << caption;
    }
}

namespace {

// -h and -V are --help and --version; --lang takes the language's code or
// its telephone code; anything else is a usage error.
TEST(BatchOptions, ShortOptionsAndLanguageWords) {
    const struct {
        std::vector<std::string> args;
        BatchAction action;
        int language;
    } cases[] = {
        {{"-h"}, BatchAction::Help, 0},
        {{"-V"}, BatchAction::Version, 0},
        {{"--lang", "de"}, BatchAction::Run, kLanguageGerman},
        {{"--lang", "49"}, BatchAction::Run, kLanguageGerman},
        {{"--lang", "en"}, BatchAction::Run, kLanguageEnglish},
        {{"--lang", "44"}, BatchAction::Run, kLanguageEnglish},
        {{"--lang", "fr"}, BatchAction::UsageError, 0},
        {{"--lang", "DE"}, BatchAction::UsageError, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args.back());
        BatchOptions o = ParseCommandLine(c.args, "/");
        EXPECT_EQ(o.action, c.action);
        EXPECT_EQ(o.language, c.language);
    }
    SetStringLanguage(kLanguageGerman);
}

// Without --lang and a stored language the locale decides: the first of
// LC_ALL, LC_MESSAGES and LANG that is set and not empty; German for "de"
// and its variants, English for anything else.
TEST(BatchOptions, TheLocaleDecidesTheLanguageWhenNothingElseDoes) {
    const struct {
        const char* lcAll;
        const char* lcMessages;
        const char* lang;
        int language;
    } cases[] = {
        {nullptr, nullptr, nullptr, kLanguageEnglish},
        {nullptr, nullptr, "de_DE.UTF-8", kLanguageGerman},
        {nullptr, nullptr, "de", kLanguageGerman},
        {nullptr, nullptr, "de_AT@euro", kLanguageGerman},
        {nullptr, nullptr, "C.UTF-8", kLanguageEnglish},
        {nullptr, nullptr, "dek", kLanguageEnglish},
        {nullptr, "en_GB.UTF-8", "de_DE.UTF-8", kLanguageEnglish},
        {"de_CH.UTF-8", "en_GB.UTF-8", "en_US", kLanguageGerman},
        {"", "de_DE", "en_US", kLanguageGerman},
        {"C", "de_DE", "de_DE", kLanguageEnglish},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.lcAll ? c.lcAll : "-") + " " +
                     (c.lcMessages ? c.lcMessages : "-") + " " + (c.lang ? c.lang : "-"));
        EXPECT_EQ(LocaleLanguage(c.lcAll, c.lcMessages, c.lang), c.language);
    }
}

// Both help texts fit a terminal of 80 columns, in both languages.
TEST(BatchOptions, HelpLinesFitEightyColumns) {
    for (int id : {7200, 7201}) {
        for (int language : {kLanguageGerman, kLanguageEnglish}) {
            std::istringstream lines{std::string(StoredString(id, language))};
            int number = 0;
            for (std::string line; std::getline(lines, line);) {
                ++number;
                EXPECT_LE(CountCharacters(line), 79u)
                    << id << "/" << language << " line " << number << ": " << line;
            }
            EXPECT_GT(number, 5);
        }
    }
}

} // namespace
