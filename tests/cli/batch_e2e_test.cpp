// End-to-end tests: the built quintrel-batch over real temporary trees.
#include "batch_process.h"
#include "commit_undo.h"
#include "file_names.h"
#include "json_value.h"
#include "profile.h"
#include "test_support.h"
#include "velmor_version.h"

#include <algorithm>
#include <climits>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <map>
#include <sstream>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

using testing_support::ListTree;
using testing_support::ReadFile;
using testing_support::TempDir;
using testing_support::WriteFile;

namespace {

using Tree = std::map<std::string, std::string>;

const std::string kNoFileChanged = "Es wurde keine Datei verändert\n";
const std::string kAllUndone = "Es wurden alle Änderungen rückgängig gemacht\n";
const std::string kNotText = "ist vermutlich keine Textdatei";
const std::string kCannotOpen = "kann nicht geöffnet werden";

class BatchTool : public ::testing::Test {
protected:
    BatchTool() {
        char resolved[PATH_MAX];
        root = ::realpath(dir.path().c_str(), resolved);
    }
    std::string P(const std::string& relative) const { return root + "/" + relative; }
    void Make(const Tree& files) {
        for (const auto& [name, content] : files) {
            WriteFile(P(name), content);
        }
    }
    Tree Snapshot() const {
        Tree tree;
        for (const std::string& name : ListTree(root)) {
            tree[name] = ReadFile(P(name));
        }
        return tree;
    }
    BatchResult Run(const std::vector<std::string>& args) { return RunBatchTool(args, root); }
    // A job over every *.txt of the tree.
    BatchResult RunTxt(std::vector<std::string> args) {
        args.insert(args.begin(), {"--dir", ".", "--files", "*.txt"});
        return Run(args);
    }
    // Holds an exclusive lock on a file, as another program may.
    int Lock(const std::string& relative) {
        int fd = ::open(P(relative).c_str(), O_RDONLY | O_CLOEXEC);
        EXPECT_EQ(::flock(fd, LOCK_EX), 0);
        return fd;
    }
    JsonValue Json(const BatchResult& r) {
        auto json = ParseJson(r.out);
        EXPECT_TRUE(json.has_value()) << r.out;
        return json.value_or(JsonValue{});
    }
    static std::vector<int> Ids(const JsonValue& json, std::vector<int>* answers = nullptr) {
        std::vector<int> ids;
        for (const JsonValue& m : json["messages"].array) {
            ids.push_back(static_cast<int>(m["id"].number));
            if (answers != nullptr) {
                answers->push_back(static_cast<int>(m["answer"].number));
            }
        }
        return ids;
    }
    static std::string Summary(const std::vector<int>& counters,
                               const std::vector<std::string>& changed) {
        const char* labels[] = {"Dateien bearbeitet", "Dateien verändert", "Zeilen geändert",
                                "Ersetzungen durchgeführt", "Leerzeilen entfernt"};
        std::string text;
        for (int i = 0; i < 5; ++i) {
            text += std::to_string(counters[i]) + "  " + labels[i] + "\n";
        }
        if (!changed.empty()) {
            text += "\nFolgende Dateien wurden verändert\n";
            for (const std::string& path : changed) {
                text += path + "\n";
            }
        }
        return text;
    }

    TempDir dir;
    std::string root;
};

TEST_F(BatchTool, EachJobOptionShapesTheRun) {
    struct Case {
        const char* name;
        Tree before;
        std::vector<std::string> args;
        Tree after;
    };
    const std::vector<Case> cases = {
        {"pairs apply in order",
         {{"a.txt", "one two\n"}},
         {"--files", "*.txt", "--replace", "one", "two", "--replace", "two", "2"},
         {{"a.txt", "2 2\n"}}},
        {"several patterns",
         {{"a.txt", "x\n"}, {"b.md", "x\n"}, {"c.log", "x\n"}},
         {"--files", "*.txt", "--files", "?.md", "--replace", "x", "y"},
         {{"a.txt", "y\n"}, {"b.md", "y\n"}, {"c.log", "x\n"}}},
        {"without subdirectories",
         {{"a.txt", "x\n"}, {"s/b.txt", "x\n"}},
         {"--files", "*.txt", "--replace", "x", "y"},
         {{"a.txt", "y\n"}, {"s/b.txt", "x\n"}}},
        {"with subdirectories",
         {{"a.txt", "x\n"}, {"s/b.txt", "x\n"}},
         {"--files", "*.txt", "--replace", "x", "y", "--subdirs"},
         {{"a.txt", "y\n"}, {"s/b.txt", "y\n"}}},
        {"line start",
         {{"a.txt", "ab ab\n"}},
         {"--files", "*", "--replace", "ab", "X", "--position", "start"},
         {{"a.txt", "X ab\n"}}},
        {"line end",
         {{"a.txt", "ab ab\n"}},
         {"--files", "*", "--replace", "ab", "X", "--position", "end"},
         {{"a.txt", "ab X\n"}}},
        {"column",
         {{"a.txt", "ab ab\n"}},
         {"--files", "*", "--replace", "ab", "X", "--position", "column", "--column", "4"},
         {{"a.txt", "ab X\n"}}},
        {"a column alone changes no position",
         {{"a.txt", "ab ab\n"}},
         {"--files", "*", "--replace", "ab", "X", "--column", "4"},
         {{"a.txt", "X X\n"}}},
        {"ISO-8851 by default",
         {{"a.txt", "gr\xfcn\n"}},
         {"--files", "*", "--replace", "ü", "ue"},
         {{"a.txt", "gruen\n"}}},
        {"Ascii",
         {{"a.txt", "gr\x81n\n"}},
         {"--files", "*", "--replace", "ü", "ue", "--code", "oem"},
         {{"a.txt", "gruen\n"}}},
        {"case matters",
         {{"a.txt", "Hallo\n"}},
         {"--files", "*", "--replace", "hallo", "x"},
         {{"a.txt", "Hallo\n"}}},
        {"ignore case",
         {{"a.txt", "Hallo HALLO\n"}},
         {"--files", "*", "--replace", "hallo", "x", "--ignore-case"},
         {{"a.txt", "x x\n"}}},
        {"escapes off",
         {{"a.txt", "a\tb\\tc\n"}},
         {"--files", "*", "--replace", "\\t", "_"},
         {{"a.txt", "a\tb_c\n"}}},
        {"escapes on",
         {{"a.txt", "a\tb\n"}},
         {"--files", "*", "--replace", "\\t", "_", "--escapes"},
         {{"a.txt", "a_b\n"}}},
        {"no replacing, only stripping spaces",
         {{"a.txt", "  x  \n"}},
         {"--files", "*", "--replace", "x", "y", "--no-replace", "--strip-leading-spaces",
          "--strip-trailing-spaces"},
         {{"a.txt", "x\n"}}},
        {"tabs and empty lines",
         {{"a.txt", "\tx\t\n\n"}},
         {"--files", "*", "--strip-leading-tabs", "--strip-trailing-tabs", "--delete-empty-lines"},
         {{"a.txt", "x\n"}}},
        {"UTF-8 ignoring case",
         {{"a.txt", "ÄRGER und Ärger\n"}},
         {"--files", "*", "--replace", "ärger", "Freude", "--code", "utf8", "--ignore-case"},
         {{"a.txt", "Freude und Freude\n"}}},
        {"line ends kept",
         {{"a.txt", "x\ny\r\nx\rz"}},
         {"--files", "*", "--replace", "x", "u", "--keep-line-ends"},
         {{"a.txt", "u\ny\r\nu\rz"}}},
        {"line ends kept without asking",
         {{"a.txt", "x\ny\r\nx\rz"}},
         {"--files", "*", "--replace", "x", "u"},
         {{"a.txt", "u\ny\r\nu\rz"}}},
        {"CR LF on request, untouched lines too",
         {{"a.txt", "x\ny\r\nz"}},
         {"--files", "*", "--replace", "x", "u", "--crlf"},
         {{"a.txt", "u\r\ny\r\nz\r\n"}}},
        {"confirmation answered by default when nobody can be asked",
         {{"a.txt", "x\n"}},
         {"--files", "*", "--replace", "x", "y", "--confirm"},
         {{"a.txt", "y\n"}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir base;
        testing_support::MakeDirs(base / "w");
        for (const auto& [name, content] : c.before) {
            WriteFile(base / ("w/" + name), content);
        }
        std::vector<std::string> args = {"--dir", "."};
        args.insert(args.end(), c.args.begin(), c.args.end());
        BatchResult r = RunBatchTool(args, base / "w");
        EXPECT_EQ(r.status, 0) << r.err;
        Tree after;
        for (const std::string& name : ListTree(base / "w")) {
            after[name] = ReadFile(base / ("w/" + name));
        }
        EXPECT_EQ(after, c.after);
    }
}

TEST_F(BatchTool, DirectoriesAreKeptWholeAndReportedAbsolute) {
    Make({{"d1/a.txt", "x\n"}, {"x;y/b.txt", "x\n"}, {"d3/c.txt", "x\n"}});
    BatchResult r =
        Run({"--dir", "d1", "--dir", "./x;y/", "--files", "*.txt", "--replace", "x", "y"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, Summary({2, 2, 2, 2, 0}, {P("d1/a.txt"), P("x;y/b.txt")}));
    EXPECT_EQ(Snapshot(), (Tree{{"d1/a.txt", "y\n"}, {"x;y/b.txt", "y\n"}, {"d3/c.txt", "x\n"}}));
}

TEST_F(BatchTool, DateFilter) {
    for (std::string option : {"--newer", "--older"}) {
        SCOPED_TRACE(option);
        Make({{"old.txt", "x\n"}, {"new.txt", "x\n"}});
        testing_support::SetModificationTime(P("old.txt"), 946684800);  // 1 Jan 2000
        testing_support::SetModificationTime(P("new.txt"), 1577836800); // 1 Jan 2020
        BatchResult r = RunTxt({option, "1.1.2010", "--time", "12:00", "--replace", "x", "y"});
        EXPECT_EQ(r.status, 0) << r.err;
        bool newer = option == "--newer";
        EXPECT_EQ(ReadFile(P("new.txt")), newer ? "y\n" : "x\n");
        EXPECT_EQ(ReadFile(P("old.txt")), newer ? "x\n" : "y\n");
    }
}

TEST_F(BatchTool, AProfileIsTheJobAndLaterOptionsAddToIt) {
    Make({{"s/a.txt", "a\n"}, {"s/b.log", "a\n"}});
    Profile profile;
    profile.Directories = {root};
    profile.Files = {"*.txt"};
    profile.Replace = {{"a", "b"}};
    profile.Subdirs = 1;
    TempDir other;
    ASSERT_TRUE(WriteProfile(ProfileLocation(other / "job.vqp"), profile));
    BatchResult r = RunBatchTool({"--dir", "/nonexistent", "--profile", "job.vqp", "--files",
                                  "*.log", "--replace", "b", "c"},
                                 other.path());
    EXPECT_EQ(r.status, 0) << r.err;
    // The profile's line-end setting (CR LF) is part of the job.
    EXPECT_EQ(Snapshot(), (Tree{{"s/a.txt", "c\r\n"}, {"s/b.log", "c\r\n"}}));
}

TEST_F(BatchTool, AcceptIsTheDefaultAndUndoMakesAPreview) {
    const Tree before = {{"a.txt", "Welt\n"}, {"b.txt", "nichts\n"}};
    Make(before);
    BatchResult accepted = RunTxt({"--replace", "Welt", "Erde"});
    EXPECT_EQ(accepted.status, 0);
    EXPECT_EQ(accepted.err, ""); // no question before accepting
    EXPECT_EQ(accepted.out, Summary({2, 1, 1, 1, 0}, {P("a.txt")}));
    EXPECT_EQ(Snapshot(), (Tree{{"a.txt", "Erde\n"}, {"b.txt", "nichts\n"}}));

    Make(before);
    BatchResult undone = RunTxt({"--replace", "Welt", "Erde", "--undo"});
    EXPECT_EQ(undone.status, 0);
    EXPECT_EQ(undone.out, Summary({2, 1, 1, 1, 0}, {P("a.txt")}));
    EXPECT_EQ(undone.err, kAllUndone);
    EXPECT_EQ(Snapshot(), before);
}

TEST_F(BatchTool, AKeptRunIsFinishedLaterFromItsLog) {
    TempDir logs;
    Make({{"a.txt", "Welt\n"}, {"s/b.txt", "Welt\n"}});
    BatchResult kept = RunTxt({"--subdirs", "--replace", "Welt", "Erde", "--keep", logs / "1.log"});
    EXPECT_EQ(kept.status, 0) << kept.err;
    EXPECT_EQ(ReadChangeLog(logs / "1.log"), (std::vector<std::string>{P("a.txt"), P("s/b.txt")}));
    EXPECT_EQ(Snapshot(), (Tree{{"a.txt", "Erde\n"},
                                {"a.txt.QUINTREL-BACKUP", "Welt\n"},
                                {"s/b.txt", "Erde\n"},
                                {"s/b.txt.QUINTREL-BACKUP", "Welt\n"}}));

    // A log that exists is never overwritten: nothing is done.
    const Tree keptTree = Snapshot();
    BatchResult again =
        RunTxt({"--subdirs", "--replace", "Erde", "Mars", "--keep", logs / "1.log"});
    EXPECT_EQ(again.status, 2);
    EXPECT_EQ(Snapshot(), keptTree);

    BatchResult accepted = Run({"--accept-log", logs / "1.log"});
    EXPECT_EQ(accepted.status, 0) << accepted.err;
    EXPECT_EQ(Snapshot(), (Tree{{"a.txt", "Erde\n"}, {"s/b.txt", "Erde\n"}}));
    EXPECT_TRUE(testing_support::Exists(logs / "1.log"));
    // Finished once: a second time it is refused, so it can never delete the
    // backups of a later run.
    BatchResult twice = Run({"--accept-log", logs / "1.log"});
    EXPECT_EQ(twice.status, 1);
    EXPECT_EQ(twice.err,
              "Die Protokolldatei  '" + logs / "1.log" + "'  wurde schon abgeschlossen.\n");

    kept = RunTxt({"--subdirs", "--replace", "Erde", "Mars", "--keep", logs / "2.log"});
    EXPECT_EQ(kept.status, 0) << kept.err;
    BatchResult undone = Run({"--undo-log", logs / "2.log"});
    EXPECT_EQ(undone.status, 0) << undone.err;
    EXPECT_EQ(undone.err, kAllUndone);
    EXPECT_EQ(Snapshot(), (Tree{{"a.txt", "Erde\n"}, {"s/b.txt", "Erde\n"}}));
    EXPECT_TRUE(testing_support::Exists(logs / "2.log"));

    // A kept run that found nothing leaves an empty log, finished like any other.
    BatchResult nothing = Run({"--dir", ".", "--files", "*.none", "--keep", logs / "0.log"});
    EXPECT_EQ(nothing.status, 0);
    EXPECT_EQ(ReadFile(logs / "0.log"), "");
    EXPECT_EQ(Run({"--accept-log", logs / "0.log"}).status, 0);

    // Finishing fails: a log that cannot be read, a backup that is gone.
    BatchResult missing = Run({"--accept-log", logs / "none.log", "--json"});
    EXPECT_EQ(missing.status, 1);
    EXPECT_NE(missing.err.find("Die Protokolldatei kann nicht eröffnet werden"), std::string::npos);
    EXPECT_EQ(Ids(Json(missing)), std::vector<int>{2016});
    kept = RunTxt({"--replace", "Erde", "Mars", "--keep", logs / "3.log"});
    ASSERT_EQ(::unlink(P("a.txt.QUINTREL-BACKUP").c_str()), 0);
    BatchResult lost = Run({"--undo-log", logs / "3.log"});
    EXPECT_EQ(lost.status, 1);
    EXPECT_EQ(ReadFile(P("a.txt")), "Mars\n"); // the only content left stays
}

TEST_F(BatchTool, JsonHoldsTheWholeReport) {
    Make({{"caf\xe9.txt", "Welt\n"}, {"bin.txt", std::string(40, '\0')}, {"z.txt", "nichts\n"}});
    BatchResult r = RunTxt({"--replace", "Welt", "Erde", "--json"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("caf\\udce9.txt"), std::string::npos);
    EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 1); // one object, one line
    JsonValue json = Json(r);
    EXPECT_EQ(json.MemberNames(),
              (std::vector<std::string>{"FilesProcessed", "FilesChanged", "LinesChanged",
                                        "ReplacementsMade", "EmptyLinesRemoved", "LinesTooLong",
                                        "changed", "files", "messages"}));
    EXPECT_EQ(json["FilesProcessed"].number, 3);
    EXPECT_EQ(json["FilesChanged"].number, 1);
    EXPECT_EQ(json["LinesChanged"].number, 1);
    EXPECT_EQ(json["ReplacementsMade"].number, 1);
    EXPECT_EQ(json["EmptyLinesRemoved"].number, 0);
    EXPECT_EQ(json["changed"].Strings(), std::vector<std::string>{P("caf\xe9.txt")});
    ASSERT_EQ(json["files"].array.size(), 1u);
    EXPECT_EQ(json["files"].array[0]["path"].string, P("caf\xe9.txt"));
    EXPECT_EQ(json["files"].array[0]["ReplacementsMade"].number, 1);
    ASSERT_EQ(json["messages"].array.size(), 1u);
    const JsonValue& message = json["messages"].array[0];
    EXPECT_EQ(message["id"].number, 2013);
    EXPECT_EQ(message["inserts"].Strings(), std::vector<std::string>{P("bin.txt")});
    EXPECT_EQ(message["answer"].number, 1);
    // The message itself still goes to standard error, with its path.
    EXPECT_NE(r.err.find(kNotText), std::string::npos);
    EXPECT_NE(r.err.find("'" + P("bin.txt") + "'"), std::string::npos);
    EXPECT_EQ(r.err.find("sOC"), std::string::npos);

    // A usage error and a job refused at Start still give the object.
    for (const auto& [args, ids] :
         std::vector<std::pair<std::vector<std::string>, std::vector<int>>>{
             {{"--json", "--column", "x"}, {}},
             {{"--files", "*.txt", "--json"}, {2003}},
         }) {
        BatchResult refused = Run(args);
        EXPECT_EQ(refused.status, 2);
        JsonValue object = Json(refused);
        EXPECT_EQ(object["FilesProcessed"].number, 0);
        EXPECT_TRUE(object["changed"].array.empty());
        EXPECT_EQ(Ids(object), ids);
        if (ids.empty()) {
            EXPECT_NE(object["error"].string.find("'x'"), std::string::npos);
        }
    }
    BatchResult version = Run({"--version", "--json"});
    EXPECT_EQ(version.status, 0);
    EXPECT_TRUE(ParseJson(version.out).has_value());
}

TEST_F(BatchTool, ExitStatus) {
    struct Case {
        const char* name;
        std::vector<std::string> args;
        int status;
        std::string err;
    };
    const std::vector<Case> cases = {
        {"nothing found",
         {"--dir", ".", "--files", "*.none"},
         0,
         "Es wurden keine Dateien gefunden.\n"},
        {"nothing changed",
         {"--dir", ".", "--files", "*.txt", "--replace", "q", "r"},
         0,
         kNoFileChanged},
        {"invalid date",
         {"--dir", ".", "--files", "*.txt", "--newer", "31.2.2020"},
         2,
         "Das Vergleichsdatum ist ungültig\n"},
        {"invalid time",
         {"--dir", ".", "--files", "*.txt", "--older", "1.1.2020", "--time", "25"},
         2,
         "Die Vergleichszeit ist ungültig\n"},
        {"no directory",
         {"--files", "*.txt"},
         2,
         "Es muß mindestens ein Verzeichnis ausgewählt werden.\n"},
        {"no file group",
         {"--dir", "."},
         2,
         "Es muß mindestens eine Datei oder Dateigruppe ausgewählt werden\n"},
        {"not representable",
         {"--dir", ".", "--files", "*", "--code", "oem", "--replace", "€", "E"},
         2,
         "Der Text  '€'  enthält Zeichen, die in der gewählten Codierung nicht darstellbar "
         "sind.\n"},
        {"a pattern that does not compile",
         {"--dir", ".", "--files", "*", "--regex", "--replace", "x", "y", "--replace", "a(b", "c"},
         2,
         "Der Suchbegriff von Paar 2 ist kein gültiger regulärer Ausdruck:\n\n'a(b'\nmissing "
         "closing parenthesis (an Zeichen 4)\n"},
        {"a replacement naming a group the pattern lacks",
         {"--dir", ".", "--files", "*", "--regex", "--replace", "(x)", "$2"},
         2,
         "Die Ersetzung von Paar 1 verweist auf eine Gruppe, die der Suchbegriff nicht "
         "hat:\n\n'$2'\nunknown substring (an Zeichen 1)\n"},
    };
    Make({{"a.txt", "x\n"}});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        BatchResult r = Run(c.args);
        EXPECT_EQ(r.status, c.status);
        EXPECT_EQ(r.err, c.err);
        EXPECT_EQ(Snapshot(), (Tree{{"a.txt", "x\n"}}));
    }
}

// A pattern that backtracks without end never hangs the run: the file where
// it happens stays as it was, the tool says which file and pattern, the other
// files are changed, and the exit status is 1.
TEST_F(BatchTool, APatternOverItsLimitsLeavesItsFileAndEndsWithStatusOne) {
    const std::string bad = "ab\n" + std::string(20000, 'a') + "b\n";
    Make({{"1.txt", "a\n"}, {"2.txt", bad}, {"3.txt", "aa\n"}});
    BatchProcess::Setup setup;
    setup.cwd = root;
    setup.watchdogSeconds = 600; // a hang fails the test instead of stalling it
    BatchResult r = BatchProcess({"--dir", ".", "--files", "*.txt", "--regex", "--replace",
                                  "(a+)+$", "A", "--quiet"},
                                 setup)
                        .Finish();
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_EQ(r.err, "Der Suchbegriff  '(a+)+$'  braucht in der Datei  '" + P("2.txt") +
                         "'  zu viele Schritte; die Datei bleibt unverändert.\n");
    EXPECT_EQ(Snapshot(), (Tree{{"1.txt", "A\n"}, {"2.txt", bad}, {"3.txt", "A\n"}}));
}

TEST_F(BatchTool, QuestionsTakeTheirAnswersOrTheirDefaults) {
    const Tree before = {{"a.txt", std::string(40, '\x01')}, {"b.txt", "x\n"}};
    struct Case {
        std::vector<std::string> args;
        int status;
        bool changed;
    };
    const std::vector<Case> cases = {
        {{}, 0, true}, // 2013: skip the binary file
        {{"--answer", "2013=1"}, 0, true},
        {{"--answer", "2013=2"}, 1, false},              // ends the run there
        {{"--confirm"}, 0, true},                        // 2505: change it
        {{"--confirm", "--answer", "2505=7"}, 0, false}, // declined
        {{"--confirm", "--answer", "2505=2"}, 1, false}, // cancelled
    };
    for (const Case& c : cases) {
        Make(before);
        std::vector<std::string> args = {"--replace", "x", "y"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        BatchResult r = RunTxt(args);
        SCOPED_TRACE(r.err);
        EXPECT_EQ(r.status, c.status);
        EXPECT_EQ(ReadFile(P("b.txt")), c.changed ? "y\n" : "x\n");
        EXPECT_EQ(ReadFile(P("a.txt")), before.at("a.txt"));
        ::unlink(P("b.txt.QUINTREL-TEMP").c_str()); // left by a cancelled confirmation
    }
}

TEST_F(BatchTool, AFileThatCannotBeOpenedIsIgnoredOrEndsTheRunOrIsRetried) {
    Make({{"a.txt", "x\n"}, {"b.txt", "x\n"}, {"c.txt", "x\n"}});
    int lock = Lock("b.txt");
    BatchResult ignored = RunTxt({"--replace", "x", "y", "--undo"});
    EXPECT_EQ(ignored.status, 0);
    EXPECT_NE(ignored.err.find("'" + P("b.txt") + "'  " + kCannotOpen), std::string::npos);
    EXPECT_EQ(ignored.out, Summary({3, 2, 2, 2, 0}, {P("a.txt"), P("c.txt")}));

    BatchResult ended = RunTxt({"--replace", "x", "y", "--answer", "2008=2", "--undo"});
    EXPECT_EQ(ended.status, 1);
    EXPECT_EQ(ended.out, Summary({1, 1, 1, 1, 0}, {P("a.txt")}));

    std::vector<int> answers;
    BatchResult retried = RunTxt({"--replace", "x", "y", "--answer", "2008=4", "--json"});
    EXPECT_EQ(retried.status, 0);
    EXPECT_EQ(Ids(Json(retried), &answers), (std::vector<int>{2008, 2008, 2008, 2008}));
    EXPECT_EQ(answers, (std::vector<int>{4, 4, 4, 5}));
    EXPECT_EQ(Snapshot(), (Tree{{"a.txt", "y\n"}, {"b.txt", "x\n"}, {"c.txt", "y\n"}}));
    ::close(lock);
}

TEST_F(BatchTool, SignalsStopTheRunAfterTheCurrentFile) {
    for (int signal : {SIGINT, SIGTERM, SIGHUP}) {
        SCOPED_TRACE(signal);
        Make({{"a.txt", "x\n"}, {"b.txt", "x\n"}, {"c.txt", "x\n"}});
        int lock = Lock("b.txt");
        // The run waits on the locked file; the signal arrives meanwhile.
        BatchProcess::Setup setup;
        setup.cwd = root;
        BatchProcess tool({"--dir", ".", "--files", "*.txt", "--replace", "x", "y", "--answer",
                           "2008=4", "--json"},
                          setup);
        ASSERT_TRUE(tool.WaitForError(kCannotOpen));
        tool.Signal(signal);
        BatchResult r = tool.Finish();
        ::close(lock);
        EXPECT_EQ(r.status, 1);
        JsonValue json = Json(r);
        EXPECT_EQ(json["FilesProcessed"].number, 2);
        EXPECT_EQ(json["changed"].Strings(), std::vector<std::string>{P("a.txt")});
        // The finishing mode still applies: the change is accepted.
        EXPECT_EQ(Snapshot(), (Tree{{"a.txt", "y\n"}, {"b.txt", "x\n"}, {"c.txt", "x\n"}}));
    }
}

TEST_F(BatchTool, QuestionsAreAskedOnATerminal) {
    Make({{"a.txt", "x\n"}, {"b.txt", "x\n"}, {"c.txt", "x\n"}});
    BatchProcess::Setup setup;
    setup.cwd = root;
    setup.kind = BatchProcess::Input::Terminal;
    BatchProcess tool(
        {"--dir", ".", "--files", "*.txt", "--replace", "x", "y", "--confirm", "--json"}, setup);
    const std::string prompt = "Antwort (6 Ja, 7 Nein, 2 Abbrechen): ";
    ASSERT_TRUE(tool.WaitForError(prompt));
    tool.Type("vielleicht\nnein\n"); // first not an answer, then No for a.txt
    ASSERT_TRUE(tool.WaitForError("'" + P("b.txt") + "'"));
    tool.Type("6\n");
    ASSERT_TRUE(tool.WaitForError("'" + P("c.txt") + "'"));
    tool.Type("J\n");
    BatchResult r = tool.Finish();
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.err.find("Bitte eine der angebotenen Antworten eingeben."), std::string::npos);
    std::vector<int> answers;
    EXPECT_EQ(Ids(Json(r), &answers), (std::vector<int>{2505, 2505, 2505}));
    EXPECT_EQ(answers, (std::vector<int>{7, 6, 6}));
    EXPECT_EQ(Snapshot(), (Tree{{"a.txt", "x\n"}, {"b.txt", "y\n"}, {"c.txt", "y\n"}}));

    // Ctrl-C at a question: the file asked about stays as it is, and the run
    // stops there.
    BatchProcess stopped(
        {"--dir", ".", "--files", "*.txt", "--replace", "x", "z", "--confirm", "--json"}, setup);
    ASSERT_TRUE(stopped.WaitForError(prompt));
    stopped.Signal(SIGINT);
    r = stopped.Finish();
    EXPECT_EQ(r.status, 1);
    answers.clear();
    EXPECT_EQ(Ids(Json(r), &answers), (std::vector<int>{2505, 2502}));
    EXPECT_EQ(answers[0], 7);
    EXPECT_EQ(Snapshot(), (Tree{{"a.txt", "x\n"}, {"b.txt", "y\n"}, {"c.txt", "y\n"}}));
}

TEST_F(BatchTool, QuietLeavesOnlyErrorsAndQuestions) {
    Make({{"a.txt", "x\n"}, {"bin.txt", std::string(40, '\0')}});
    BatchResult r = RunTxt({"--replace", "x", "y", "--undo", "--quiet"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "");
    EXPECT_NE(r.err.find(kNotText), std::string::npos);
    EXPECT_EQ(r.err.find(kAllUndone), std::string::npos);
    EXPECT_EQ(RunTxt({"--replace", "q", "r", "--quiet"}).err.find(kNoFileChanged),
              std::string::npos);
}

TEST_F(BatchTool, AClosedOutputNeverLeavesARunUnfinished) {
    Make({{"a.txt", "x\n"}});
    BatchProcess::Setup setup;
    setup.cwd = root;
    setup.closedOutput = true;
    BatchResult r =
        BatchProcess({"--dir", ".", "--files", "*.txt", "--replace", "x", "y"}, setup).Finish();
    EXPECT_EQ(r.signal, 0);
    EXPECT_EQ(Snapshot(), (Tree{{"a.txt", "y\n"}})); // accepted: no backup left
    // The summary never reached anybody: that is said, with status 1.
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("die Standardausgabe konnte nicht geschrieben werden"), std::string::npos)
        << r.err;
}

TEST_F(BatchTool, OutputThatCannotBeWrittenIsAFailure) {
    // A full disk under standard output: the JSON object, the summary and
    // the recovery report are lost, which the exit status says.
    const std::vector<std::vector<std::string>> cases = {
        {"--dir", ".", "--files", "*.txt", "--replace", "x", "y", "--json"},
        {"--dir", ".", "--files", "*.txt", "--replace", "y", "z"},
        {"--recover", ".", "--json"},
    };
    for (const std::vector<std::string>& args : cases) {
        SCOPED_TRACE(args.back());
        Make({{"a.txt", "x\ny\n"}});
        BatchProcess::Setup setup;
        setup.cwd = root;
        setup.outputFile = "/dev/full";
        BatchResult r = BatchProcess(args, setup).Finish();
        EXPECT_EQ(r.status, 1);
        EXPECT_NE(r.err.find("die Standardausgabe konnte nicht geschrieben werden"),
                  std::string::npos)
            << r.err;
    }
}

// Reviewing before deciding: each file's changes as a unified diff that
// patch turns back into the new content; a dry run that reports what a run
// would do and touches nothing; finishing some files of a kept run.
TEST_F(BatchTool, ReviewDryRunAndFinishingSomeFiles) {
    const Tree before = {{"crlf.txt", "Welt\r\nzwei\r\n\r\nWelt"},
                         {"long.txt", "eins\nzwei\ndrei\nvier\nWelt\nsechs\nsieben\nacht\n"
                                      "neun\nzehn\nelf\nWelt\n"},
                         {"split.txt", "a Welt b\n\n\nx\n"},
                         {"same.txt", "nichts\n"}};
    Make(before);
    auto mtimes = [&] {
        std::map<std::string, long long> times;
        for (const std::string& name : ListTree(root)) {
            struct stat st {};
            ::lstat(P(name).c_str(), &st);
            times[name] = st.st_mtim.tv_sec * 1000000000LL + st.st_mtim.tv_nsec;
        }
        return times;
    };
    const auto timesBefore = mtimes();
    // The replacement holds a line feed, so one line becomes two.
    const std::vector<std::string> job = {
        "--replace", "Welt",  "Erde\\nMond", "--escapes", "--delete-empty-lines",
        "--json",    "--diff"};
    std::vector<std::string> dry = job;
    dry.push_back("--dry-run");
    BatchResult preview = RunTxt(dry);
    EXPECT_EQ(preview.status, 0) << preview.err;
    EXPECT_EQ(Snapshot(), before);
    EXPECT_EQ(mtimes(), timesBefore);
    for (const std::string& name : ListTree(TemporaryDirectory())) {
        EXPECT_NE(name.rfind("VQD", 0), 0u) << "a dry run's copy is left: " << name;
    }

    TempDir logs;
    std::vector<std::string> kept = job;
    kept.insert(kept.end(), {"--keep", logs / "run.log"});
    BatchResult run = RunTxt(kept);
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, preview.out) << "the dry run reports exactly what the run did";
    JsonValue report = Json(run);
    ASSERT_EQ(report["files"].array.size(), 3u);
    for (const JsonValue& file : report["files"].array) {
        const std::string path = file["path"].string;
        SCOPED_TRACE(path);
        const std::string diff = file["diff"].string;
        EXPECT_EQ(diff.rfind("--- " + path + ".QUINTREL-BACKUP\n+++ " + path + "\n@@ ", 0), 0u)
            << diff;
        WriteFile(logs / "change.diff", diff);
        const std::string patched = logs / "patched";
        const std::string command = "patch -s -o '" + patched + "' '" + path +
                                    ".QUINTREL-BACKUP' < '" + (logs / "change.diff") + "'";
        EXPECT_EQ(std::system(command.c_str()), 0) << command;
        EXPECT_EQ(ReadFile(patched), ReadFile(path));
    }

    // Finished file by file: the log keeps what is still waiting.
    EXPECT_EQ(Run({"--accept-log", logs / "run.log", "--only", "long.txt"}).status, 0);
    EXPECT_EQ(ReadChangeLog(logs / "run.log"),
              (std::vector<std::string>{P("crlf.txt"), P("split.txt")}));
    EXPECT_FALSE(testing_support::Exists(P("long.txt.QUINTREL-BACKUP")));
    EXPECT_EQ(Run({"--undo-log", logs / "run.log", "--only", P("split.txt")}).status, 0);
    EXPECT_EQ(ReadFile(P("split.txt")), before.at("split.txt"));
    EXPECT_EQ(ReadChangeLog(logs / "run.log"), std::vector<std::string>{P("crlf.txt")});
    EXPECT_EQ(Run({"--accept-log", logs / "run.log"}).status, 0);
    EXPECT_EQ(Run({"--accept-log", logs / "run.log"}).status, 1) << "finished once";
    EXPECT_FALSE(testing_support::Exists(P("crlf.txt.QUINTREL-BACKUP")));
    EXPECT_EQ(Run({"--only", "x.txt"}).status, 2) << "--only goes with a log";
    EXPECT_EQ(RunTxt({"--replace", "a", "b", "--dry-run", "--undo"}).status, 2);
}

TEST_F(BatchTool, BadInputIsRefusedWithNothingDone) {
    TempDir logs;
    WriteFile(logs / "old.log", "");
    const std::vector<std::vector<std::string>> cases = {
        {"--bogus"},
        {"--dir"},
        {"--replace", "x"},
        {"--profile", "missing.vqp"},
        {"--column", "4x"},
        {"--answer", "2013:1"},
        {"--answer", "2013=5"},
        {"--replace", "", "y"},
        {"--replace", std::string(500, 'x'), "y"},
        {"--undo", "--keep", logs / "new.log"},
        {"--accept-log", logs / "old.log"},
        {"--keep", logs / "old.log"},
    };
    Make({{"a.txt", "x\n"}});
    for (const auto& extra : cases) {
        SCOPED_TRACE(extra[0]);
        std::vector<std::string> args = {"--replace", "x", "y"};
        args.insert(args.end(), extra.begin(), extra.end());
        BatchResult r = RunTxt(args);
        EXPECT_EQ(r.status, 2);
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.rawErr.rfind("quintrel-batch: ", 0), 0u) << r.err;
        EXPECT_NE(r.err.find("--help"), std::string::npos);
        EXPECT_EQ(Snapshot(), (Tree{{"a.txt", "x\n"}}));
    }
}

TEST_F(BatchTool, HelpAndVersion) {
    BatchResult help = Run({"--help"});
    EXPECT_EQ(help.status, 0);
    for (const char* option : {"--profile", "--keep LOG", "--answer ID=CODE", "--json"}) {
        EXPECT_NE(help.out.find(option), std::string::npos) << option;
    }
    BatchResult version = Run({"--version"});
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out, "quintrel-batch (Velmor Quintrel) " VELMOR_VERSION_TEXT "\n");
}

// Every message on standard error starts with the tool's name: usage
// errors, messages of the run, the answers taken, notices.
TEST_F(BatchTool, EveryMessageOnStandardErrorNamesTheTool) {
    Make({{"a.txt", "x\n"}, {"b.txt", "x\n"}});
    const int locked = Lock("a.txt");
    const std::vector<std::string> cases[] = {
        {"--bogus"},
        {"--dir", ".", "--files", "*.txt", "--replace", "x", "y", "--undo"},
        {"--dir", ".", "--files", "*.txt", "--replace", "absent", "y"},
        {"--dir", "missing", "--files", "*.txt", "--replace", "x", "y"},
    };
    for (const auto& args : cases) {
        SCOPED_TRACE(args.front() + " " + args.back());
        BatchResult r = Run(args);
        ASSERT_FALSE(r.rawErr.empty());
        std::istringstream lines(r.rawErr);
        for (std::string line; std::getline(lines, line);) {
            if (!line.empty()) {
                EXPECT_EQ(line.rfind("quintrel-batch: ", 0), 0u) << line;
            }
        }
    }
    ::close(locked);
}

TEST_F(BatchTool, SpeaksTheChosenLanguage) {
    Make({{"a.txt", "x\n"}});
    BatchResult english = RunTxt({"--lang", "44", "--replace", "absent", "y"});
    EXPECT_EQ(english.status, 0);
    EXPECT_EQ(english.err, "No file was changed\n");
    EXPECT_NE(english.out.find("1  Files processed"), std::string::npos) << english.out;
    EXPECT_NE(Run({"--lang", "44", "--help"}).out.find("Usage:"), std::string::npos);
    EXPECT_NE(Run({"--lang", "49", "--help"}).out.find("Aufruf:"), std::string::npos);
    BatchResult bad = Run({"--lang", "44", "--lang", "33"});
    EXPECT_EQ(bad.status, 2);
    EXPECT_NE(bad.err.find("--lang expects de or 49"), std::string::npos) << bad.err;

    // Without --lang and a language setting the locale decides.
    const struct {
        std::vector<std::string> environment;
        std::string err;
    } locales[] = {
        {{"LANG=C"}, "No file was changed\n"},
        {{"LANG=en_GB.UTF-8"}, "No file was changed\n"},
        {{"LANG=de_DE.UTF-8"}, kNoFileChanged},
        {{"LANG=en_US.UTF-8", "LC_MESSAGES=de_AT.UTF-8"}, kNoFileChanged},
        {{"LC_MESSAGES=de_DE.UTF-8", "LC_ALL=C.UTF-8"}, "No file was changed\n"},
    };
    for (const auto& locale : locales) {
        SCOPED_TRACE(locale.environment.back());
        BatchProcess::Setup setup;
        setup.cwd = root;
        setup.environment = locale.environment;
        BatchResult r =
            BatchProcess({"--dir", ".", "--files", "*.txt", "--replace", "absent", "y"}, setup)
                .Finish();
        EXPECT_EQ(r.err, locale.err);
    }

    // Without --lang the program's language setting decides, whatever the
    // locale.
    const char* config = std::getenv("XDG_CONFIG_HOME");
    ASSERT_NE(config, nullptr);
    WriteFile(std::string(config) + "/Velmor Software/Velmor Quintrel.ini",
              "[Settings]\nAppLanguage=44\n");
    EXPECT_EQ(RunTxt({"--replace", "absent", "y"}).err, "No file was changed\n");
    EXPECT_EQ(RunTxt({"--lang", "49", "--replace", "absent", "y"}).err, kNoFileChanged);
    WriteFile(std::string(config) + "/Velmor Software/Velmor Quintrel.ini",
              "[Settings]\nAppLanguage=49\n");
    EXPECT_EQ(RunTxt({"--replace", "absent", "y"}).err, kNoFileChanged);
}

} // namespace
