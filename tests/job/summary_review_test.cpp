// Reviewing a run in its summary: the change view of the file that is
// current in the table, and deciding file by file. Every case is a real run
// over a temporary directory whose summary is driven while it is open; what
// the decisions leave is checked on disk.
#include "change_view_model.h"
#include "dialog_test_support.h"
#include "run_job.h"
#include "scripted_run_ui.h"
#include "start_check.h"
#include "string_table.h"
#include "summary_dialog.h"
#include "test_support.h"

#include <QHeaderView>
#include <QItemSelectionModel>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <cstdio>
#include <fcntl.h>
#include <functional>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

using testing_support::Exists;
using testing_support::ReadFile;
using testing_support::WriteFile;

// Runs the job and hands its open summary to `review`.
class ReviewUi : public ScriptedRunUi {
public:
    std::function<void(SummaryDialog&)> review;
    bool reviewed = false;
    void RunSummary(const RunSummaryInfo& info) override {
        SummaryDialog summary(nullptr, info, *this);
        summary.show();
        reviewed = true;
        review(summary);
    }
};

struct ReviewTree {
    ReviewTree() {
        job.directories = {dir.path()};
        job.files = {"*.txt"};
        job.keepLineEnds = true;
    }
    std::string Add(const std::string& name, const std::string& content) {
        WriteFile(dir / name, content);
        return dir / name;
    }
    void Run(const std::function<void(SummaryDialog&)>& review) {
        ui.review = review;
        RunOptions options;
        options.changeLogPath = logDir / "log";
        RunJob(job, CheckStart(job), ui, options);
        ASSERT_TRUE(ui.reviewed);
    }
    testing_support::TempDir dir;
    testing_support::TempDir logDir;
    Job job;
    ReviewUi ui;
};

// Makes the files of `paths` the selection, the first of them current.
void Select(SummaryDialog& summary, const std::vector<std::string>& paths) {
    QTableView* table = summary.ChangedFileList();
    QItemSelectionModel* selection = table->selectionModel();
    selection->clearSelection();
    const std::vector<std::string> listed = summary.ListedFiles();
    bool first = true;
    for (const std::string& path : paths) {
        auto at = std::find(listed.begin(), listed.end(), path);
        ASSERT_NE(at, listed.end()) << path;
        const QModelIndex index = table->model()->index(static_cast<int>(at - listed.begin()), 0);
        const auto flags = QItemSelectionModel::Select | QItemSelectionModel::Rows;
        if (first) {
            selection->setCurrentIndex(index, flags);
        } else {
            selection->select(index, flags);
        }
        first = false;
    }
}

void Click(SummaryDialog& summary, int id) {
    auto* button = qobject_cast<QPushButton*>(summary.Control(id));
    ASSERT_NE(button, nullptr);
    ASSERT_TRUE(button->isEnabled());
    QTest::mouseClick(button, Qt::LeftButton);
}

// A row of the change view as a line: its kind, the two numbers, the text,
// and each marked part in brackets.
std::string RowText(const ChangeViewModel& model, int at) {
    const ChangeViewModel::Row& row = model.RowAt(at);
    static const char* kKinds[] = {"=", "-", "+", "~"};
    std::string text = kKinds[static_cast<int>(row.kind)];
    text += std::to_string(row.oldNumber) + "," + std::to_string(row.newNumber) + " ";
    int from = 0;
    for (const auto& [begin, end] : row.shown.marks) {
        text += ToUtf8(row.shown.text.mid(from, begin - from)) + "[" +
                ToUtf8(row.shown.text.mid(begin, end - begin)) + "]";
        from = end;
    }
    return text + ToUtf8(row.shown.text.mid(from));
}

std::vector<std::string> ViewRows(SummaryDialog& summary) {
    const ChangeViewModel& model = summary.Changes();
    // A small file is walked at once; should the machine be slow, the walk
    // goes on from the event loop.
    EXPECT_TRUE(QTest::qWaitFor([&] { return !model.Searching(); }));
    std::vector<std::string> rows;
    for (int i = 0; i < model.rowCount(); ++i) {
        rows.push_back(RowText(model, i));
    }
    return rows;
}

std::string Lines(int from, int to) {
    std::string text;
    for (int i = from; i <= to; ++i) {
        text += "line " + std::to_string(i) + "\n";
    }
    return text;
}

TEST(SummaryReview, TheViewShowsEachChangeWithContextGapsAndItsMarkedParts) {
    struct Case {
        const char* name;
        PositionMode position;
        int column;
        const char* line;
        std::vector<std::string> changed; // the old and the new row
    } cases[] = {
        {"anywhere", PositionMode::Anywhere, 0, "ab cab", {"-6,0 [ab] c[ab]", "+0,6 [XY] c[XY]"}},
        {"line start", PositionMode::LineStart, 0, "ab ab", {"-6,0 [ab] ab", "+0,6 [XY] ab"}},
        {"line end", PositionMode::LineEnd, 0, "ab ab", {"-6,0 ab [ab]", "+0,6 ab [XY]"}},
        {"column", PositionMode::AtColumn, 3, "ababab", {"-6,0 ab[ab]ab", "+0,6 ab[XY]ab"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ReviewTree tree;
        tree.job.replace = {{"ab", "XY"}};
        tree.job.position = c.position;
        tree.job.positionColumn = c.column;
        tree.Add("a.txt", Lines(1, 5) + c.line + "\n" + Lines(7, 10));
        tree.Run([&](SummaryDialog& summary) {
            std::vector<std::string> expected = {"~0,0 unveränderte Zeilen: 2", "=3,3 line 3",
                                                 "=4,4 line 4", "=5,5 line 5"};
            expected.insert(expected.end(), c.changed.begin(), c.changed.end());
            for (const char* after :
                 {"=7,7 line 7", "=8,8 line 8", "=9,9 line 9", "~0,0 unveränderte Zeilen: 1"}) {
                expected.push_back(after);
            }
            EXPECT_EQ(ViewRows(summary), expected);
            EXPECT_TRUE(summary.Changes().Notes().isEmpty());
        });
    }
}

// What is not a change of a line's text: removed lines, line ends converted,
// several lines made of one, bytes in the run's coding.
TEST(SummaryReview, TheViewShowsRemovedLinesLineEndsAndBytesAsTheRunSawThem) {
    struct Case {
        const char* name;
        std::function<void(Job&)> set;
        std::string content;
        std::vector<std::string> rows;
        QStringList notes;
    } cases[] = {
        {"empty lines removed, line ends converted once",
         [](Job& job) {
             job.deleteEmptyLines = true;
             job.keepLineEnds = false;
         },
         "a\n\nb\n",
         {"=1,1 a", "-2,0 ", "=3,2 b"},
         {"Zeilenenden LF → CR LF"}},
        {"a line feed in the replacement makes two lines",
         [](Job& job) {
             job.replace = {{"X", "1\\n2"}};
             job.expandEscape = true;
         },
         "aXb\n",
         {"-1,0 a[X]b", "+0,1 a[1]", "+0,2 [2]b"},
         {}},
        {"Windows-1252 and a control byte",
         [](Job& job) {
             job.replace = {{"x", "ö"}};
         },
         "gr\xE4n\x01x\n",
         {"-1,0 grän\\x01[x]", "+0,1 grän\\x01[ö]"},
         {}},
        {"code page 850",
         [](Job& job) {
             job.replace = {{"x", "ö"}};
             job.code = CodeMode::Oem;
         },
         "gr\x84nx\n",
         {"-1,0 grän[x]", "+0,1 grän[ö]"},
         {}},
        {"a line longer than is shown keeps its change in view",
         [](Job& job) {
             job.replace = {{"x", "y"}};
         },
         std::string(4500, 'a') + "x" + std::string(499, 'a') + "\n",
         {"-1,0 … " + std::string(3596, 'a') + "[x]" + std::string(499, 'a'),
          "+0,1 … " + std::string(3596, 'a') + "[y]" + std::string(499, 'a')},
         {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ReviewTree tree;
        c.set(tree.job);
        tree.Add("a.txt", c.content);
        tree.Run([&](SummaryDialog& summary) {
            EXPECT_EQ(ViewRows(summary), c.rows);
            EXPECT_EQ(summary.Changes().Notes(), c.notes);
        });
    }
}

// A file changed after the run is shown as a plain difference from its
// backup, whether its record gives it away (another size) or only reading
// it does (the same size and time).
TEST(SummaryReview, AFileEditedAfterTheRunShowsThePlainDifference) {
    struct Case {
        const char* name;
        const char* edited;
        bool keepTime;
    } cases[] = {{"longer", "one\nTWO\nthree\nfour\n", false},
                 {"same size and time", "one\nTWO\nthreX\n", true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ReviewTree tree;
        tree.job.replace = {{"two", "TWO"}};
        const std::string path = tree.Add("a.txt", "one\ntwo\nthree\n");
        tree.Run([&](SummaryDialog& summary) {
            struct stat before {};
            ASSERT_EQ(stat(path.c_str(), &before), 0);
            WriteFile(path, c.edited);
            if (c.keepTime) {
                const timespec times[2] = {before.st_atim, before.st_mtim};
                ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
            }
            // Shown anew, as when the user comes back to the file.
            summary.ChangedFileList()->selectionModel()->clear();
            Select(summary, {path});
            std::vector<std::string> rows = ViewRows(summary);
            EXPECT_TRUE(summary.Changes().ShowsPlainDifference());
            EXPECT_TRUE(summary.Changes().Notes().contains(
                QString::fromUtf8(StoredString(kNoteChangedAfterRun, kLanguageGerman))));
            // The old "two" against what stands in the file now, marked as a
            // change of that line.
            EXPECT_NE(std::find(rows.begin(), rows.end(), "-2,0 [two]"), rows.end());
            EXPECT_NE(std::find(rows.begin(), rows.end(), "+0,2 [TWO]"), rows.end());
            EXPECT_EQ(rows.front(), "=1,1 one");
        });
    }
}

// The view walks a file only as far as the rows it shows: a file changed on
// every line is shown a step at a time as the view asks for more, and a
// change far into a file is looked for by itself while the window goes on.
TEST(SummaryReview, TheViewWalksOnlyAsFarAsItShows) {
    ReviewTree tree;
    tree.job.replace = {{"x", "y"}};
    std::string dense;
    for (int i = 0; i < 5000; ++i) {
        dense += "x\n";
    }
    const std::string denseFile = tree.Add("dense.txt", dense);
    std::string far;
    for (int i = 0; i < 1000000; ++i) {
        far += "keep\n";
    }
    const std::string farFile = tree.Add("far.txt", far + "x\nkeep\n");
    const std::string longFile = tree.Add(
        "long.txt", "x\n" + std::string(ChangeViewModel::kLongestLineShown + 1, 'k') + "\nx\n");
    tree.Run([&](SummaryDialog& summary) {
        ChangeViewModel& view = summary.Changes();
        Select(summary, {denseFile});
        ASSERT_TRUE(QTest::qWaitFor([&] { return !view.Searching(); }));
        EXPECT_GE(view.rowCount(), static_cast<int>(ChangeViewModel::kRowsPerStep));
        EXPECT_LT(view.LinesWalked(), 5000);
        EXPECT_FALSE(view.WalkEnded());
        while (view.canFetchMore({}) || view.Searching()) {
            view.fetchMore({});
            QTest::qWait(0);
        }
        EXPECT_TRUE(view.WalkEnded());
        EXPECT_EQ(view.rowCount(), 10000);
        EXPECT_EQ(RowText(view, 9999), "+0,5000 [y]");

        Select(summary, {farFile});
        EXPECT_EQ(ViewRows(summary),
                  (std::vector<std::string>{"~0,0 unveränderte Zeilen: 999997",
                                            "=999998,999998 keep", "=999999,999999 keep",
                                            "=1000000,1000000 keep", "-1000001,0 [x]",
                                            "+0,1000001 [y]", "=1000002,1000002 keep"}));
        EXPECT_TRUE(view.WalkEnded());

        // A line longer than the view reads ends the walk, with a note.
        Select(summary, {longFile});
        ASSERT_TRUE(QTest::qWaitFor([&] { return !view.Searching(); }));
        EXPECT_TRUE(view.WalkEnded());
        EXPECT_EQ(ViewRows(summary), (std::vector<std::string>{"-1,0 [x]", "+0,1 [y]"}));
        const std::string note =
            FillInserts(StoredString(kNoteLineTooLongToShow, kLanguageGerman), "2", {});
        EXPECT_EQ(view.Notes(), QStringList{QString::fromUtf8(note.c_str())});
    });
}

// A backup that is gone cannot be compared: the view says which file it
// cannot read instead of showing nothing.
TEST(SummaryReview, AMissingBackupIsNamedInTheNotes) {
    ReviewTree tree;
    tree.job.replace = {{"x", "y"}};
    const std::string path = tree.Add("a.txt", "x\n");
    tree.Run([&](SummaryDialog& summary) {
        ASSERT_EQ(std::remove((path + ".QUINTREL-BACKUP").c_str()), 0);
        summary.ChangedFileList()->selectionModel()->clear();
        Select(summary, {path});
        EXPECT_TRUE(ViewRows(summary).empty());
        const std::string note = FillInserts(StoredString(kNoteUnreadable, kLanguageGerman),
                                             path + ".QUINTREL-BACKUP", {});
        EXPECT_EQ(summary.Changes().Notes(), QStringList{QString::fromUtf8(note.c_str())});
    });
}

TEST(SummaryReview, ArrowsMoveThroughTheTableAndTheViewFollows) {
    ReviewTree tree;
    tree.job.replace = {{"x", "y"}};
    tree.Add("a.txt", "x\n");
    tree.Add("b.txt", "x\nx\nx\n");
    tree.Run([&](SummaryDialog& summary) {
        QTableView* table = summary.ChangedFileList();
        EXPECT_EQ(table->model()->rowCount(), 2);
        auto currentFile = [&] { return summary.ListedFiles()[table->currentIndex().row()]; };
        const std::string first = currentFile();
        const int firstRows = summary.Changes().rowCount();
        QTest::keyClick(table, Qt::Key_Down);
        EXPECT_NE(currentFile(), first);
        EXPECT_NE(summary.Changes().rowCount(), firstRows); // 2 rows against 6
        // Sorting by replacements keeps the current file and its view.
        const std::string current = currentFile();
        table->sortByColumn(1, Qt::DescendingOrder);
        EXPECT_EQ(summary.ListedFiles().front(), tree.dir / "b.txt");
        EXPECT_EQ(currentFile(), current);
        // Shift and an arrow take both into the selection.
        QTest::keyClick(table, Qt::Key_Up);
        QTest::keyClick(table, Qt::Key_Down, Qt::ShiftModifier);
        EXPECT_EQ(table->selectionModel()->selectedRows().size(), 2);
    });
}

// Accepting and undoing the selected files, then finishing the rest with
// Close (2504) or "Undo all": each acts on the files still waiting only.
TEST(SummaryReview, DecisionsPerFileLeaveTheRestWaitingForTheWayOut) {
    for (bool undoRest : {false, true}) {
        SCOPED_TRACE(undoRest ? "undo all" : "close");
        ReviewTree tree;
        tree.job.replace = {{"old", "new"}};
        const std::string a = tree.Add("a.txt", "old a\n");
        const std::string b = tree.Add("b.txt", "old b\nold\n");
        const std::string c = tree.Add("c.txt", "old c\n");
        tree.ui.answers[kMsgAcceptAll] = {7, 6};
        tree.Run([&](SummaryDialog& summary) {
            Select(summary, {b});
            Click(summary, kIdAcceptSelected);
            EXPECT_EQ(ReadFile(b), "new b\nnew\n");
            EXPECT_FALSE(Exists(b + ".QUINTREL-BACKUP"));
            Select(summary, {a});
            Click(summary, kIdUndoSelected);
            EXPECT_EQ(ReadFile(a), "old a\n");
            EXPECT_FALSE(Exists(a + ".QUINTREL-BACKUP"));
            EXPECT_EQ(summary.ListedFiles(), std::vector<std::string>{c});
            // The counters show what is still waiting.
            EXPECT_EQ(GetControlText(summary, kIdFilesChangedValue), "1");
            EXPECT_EQ(GetControlText(summary, kIdReplacementsMadeValue), "1");
            EXPECT_EQ(GetControlText(summary, kIdFilesProcessedValue), "3");
            EXPECT_EQ(summary.ChangedFileList()->currentIndex().row(), 0);
            if (undoRest) {
                Click(summary, kIdUndoAll);
            } else {
                Click(summary, kIdCloseSummary); // No: nothing happens
                EXPECT_TRUE(summary.isVisible());
                EXPECT_TRUE(Exists(c + ".QUINTREL-BACKUP"));
                Click(summary, kIdCloseSummary);
            }
            EXPECT_FALSE(summary.isVisible());
            EXPECT_EQ(tree.ui.progressTotal, 1);
        });
        EXPECT_EQ(ReadFile(a), "old a\n");
        EXPECT_EQ(ReadFile(b), "new b\nnew\n");
        EXPECT_EQ(ReadFile(c), undoRest ? "old c\n" : "new c\n");
        EXPECT_EQ(testing_support::ListTree(tree.dir.path()),
                  (std::vector<std::string>{"a.txt", "b.txt", "c.txt"}));
        EXPECT_EQ(tree.ui.Ids().back(), undoRest ? kMsgAllUndone : kMsgAcceptAll);
    }
}

// Undoing a file that was changed after the run (selected, or with "Undo
// all") asks first; No leaves the file, its backup and its row; Yes puts the
// backup back. Deciding the last waiting file ends the summary without a
// question.
TEST(SummaryReview, UndoAsksBeforeOverwritingALaterEdit) {
    for (const int button : {kIdUndoSelected, kIdUndoAll})
        for (int answer : {7, 6}) {
            SCOPED_TRACE(testing::Message() << button << " " << answer);
            ReviewTree tree;
            tree.job.replace = {{"old", "new"}};
            const std::string a = tree.Add("a.txt", "old\n");
            tree.ui.answers[kMsgUndoOverLaterEdit] = {answer};
            tree.Run([&](SummaryDialog& summary) {
                WriteFile(a, "new, and edited\n");
                Select(summary, {a});
                Click(summary, button);
                ASSERT_FALSE(tree.ui.shown.empty());
                EXPECT_EQ(tree.ui.shown[0].id, kMsgUndoOverLaterEdit);
                EXPECT_EQ(tree.ui.shown[0].insert1, a);
                if (answer == 7) {
                    EXPECT_EQ(ReadFile(a), "new, and edited\n");
                    EXPECT_EQ(ReadFile(a + ".QUINTREL-BACKUP"), "old\n");
                    EXPECT_EQ(summary.ListedFiles(), std::vector<std::string>{a});
                    EXPECT_TRUE(summary.isVisible());
                    summary.ChangedFileList()->selectRow(0);
                    Click(summary, kIdAcceptSelected);
                }
                EXPECT_FALSE(summary.isVisible());
                EXPECT_EQ(summary.result(), 1);
            });
            EXPECT_EQ(ReadFile(a), answer == 7 ? "new, and edited\n" : "old\n");
            EXPECT_FALSE(Exists(a + ".QUINTREL-BACKUP"));
            const std::vector<int> ids = tree.ui.Ids();
            EXPECT_EQ(std::count(ids.begin(), ids.end(), kMsgAcceptAll), 0);
            // "All undone" only when all were.
            EXPECT_EQ(std::count(ids.begin(), ids.end(), kMsgAllUndone),
                      button == kIdUndoAll && answer == 6 ? 1 : 0);
        }
}

TEST(SummaryReview, EveryNewControlHasANameAndTheSelectionButtonsNeedASelection) {
    ReviewTree tree;
    tree.job.replace = {{"x", "y"}};
    tree.Add("a.txt", "x\n");
    tree.Run([&](SummaryDialog& summary) {
        EXPECT_EQ(ControlsWithoutAccessibleName(&summary), std::vector<std::string>{});
        EXPECT_TRUE(summary.Control(kIdAcceptSelected)->isEnabled());
        summary.ChangedFileList()->selectionModel()->clearSelection();
        EXPECT_FALSE(summary.Control(kIdAcceptSelected)->isEnabled());
        EXPECT_FALSE(summary.Control(kIdUndoSelected)->isEnabled());
        summary.SendCommand(kIdCloseSummary, 0);
    });
}

} // namespace
