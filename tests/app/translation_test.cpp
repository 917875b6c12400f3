// Both interface languages are complete: every window of the program is
// built in German and in English, and every text it shows (captions, titles,
// accessible names, column captions, menu items, notices) must differ between
// the two unless it is one of the few words that read the same in both; an
// English text never holds a German letter; every control has a name in both.
#include "about_box.h"
#include "app_test_support.h"
#include "dialog_texts.h"
#include "help_language.h"
#include "language_chooser.h"
#include "list_controls.h"
#include "list_dialogs.h"
#include "main_controls.h"
#include "program.h"
#include "program_settings.h"
#include "progress_indicator.h"
#include "replacement_list.h"
#include "run_window.h"
#include "scripted_run_ui.h"
#include "string_table.h"
#include "summary_dialog.h"
#include "test_support.h"
#include "translation.h"

#include <QFile>
#include <QHeaderView>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <gtest/gtest.h>
#include <set>

namespace {

// Words that are the same in German and English: names, codings, the
// assistance's short caption, and the scan dialog's placeholder.
const std::set<QString> kSameInBothLanguages = {
    QStringLiteral("OK"),       QStringLiteral("ISO-8851"), QStringLiteral("Ascii"),
    QStringLiteral("UTF-8"),    QStringLiteral("TA"),       QStringLiteral("Velmor"),
    QStringLiteral("Quintrel"), QStringLiteral("Software"), QStringLiteral("Version"),
    QStringLiteral("Qt"),       QStringLiteral("ICU"),      QStringLiteral("English"),
    QStringLiteral("Deutsch"),  QStringLiteral("Text"),
};

// True when a text holds nothing but such words, digits and punctuation.
bool ReadsTheSameInBoth(const std::string& text) {
    static const QRegularExpression kWord(QStringLiteral("[A-Za-zÄÖÜäöüß][\\w-]*"));
    QString rest = WithoutMnemonic(ToQString(text));
    auto words = kWord.globalMatch(rest);
    while (words.hasNext()) {
        if (kSameInBothLanguages.count(words.next().captured()) == 0) {
            return false;
        }
    }
    return true;
}

struct Walk {
    std::map<std::string, std::string> texts;
    std::vector<std::string> withoutName;
};

void Collect(Walk& walk, const QWidget* window) {
    for (const auto& [key, text] : TextsOf(window)) {
        walk.texts[key] = text;
    }
    for (const std::string& name : ControlsWithoutAccessibleName(window)) {
        walk.withoutName.push_back(ToUtf8(window->objectName()) + "/" + name);
    }
}

// Builds every window of the program in `language` and takes its texts.
Walk WalkEveryWindow(int language) {
    AppLanguage = language;
    LTS_UseVelmorStandard("", language);
    Walk walk;
    MainDialogFixture f;
    MainDialogWindow& main = *f.window;
    Collect(walk, &main);

    AddDirectoryDialog directory(&main, main.DirectoryList());
    Collect(walk, &directory);
    AddWildcardDialog wildcard(&main, main.FileGroupList());
    Collect(walk, &wildcard);
    ReplacementDialog add(&main, ReplacementDialog::Mode::Add);
    add.setObjectName(QStringLiteral("AddReplacement"));
    Collect(walk, &add);
    ReplacementDialog edit(&main, ReplacementDialog::Mode::Edit, {"a", "b"});
    edit.setObjectName(QStringLiteral("EditReplacement"));
    Collect(walk, &edit);
    std::unique_ptr<QMenu> menu = BuildReplacementMenu(main.ReplacementList(), 1);
    Collect(walk, menu.get());

    ScanDialog scan(&main);
    Collect(walk, &scan);
    const int titles[] = {kTitleRun, kTitleCommit, kTitleUndo};
    for (int title : titles) {
        int flags = title == kTitleRun ? kProgressCanStop : kProgressNoStop;
        ProgressIndicator progress(&main, LoadTranslatedString(title), flags, 10);
        progress.setObjectName(QStringLiteral("progress%1").arg(title));
        Collect(walk, &progress);
    }

    testing_support::TempDir dir;
    std::string log = dir / "log";
    testing_support::WriteFile(log, dir / "a.txt\r\n");
    RunStatistics statistics{1, 1, 1, 1, 0};
    ScriptedRunUi ui;
    SummaryDialog summary(&main, RunSummaryInfo{statistics, log, kNoLineOperations}, ui);
    Collect(walk, &summary);

    LanguageChooser chooser(&main, {kLanguageEnglish, kLanguageGerman}, language);
    Collect(walk, &chooser);

    WhenModal<AboutDialog>([&walk](AboutDialog* about) {
        Collect(walk, about);
        about->accept();
    });
    ShowAbout(main);

    // Message boxes with every standard button the program uses.
    for (int id : {kMsgCannotOpenFile, kMsgConfirmFile, kMsgNotTextFile}) {
        WhenModal<QMessageBox>([&walk](QMessageBox* box) {
            for (QAbstractButton* button : box->buttons()) {
                walk.texts["messageBox/" + std::to_string(box->standardButton(button)) + ":text"] =
                    ToUtf8(button->text());
            }
            box->button(QMessageBox::Cancel)->click();
        });
        ShowMessage(id, "/tmp/x");
    }
    return walk;
}

class Languages : public testing::Test {
protected:
    void TearDown() override {
        AppLanguage = kLanguageGerman;
        LTS_UseVelmorStandard("", kLanguageGerman);
    }
};

TEST_F(Languages, EveryWindowTextHasItsEnglishAndItsGermanForm) {
    Walk german = WalkEveryWindow(kLanguageGerman);
    Walk english = WalkEveryWindow(kLanguageEnglish);
    ASSERT_GT(german.texts.size(), 150u);
    for (const auto& [key, text] : german.texts) {
        SCOPED_TRACE(key);
        auto found = english.texts.find(key);
        ASSERT_NE(found, english.texts.end()) << "no English text for: " << text;
        if (found->second == text) {
            EXPECT_TRUE(ReadsTheSameInBoth(text)) << "untranslated: " << text;
        }
        EXPECT_FALSE(
            ToQString(found->second).contains(QRegularExpression(QStringLiteral("[ÄÖÜäöüß]"))))
            << "German letters in English: " << found->second;
    }
    for (const auto& [key, text] : english.texts) {
        EXPECT_NE(german.texts.count(key), 0u) << "English only: " << key << " " << text;
    }
    EXPECT_EQ(german.withoutName, std::vector<std::string>{});
    EXPECT_EQ(english.withoutName, std::vector<std::string>{});
}

// The captions (bold), window and field names (quoted) and message buttons
// (italic) the manual of `language` names, whitespace made single blanks.
std::vector<std::string> NamesInTheManual(const char* file, bool german) {
    QString text = ToQString(testing_support::ReadFile(std::string(QUINTREL_SOURCE_DIR) + file));
    text.remove(QRegularExpression(QStringLiteral("`[^`]*`")));
    std::vector<std::string> names;
    const QString patterns[] = {
        QStringLiteral("\\*\\*(.+?)\\*\\*"),
        german ? QStringLiteral("„([^“]+)“") : QStringLiteral("\"([^\"]+)\""),
        QStringLiteral("(?<![*\\w])\\*([^*\\s][^*]*?)\\*(?![*\\w])"),
    };
    for (const QString& pattern : patterns) {
        auto found = QRegularExpression(pattern, QRegularExpression::DotMatchesEverythingOption)
                         .globalMatch(text);
        while (found.hasNext()) {
            names.push_back(ToUtf8(found.next().captured(1).simplified()));
        }
    }
    return names;
}

// The manual names every control as the program shows it, in each language.
TEST_F(Languages, TheManualNamesTheControlsAsTheyRead) {
    struct Case {
        int language;
        const char* manual;
    } cases[] = {{kLanguageGerman, "/doc/manual-de.md"}, {kLanguageEnglish, "/doc/manual-en.md"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.manual);
        std::set<std::string> shown;
        for (const auto& [key, text] : WalkEveryWindow(c.language).texts) {
            shown.insert(ToUtf8(ToQString(text).remove(QLatin1Char('&')).simplified()));
        }
        std::vector<std::string> names = NamesInTheManual(c.manual, c.language == kLanguageGerman);
        EXPECT_GT(names.size(), 50u);
        for (const std::string& name : names) {
            EXPECT_EQ(shown.count(name), 1u) << "the manual names \"" << name << "\"";
        }
    }
}

TEST_F(Languages, TheWordsThatReadTheSameAreFewAndWhole) {
    EXPECT_TRUE(ReadsTheSameInBoth("OK"));
    EXPECT_TRUE(ReadsTheSameInBoth("Velmor Quintrel  3.0.0"));
    EXPECT_TRUE(ReadsTheSameInBoth("Version 3.0.0"));
    EXPECT_FALSE(ReadsTheSameInBoth("Starten"));
    EXPECT_FALSE(ReadsTheSameInBoth("OK Abbrechen"));
    EXPECT_FALSE(ReadsTheSameInBoth("Velmor Quintrel - Zusammenfassung"));
    EXPECT_FALSE(ReadsTheSameInBoth("Texte"));
}

TEST_F(Languages, ProgressTitlesAndTheScanDialogFollowTheInterface) {
    LTS_UseVelmorStandard("", kLanguageEnglish);
    MainDialogFixture f;
    WindowRunUi ui(*f.window);
    ui.BeginScan();
    EXPECT_EQ(ToUtf8(ui.Scan()->windowTitle()), "Creating the file list");
    EXPECT_EQ(ToUtf8(WithoutMnemonic(ToQString(GetControlText(*ui.Scan(), kIdCancel)))), "Cancel");
    ui.EndScan();
    ui.CreateProgress(kTitleRun, 3);
    EXPECT_EQ(ToUtf8(ui.Progress()->windowTitle()), "Performing replacements");
    ui.CreateProgress(kTitleUndo, 3);
    EXPECT_EQ(ToUtf8(ui.Progress()->windowTitle()), "Undoing the changes");
    ui.DestroyProgress();
}

TEST_F(Languages, GermanNeedsNoCatalogueButQtSpeaksGermanToo) {
    EXPECT_TRUE(LTS_UseVelmorStandard("", kLanguageGerman));
    EXPECT_TRUE(LTS_CurrentTranslation().catalogues.empty());
    EXPECT_NE(LTS_CurrentTranslation().qtCatalogue.find("qtbase_de"), std::string::npos);
    EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "Cancel"), "Abbrechen");
    EXPECT_EQ(LoadTranslatedString(kColumnSearch), "Suchen nach");
}

TEST_F(Languages, EnglishComesBuiltInAndQtNeedsNothing) {
    EXPECT_TRUE(LTS_UseVelmorStandard("", kLanguageEnglish));
    EXPECT_EQ(LTS_CurrentTranslation().catalogues,
              std::vector<std::string>{":/translations/quintrel-044.qm"});
    EXPECT_EQ(LTS_CurrentTranslation().qtCatalogue, "");
    EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "Cancel"), "Cancel");
    EXPECT_EQ(LTS_LookUp("MainDialog", "Starten"), "Start");
    EXPECT_EQ(LoadTranslatedString(kColumnSearch), "Search for");
}

TEST_F(Languages, CataloguesInTheProgramDirectoryComeFirst) {
    testing_support::TempDir program;
    testing_support::MakeDirs(program / "translations");
    // The program's own catalogue, and one of another module.
    for (const char* name : {"quintrel-044.qm", "helper-044.qm"}) {
        ASSERT_TRUE(QFile::copy(QStringLiteral(":/translations/quintrel-044.qm"),
                                ToQString(program / (std::string("translations/") + name))));
    }
    EXPECT_TRUE(LTS_UseVelmorStandard(program.path(), kLanguageEnglish));
    EXPECT_EQ(LTS_CurrentTranslation().catalogues,
              (std::vector<std::string>{program / "translations/helper-044.qm",
                                        program / "translations/quintrel-044.qm"}));
    EXPECT_EQ(TranslationCatalogueName("QUINTREL", 7), "quintrel-007.qm");
}

TEST_F(Languages, ALanguageWithoutCatalogueStaysGerman) {
    EXPECT_FALSE(LTS_UseVelmorStandard("", 33));
    EXPECT_TRUE(LTS_CurrentTranslation().catalogues.empty());
    EXPECT_EQ(LTS_CurrentTranslation().dialogLanguage, "de");
    MainDialogFixture f;
    EXPECT_EQ(ToUtf8(WithoutMnemonic(ToQString(GetControlText(*f.window, kIdStart)))), "Starten");
    EXPECT_EQ(LoadTranslatedString(kColumnSearch), "Suchen nach");
    EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "Cancel"), "Abbrechen");
}

TEST_F(Languages, ADialogIsTranslatedAgainInPlace) {
    MainDialogFixture f;
    ReplacementDialog edit(f.window.get(), ReplacementDialog::Mode::Edit, {"a", "b"});
    EXPECT_EQ(ToUtf8(edit.windowTitle()), "Ersetzung ändern");
    LTS_UseVelmorStandard("", kLanguageEnglish);
    LTS_TranslateDialog(edit, kTranslationModule, 0);
    LTS_TranslateDialog(*f.window, kTranslationModule, 0);
    EXPECT_EQ(ToUtf8(edit.windowTitle()), "Change replacement");
    EXPECT_EQ(ToUtf8(edit.accessibleName()), "Change replacement");
    EXPECT_EQ(ToUtf8(WithoutMnemonic(ToQString(GetControlText(edit, kIdSearchEdit)))),
              "a"); // the content stays
    EXPECT_EQ(ToUtf8(WithoutMnemonic(ToQString(GetControlText(*f.window, kIdStart)))), "Start");
    EXPECT_EQ(ToUtf8(f.window->ReplacementList()->horizontalHeaderItem(1)->text()), "Replace with");
    LTS_UseVelmorStandard("", kLanguageGerman);
    LTS_TranslateDialog(edit, kTranslationModule, 0);
    EXPECT_EQ(ToUtf8(edit.windowTitle()), "Ersetzung ändern");
}

} // namespace
