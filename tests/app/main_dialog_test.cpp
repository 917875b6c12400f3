// The main dialog: its state after start, its caption, Escape and Enter, and
// its re-creation after a change of language.
#include "app_test_support.h"
#include "control_rules.h"
#include "list_controls.h"
#include "main_controls.h"
#include "program.h"
#include "string_table.h"
#include "test_support.h"
#include "translation.h"
#include "velmor_version.h"

#include <QAbstractButton>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>
#include <gtest/gtest.h>

namespace {

enum Check { NoCheck, Checked, Unchecked };

struct DefaultRow {
    int id;
    const char* caption; // nullptr: not checked
    Check check;
    bool enabled;
};

// Every control of the main dialog after its initialisation.
const DefaultRow kDefaults[] = {
    {kIdDirectoryList, nullptr, NoCheck, true},
    {kIdAddDirectory, "Hinzufügen...", NoCheck, true},
    {kIdRemoveDirectory, "Entfernen", NoCheck, false},
    {kIdSubdirs, "Unterverzeichnisse einbeziehen", Unchecked, true},
    {kIdFileGroupList, nullptr, NoCheck, true},
    {kIdAddFileGroup, "Hinzufügen...", NoCheck, true},
    {kIdRemoveFileGroup, "Entfernen", NoCheck, false},
    {kIdAllFiles, "Alle Dateien", Checked, true},
    {kIdNewerOrEqual, "Neuer oder gleich Vergeichsdatum", Unchecked, true},
    {kIdOlder, "Älter als Vergleichsdatum", Unchecked, true},
    {kIdDateLabel, "Datum", NoCheck, false},
    {kIdTimeLabel, "Uhrzeit", NoCheck, false},
    {kIdCompareDate, "", NoCheck, false},
    {kIdCompareTime, "", NoCheck, false},
    {kIdConfirm, "Jede Datei vor Veränderung bestätigen", Unchecked, true},
    {kIdPerformReplace, "Ersetzungen durchführen", Checked, true},
    {kIdDeleteEmptyLines, "Leere Zeilen entfernen", Unchecked, true},
    {kIdStripLeadingSpaces, "Führende Leerzeichen entfernen", Unchecked, true},
    {kIdStripTrailingSpaces, "Schleppende Leerzeichen entfernen", Unchecked, true},
    {kIdStripLeadingTabs, "Führende Tabulatoren entfernen", Unchecked, true},
    {kIdStripTrailingTabs, "Schleppende Tabulatoren entfernen", Unchecked, true},
    {kIdReplacementFrame, "Ersetzungen", NoCheck, true},
    {kIdReplacementList, nullptr, NoCheck, true},
    {kIdAddReplacement, "Hinzufügen...", NoCheck, true},
    {kIdRemoveReplacement, "Entfernen", NoCheck, false},
    {kIdEditReplacement, "Ändern...", NoCheck, false},
    {kIdTestReplacements, "Ersetzungen testen...", NoCheck, true},
    {kIdPositionFrame, "Ersetzen an Position", NoCheck, true},
    {kIdPositionAnywhere, "überall in einer Zeile", Checked, true},
    {kIdPositionLineStart, "nur am Zeilenanfang", Unchecked, true},
    {kIdPositionLineEnd, "nur am Zeilenende", Unchecked, true},
    {kIdPositionColumnRadio, "nur an der Position ", Unchecked, true},
    {kIdPositionColumn, "", NoCheck, false},
    {kIdCodeFrame, "Codierung", NoCheck, true},
    {kIdCodeIso, "ISO-8851", Checked, true},
    {kIdCodeAscii, "Ascii", Unchecked, true},
    {kIdCodeUtf8, "UTF-8", Unchecked, true},
    {kIdKeepLineEnds, "Zeilenenden der Datei beibehalten", Checked, true},
    {kIdReplaceOptionsFrame, "Optionen für das Ersetzen", NoCheck, true},
    {kIdExpandEscape, "Ersatzdarstellung für Steuerzeichen erkennen", Unchecked, true},
    {kIdCapsLock, "Groß- und Kleinschreibung beim Suchen ignorieren", Unchecked, true},
    {kIdRegex, "Suchbegriffe sind reguläre Ausdrücke", Unchecked, true},
    {kIdAbout, "Über...", NoCheck, true},
    {kIdManual, "Handbuch...", NoCheck, true},
    {kIdLanguage, "Sprache...", NoCheck, true},
    {kIdLoadProfile, "Profil laden...", NoCheck, true},
    {kIdSaveProfile, "Profil speichern...", NoCheck, true},
    {kIdStart, "Starten", NoCheck, true},
};

TEST(MainDialogDefaults, EveryControlStartsAsTheTableSays) {
    MainDialogFixture f;
    MainDialogWindow& w = *f.window;
    for (const DefaultRow& row : kDefaults) {
        SCOPED_TRACE(row.id);
        QWidget* control = w.Control(row.id);
        ASSERT_NE(control, nullptr);
        EXPECT_TRUE(control->isVisible());
        EXPECT_EQ(control->isEnabled(), row.enabled);
        if (row.caption != nullptr) {
            // The text as it reads, without the mark of its mnemonic.
            EXPECT_EQ(ToUtf8(WithoutMnemonic(ToQString(GetControlText(w, row.id)))), row.caption);
        }
        if (row.check != NoCheck) {
            EXPECT_EQ(IsButtonChecked(w, row.id), row.check == Checked);
        }
    }
    EXPECT_EQ(Velmor_GetBoxCount(w.DirectoryList()), 0);
    EXPECT_EQ(Velmor_GetBoxCount(w.FileGroupList()), 0);
    EXPECT_EQ(ListViewRowCount(w.ReplacementList()), 0);
}

TEST(MainDialogDefaults, HiddenTranslationButtonAndTheOneDefaultButton) {
    MainDialogFixture f;
    QWidget* ta = f.window->Control(kIdTranslate);
    ASSERT_NE(ta, nullptr);
    EXPECT_FALSE(ta->isVisible());
    EXPECT_EQ(ToUtf8(WithoutMnemonic(ToQString(GetControlText(*f.window, kIdTranslate)))), "TA");
    for (QPushButton* button : f.window->findChildren<QPushButton*>()) {
        bool isStart = button == f.window->Control(kIdStart);
        EXPECT_EQ(button->isDefault(), isStart) << ToUtf8(button->text());
        EXPECT_EQ(button->autoDefault(), isStart) << ToUtf8(button->text());
    }
}

TEST(MainDialogDefaults, ListsAndTheReplacementView) {
    MainDialogFixture f;
    EXPECT_TRUE(f.window->DirectoryList()->isSortingEnabled());
    EXPECT_TRUE(f.window->FileGroupList()->isSortingEnabled());
    EXPECT_EQ(f.window->DirectoryList()->selectionMode(), QAbstractItemView::SingleSelection);
    QTableWidget* view = f.window->ReplacementList();
    ASSERT_EQ(view->columnCount(), 2);
    EXPECT_EQ(view->horizontalHeaderItem(0)->text(), "Suchen nach");
    EXPECT_EQ(view->horizontalHeaderItem(1)->text(), "Ersetzen durch");
    EXPECT_TRUE(view->showGrid());
    EXPECT_EQ(view->selectionBehavior(), QAbstractItemView::SelectRows);
    EXPECT_EQ(view->selectionMode(), QAbstractItemView::ExtendedSelection);
    EXPECT_FALSE(view->isSortingEnabled());
    // The icon is built into the program, not merely named.
    EXPECT_FALSE(f.window->windowIcon().pixmap(32, 32).isNull());
}

TEST(MainDialogDefaults, FramedControlsSitInTheirFrames) {
    MainDialogFixture f;
    struct Case {
        int frame;
        std::vector<int> inside;
    } cases[] = {
        {kIdReplacementFrame,
         {kIdReplacementList, kIdAddReplacement, kIdRemoveReplacement, kIdEditReplacement,
          kIdTestReplacements}},
        {kIdPositionFrame, {kIdPositionAnywhere, kIdPositionColumnRadio, kIdPositionColumn}},
        {kIdCodeFrame, {kIdCodeIso, kIdCodeAscii, kIdCodeUtf8}},
        {kIdReplaceOptionsFrame, {kIdExpandEscape, kIdCapsLock, kIdRegex}},
    };
    for (const Case& c : cases) {
        QWidget* frame = f.window->Control(c.frame);
        for (int id : c.inside) {
            EXPECT_TRUE(frame->isAncestorOf(f.window->Control(id))) << c.frame << " " << id;
        }
    }
}

TEST(MainDialogDefaults, EveryControlHasAnAccessibleName) {
    MainDialogFixture f;
    EXPECT_EQ(ControlsWithoutAccessibleName(f.window.get()), std::vector<std::string>{});
    EXPECT_EQ(f.window->Control(kIdCompareDate)->accessibleName(), "Datum");
    EXPECT_EQ(f.window->Control(kIdPositionColumn)->accessibleName(), "nur an der Position ");
    EXPECT_EQ(f.window->Control(kIdFileGroupList)->accessibleName(), "Dateien oder Dateigruppen");
}

TEST(MainDialogTitle, ProgramTitleTwoBlanksAndVersion) {
    VersionText = VELMOR_VERSION_TEXT;
    MainDialogFixture f;
    EXPECT_EQ(ProgramTitle, "Velmor Quintrel");
    EXPECT_EQ(ToUtf8(f.window->windowTitle()), "Velmor Quintrel  " VELMOR_VERSION_TEXT);
}

TEST(MainDialogTitle, CaptionIsCutAtNinetyNineCharacters) {
    std::string version = "3.0.0";
    struct Case {
        std::string title;
        std::string caption;
    } cases[] = {
        {std::string(92, 'a'), std::string(92, 'a') + "  3.0.0"},
        {std::string(93, 'a'), std::string(93, 'a') + "  3.0."},
        {std::string(97, 'a'), std::string(97, 'a') + "  "},
        {std::string(98, 'a'), std::string(98, 'a') + " "},
        {std::string(99, 'a'), std::string(99, 'a')},
        {std::string(120, 'a'), std::string(99, 'a')},
        {"Übersetzt", "Übersetzt  3.0.0"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.title.size());
        EXPECT_EQ(ComposeTitle(c.title, version), c.caption);
    }
    // Characters, not bytes: 98 umlauts and a blank.
    std::string umlauts;
    for (int i = 0; i < 98; ++i) {
        umlauts += "ä";
    }
    EXPECT_EQ(ComposeTitle(umlauts, version), umlauts + " ");
}

TEST(MainDialogKeys, EscapeEndsTheProgramWithoutAQuestion) {
    MessageScript messages;
    MainDialogFixture f;
    Velmor_AddBoxEntry(f.window->DirectoryList(), "/tmp");
    QTest::keyClick(f.window.get(), Qt::Key_Escape);
    EXPECT_FALSE(f.window->isVisible());
    EXPECT_EQ(f.window->result(), 1);
    EXPECT_TRUE(messages.shown.empty());
}

TEST(MainDialogKeys, CloseBoxEndsTheProgramToo) {
    MessageScript messages;
    MainDialogFixture f;
    f.window->close();
    EXPECT_FALSE(f.window->isVisible());
    EXPECT_EQ(f.window->result(), 1);
    EXPECT_TRUE(messages.shown.empty());
}

TEST(MainDialogKeys, EnterInAListOrAnEditStarts) {
    MessageScript messages;
    MainDialogFixture f;
    QTest::keyClick(f.window->DirectoryList(), Qt::Key_Return);
    CheckRadioButton(*f.window, kIdAllFiles, kIdOlder, kIdNewerOrEqual);
    UpdateControlStates(*f.window);
    QWidget* date = f.window->Control(kIdCompareDate);
    QTest::keyClick(date, Qt::Key_Enter);
    // Start ran both times: its checks answered.
    EXPECT_EQ(messages.Ids(), (std::vector<int>{kMsgNoDirectory, kMsgInvalidDate}));
    EXPECT_TRUE(f.window->isVisible());
}

TEST(MainDialogLifecycle, ChangeOfLanguageRebuildsTheDialogWithDefaults) {
    int shown = 0;
    std::function<void(MainDialogWindow*)> step = [&](MainDialogWindow* window) {
        ++shown;
        if (shown == 1) {
            Velmor_AddBoxEntry(window->DirectoryList(), "/tmp");
            SetButtonCheck(*window, kIdSubdirs, 1);
            SetButtonCheck(*window, kIdKeepLineEnds, 0);
            window->EndDialog(LanguageChangedResult);
            WhenModal<MainDialogWindow>(step);
            return;
        }
        EXPECT_EQ(Velmor_GetBoxCount(window->DirectoryList()), 0);
        EXPECT_FALSE(IsButtonChecked(*window, kIdSubdirs));
        EXPECT_TRUE(IsButtonChecked(*window, kIdKeepLineEnds));
        window->EndDialog(1);
    };
    WhenModal<MainDialogWindow>(step);
    EXPECT_EQ(RunProgram(), 0);
    EXPECT_EQ(shown, 2);
}

// A new dialog keeps line ends; a profile that holds the value decides, and
// one without it was written by a program that always wrote CR LF.
TEST(MainDialogLifecycle, LineEndsAreKeptUnlessTheLoadedProfileSaysOtherwise) {
    const struct {
        const char* profile;
        bool keep;
    } cases[] = {
        {"[General]\nKeepLineEnds=1\n", true},
        {"[General]\nKeepLineEnds=0\n", false},
        {"[General]\nSubdirs=1\n", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.profile);
        testing_support::TempDir dir;
        testing_support::WriteFile(dir / "job.vqp", c.profile);
        MessageScript messages;
        MainDialogFixture f;
        EXPECT_TRUE(IsButtonChecked(*f.window, kIdKeepLineEnds));
        FileNameAnswer load(dir / "job.vqp");
        f.Click(kIdLoadProfile);
        EXPECT_EQ(IsButtonChecked(*f.window, kIdKeepLineEnds), c.keep);
        EXPECT_TRUE(messages.shown.empty());
    }
}

} // namespace

namespace {
// The main dialog fits a 1366x768 screen with a panel of 48 pixels and a
// window frame with a title bar of 32: its size at the start and the least
// size its layout needs, in the fonts of each interface language.
TEST(MainDialogSize, FitsASmallLaptopScreenWithAPanel) {
    const QSize usable(1366, 768 - 48 - 32);
    for (int language : {kLanguageGerman, kLanguageEnglish}) {
        SCOPED_TRACE(language);
        LTS_UseVelmorStandard("", language);
        MainDialogFixture f;
        const QSize least = f.window->minimumSizeHint().expandedTo(f.window->minimumSize());
        EXPECT_LE(least.width(), usable.width());
        EXPECT_LE(least.height(), usable.height());
        EXPECT_LE(f.window->width(), usable.width());
        EXPECT_LE(f.window->height(), usable.height());
    }
    LTS_UseVelmorStandard("", kLanguageGerman);
}
} // namespace
