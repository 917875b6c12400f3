// The bottom row's commands that are not about the job: the interface
// language (chooser, stored setting, the main dialog built anew), the manual,
// the About box and the translation assistance.
#include "about_box.h"
#include "app_test_support.h"
#include "desktop.h"
#include "file_name_dialog.h"
#include "help_language.h"
#include "language_chooser.h"
#include "list_controls.h"
#include "main_controls.h"
#include "program.h"
#include "program_settings.h"
#include "settings_store.h"
#include "string_table.h"
#include "test_support.h"
#include "translation.h"
#include "translation_assistance.h"
#include "velmor_version.h"

#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QTableWidget>
#include <QTextBrowser>
#include <QXmlStreamReader>
#include <cstdlib>
#include <gtest/gtest.h>
#include <optional>

namespace {

using testing_support::Exists;
using testing_support::ReadFile;
using testing_support::TempDir;
using testing_support::WriteFile;

std::int32_t StoredLanguage() {
    return Velmor_ReadLongFromHKCU(kProgramKey, "Settings", "AppLanguage", -1);
}

// Answers the language chooser and records what it was offered.
struct ChooserAnswer {
    explicit ChooserAnswer(int answer) {
        SetLanguageChooserHook([this, answer](const std::vector<int>& languages, int current) {
            offered = languages;
            preselected = current;
            ++asked;
            return answer;
        });
    }
    ~ChooserAnswer() { SetLanguageChooserHook(nullptr); }
    std::vector<int> offered;
    int preselected = 0;
    int asked = 0;
};

class HelpAndLanguage : public testing::Test {
protected:
    void TearDown() override {
        AppLanguage = kLanguageGerman;
        ProgramDirectory.clear();
        LTS_UseVelmorStandard("", kLanguageGerman);
        SetOpenFileHook(nullptr);
        SetFileNameDialogHook(nullptr);
        ::unsetenv("QUINTREL_TRANSLATE");
    }
};

// --- language ---------------------------------------------------------------

TEST_F(HelpAndLanguage, ChoosingTheCurrentLanguageChangesNothing) {
    MessageScript messages;
    ChooserAnswer chooser(kLanguageGerman);
    MainDialogFixture f;
    Velmor_AddBoxEntry(f.window->DirectoryList(), "/tmp");
    f.window->SendCommand(kIdLanguage, kNotifyClicked);
    EXPECT_EQ(chooser.offered, (std::vector<int>{kLanguageEnglish, kLanguageGerman}));
    EXPECT_EQ(chooser.preselected, kLanguageGerman);
    EXPECT_TRUE(f.window->isVisible());
    EXPECT_EQ(Velmor_GetBoxCount(f.window->DirectoryList()), 1);
    EXPECT_EQ(StoredLanguage(), -1); // nothing written
    EXPECT_EQ(AppLanguage, kLanguageGerman);
}

TEST_F(HelpAndLanguage, AnotherLanguageIsStoredAndRebuildsTheDialogInIt) {
    MessageScript messages;
    ChooserAnswer chooser(kLanguageEnglish);
    int shown = 0;
    std::function<void(MainDialogWindow*)> step = [&](MainDialogWindow* window) {
        ++shown;
        if (shown == 1) {
            EXPECT_EQ(ToUtf8(WithoutMnemonic(ToQString(GetControlText(*window, kIdStart)))),
                      "Starten");
            Velmor_AddBoxEntry(window->DirectoryList(), "/tmp");
            SetButtonCheck(*window, kIdSubdirs, 1);
            WhenModal<MainDialogWindow>(step);
            window->SendCommand(kIdLanguage, kNotifyClicked);
            return;
        }
        EXPECT_EQ(ToUtf8(WithoutMnemonic(ToQString(GetControlText(*window, kIdStart)))), "Start");
        EXPECT_EQ(ToUtf8(WithoutMnemonic(ToQString(GetControlText(*window, kIdSubdirs)))),
                  "Include subdirectories");
        EXPECT_EQ(ToUtf8(window->ReplacementList()->horizontalHeaderItem(0)->text()), "Search for");
        EXPECT_EQ(ToUtf8(window->windowTitle()), "Velmor Quintrel  " + VersionText);
        EXPECT_EQ(Velmor_GetBoxCount(window->DirectoryList()), 0);
        EXPECT_FALSE(IsButtonChecked(*window, kIdSubdirs));
        // Messages now speak English too.
        window->SendCommand(kIdStart, kNotifyClicked);
        window->EndDialog(1);
    };
    WhenModal<MainDialogWindow>(step);
    EXPECT_EQ(RunProgram(), 0);
    EXPECT_EQ(shown, 2);
    EXPECT_EQ(chooser.preselected, kLanguageGerman);
    EXPECT_EQ(AppLanguage, kLanguageEnglish);
    EXPECT_EQ(StoredLanguage(), kLanguageEnglish);
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text, "At least one directory must be selected.");
}

TEST_F(HelpAndLanguage, ChangeLanguageGivesTheNewCodeOrNothing) {
    MainDialogFixture f;
    {
        ChooserAnswer chooser(kLanguageGerman); // cancelled: the current one comes back
        EXPECT_EQ(ChangeLanguage(*f.window), 0);
    }
    {
        ChooserAnswer chooser(kLanguageEnglish);
        EXPECT_EQ(ChangeLanguage(*f.window), kLanguageEnglish);
        EXPECT_EQ(LoadTranslatedString(kMsgOutOfMemory), "s Out of memory");
    }
    {
        ChooserAnswer chooser(kLanguageGerman);
        EXPECT_EQ(ChangeLanguage(*f.window), kLanguageGerman);
        EXPECT_EQ(StoredLanguage(), kLanguageGerman);
        EXPECT_EQ(LoadTranslatedString(kMsgOutOfMemory), "s Speichermangel");
    }
}

// --- the manual ---------------------------------------------------------------

// The manual of the interface language, else the German one; beside the
// program (a build tree) or in the package's documentation directory.
TEST_F(HelpAndLanguage, ManualOfTheInterfaceLanguageElseTheGermanOne) {
    const std::string built = "lib/velmor-quintrel/doc/";
    const std::string installed = "share/doc/velmor-quintrel/";
    struct Case {
        const char* name;
        int language;
        std::vector<std::string> present;
        std::string opened;
    } cases[] = {
        {"English present",
         44,
         {built + "manual-044.pdf", built + "manual-049.pdf"},
         built + "manual-044.pdf"},
        {"English missing", 44, {built + "manual-049.pdf"}, built + "manual-049.pdf"},
        {"German",
         49,
         {built + "manual-044.pdf", built + "manual-049.pdf"},
         built + "manual-049.pdf"},
        {"three digits",
         7,
         {built + "manual-007.pdf", built + "manual-049.pdf"},
         built + "manual-007.pdf"},
        {"unknown code, none of its own", 7, {built + "manual-049.pdf"}, built + "manual-049.pdf"},
        {"none at all", 44, {}, built + "manual-049.pdf"},
        {"installed",
         44,
         {installed + "manual-044.pdf", installed + "manual-049.pdf"},
         installed + "manual-044.pdf"},
        {"installed German only", 44, {installed + "manual-049.pdf"}, installed + "manual-049.pdf"},
        {"beside the program first",
         49,
         {built + "manual-049.pdf", installed + "manual-049.pdf"},
         built + "manual-049.pdf"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir root;
        for (const std::string& name : c.present) {
            WriteFile(root / name, "%PDF-1.4\n");
        }
        ProgramDirectory = root / "lib/velmor-quintrel";
        AppLanguage = c.language;
        std::vector<std::string> opened;
        SetOpenFileHook([&opened](const std::string& path) {
            opened.push_back(path);
            return true;
        });
        MessageScript messages;
        MainDialogFixture f;
        f.window->SendCommand(kIdManual, kNotifyClicked);
        EXPECT_EQ(opened, std::vector<std::string>{root / c.opened});
        EXPECT_TRUE(messages.shown.empty());
    }
}

TEST_F(HelpAndLanguage, NoPdfViewerShows2018) {
    TempDir program;
    WriteFile(program / "doc/manual-049.pdf", "%PDF-1.4\n");
    ProgramDirectory = program.path();
    SetOpenFileHook([](const std::string&) { return false; });
    MessageScript messages;
    MainDialogFixture f;
    f.window->SendCommand(kIdManual, kNotifyClicked);
    EXPECT_EQ(messages.Ids(), std::vector<int>{kMsgNoPdfViewer});
    EXPECT_EQ(messages.shown[0].caption, ProgramTitle);
    // The message names the manual, so it can be opened by other means.
    EXPECT_NE(messages.shown[0].text.find(program / "doc/manual-049.pdf"), std::string::npos)
        << messages.shown[0].text;
}

// --- the About box ------------------------------------------------------------

struct AboutSeen {
    std::string caption, title, version, product;
    std::vector<std::string> modules;
    std::string notices;
    bool aboutQt = false;
};

AboutSeen OpenAbout(MainDialogWindow& window) {
    AboutSeen seen;
    WhenModal<AboutDialog>([&seen](AboutDialog* about) {
        seen.caption = ToUtf8(about->windowTitle());
        seen.title = ToUtf8(about->findChild<QLabel*>("aboutTitle")->text());
        seen.version = ToUtf8(about->findChild<QLabel*>("aboutVersion")->text());
        seen.product = ToUtf8(about->findChild<QLabel*>("aboutProduct")->text());
        for (QLabel* label : about->findChildren<QLabel*>()) {
            if (label->objectName().startsWith("aboutModule_")) {
                seen.modules.push_back(ToUtf8(label->text()));
            }
        }
        seen.notices = ToUtf8(about->findChild<QTextBrowser*>("aboutNotices")->toPlainText());
        seen.aboutQt = about->findChild<QPushButton*>("aboutQt") != nullptr;
        about->accept();
    });
    window.SendCommand(kIdAbout, kNotifyClicked);
    return seen;
}

TEST_F(HelpAndLanguage, AboutShowsTitleVersionProductModulesAndRights) {
    VersionText = VELMOR_VERSION_TEXT;
    MainDialogFixture f;
    AboutSeen seen = OpenAbout(*f.window);
    EXPECT_EQ(seen.caption, "Velmor Quintrel");
    EXPECT_EQ(seen.title, "Velmor Quintrel");
    EXPECT_EQ(seen.version, "Version " VELMOR_VERSION_TEXT);
    EXPECT_EQ(seen.product, "Produktnummer 18");
    EXPECT_EQ(seen.modules, std::vector<std::string>{"velmor " VELMOR_VERSION_TEXT
                                                     " – Velmor-Unterstützungsbibliothek"});
    EXPECT_NE(seen.notices.find(std::string("Qt ") + qVersion()), std::string::npos);
    EXPECT_NE(seen.notices.find("GNU Lesser General Public License, Version 3"), std::string::npos);
    EXPECT_NE(seen.notices.find("ICU "), std::string::npos);
    EXPECT_NE(seen.notices.find("Unicode, Inc."), std::string::npos);
    EXPECT_NE(seen.notices.find("Permission is hereby granted"), std::string::npos);
    EXPECT_TRUE(seen.aboutQt);
}

TEST_F(HelpAndLanguage, AboutSpeaksTheInterfaceLanguage) {
    LTS_UseVelmorStandard("", kLanguageEnglish);
    MainDialogFixture f;
    AboutSeen seen = OpenAbout(*f.window);
    EXPECT_EQ(seen.product, "Product number 18");
    EXPECT_NE(seen.modules.at(0).find("Velmor support library"), std::string::npos);
    EXPECT_NE(seen.notices.find("This program uses the libraries Qt Core"), std::string::npos);
}

TEST_F(HelpAndLanguage, AboutBoxKeysAndModules) {
    VELMOR_ABOUT about;
    about.Init(18, "T", "1.2.3");
    about.AddModules(" velmor ; other;;");
    ASSERT_EQ(about.Modules().size(), 2u);
    EXPECT_EQ(about.Modules()[0].version, VELMOR_VERSION_TEXT);
    EXPECT_EQ(about.Modules()[1].name, "other");
    EXPECT_EQ(about.Modules()[1].version, "");
    EXPECT_TRUE(about.AddThirdPartyRights("qt"));
    EXPECT_TRUE(about.AddThirdPartyRights("qt"));
    EXPECT_FALSE(about.AddThirdPartyRights("inno"));
    EXPECT_EQ(about.Rights().size(), 1u);
}

// --- the translation assistance -----------------------------------------------

TEST_F(HelpAndLanguage, AssistanceButtonOnlyWhenSwitchedOn) {
    struct Case {
        const char* value; // nullptr: not set
        bool visible;
    } cases[] = {{nullptr, false}, {"0", false}, {"yes", false}, {"1", true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.value ? c.value : "unset");
        if (c.value) {
            ::setenv("QUINTREL_TRANSLATE", c.value, 1);
        } else {
            ::unsetenv("QUINTREL_TRANSLATE");
        }
        MainDialogFixture f;
        EXPECT_EQ(f.window->Control(kIdTranslate)->isVisible(), c.visible);
    }
}

// The entries of a Linguist catalogue: "context|source|disambiguation" →
// translation, unfinished ones as "(unfinished)" followed by their text.
std::map<std::string, std::string> CatalogueEntries(const std::string& xml) {
    std::map<std::string, std::string> entries;
    QXmlStreamReader reader(ToQString(xml));
    std::string context, source, disambiguation;
    while (!reader.atEnd()) {
        reader.readNext();
        if (!reader.isStartElement()) {
            continue;
        }
        if (reader.name() == QLatin1String("name")) {
            context = ToUtf8(reader.readElementText());
        } else if (reader.name() == QLatin1String("message")) {
            source.clear();
            disambiguation.clear();
        } else if (reader.name() == QLatin1String("source")) {
            source = ToUtf8(reader.readElementText());
        } else if (reader.name() == QLatin1String("comment")) {
            disambiguation = ToUtf8(reader.readElementText());
        } else if (reader.name() == QLatin1String("translation")) {
            bool unfinished = reader.attributes().value("type") == QLatin1String("unfinished");
            entries[context + "|" + source + "|" + disambiguation] =
                (unfinished ? "(unfinished)" : "") + ToUtf8(reader.readElementText());
        }
    }
    return entries;
}

struct AssistanceRun {
    explicit AssistanceRun(std::optional<std::string> answer) {
        SetFileNameDialogHook([this, answer](const FileDialogRequest& request, const std::string&) {
            requests.push_back(request);
            return answer;
        });
        ::setenv("QUINTREL_TRANSLATE", "1", 1);
        MainDialogFixture f;
        static_cast<QPushButton*>(f.window->Control(kIdTranslate))->click();
        shown = messages.shown;
    }
    MessageScript messages;
    std::vector<FileDialogRequest> requests;
    std::vector<MessageBoxShown> shown;
};

TEST_F(HelpAndLanguage, AssistanceWritesEveryTextWithItsEnglish) {
    LTS_UseVelmorStandard("", kLanguageEnglish);
    TempDir dir;
    AssistanceRun run(dir / "texts.ts");
    ASSERT_EQ(run.requests.size(), 1u);
    EXPECT_EQ(run.requests[0].mode, kFileDialogSave);
    EXPECT_EQ(run.requests[0].filterId, kFilterTranslations);
    std::string xml = ReadFile(dir / "texts.ts");
    EXPECT_NE(xml.find("language=\"en\" sourcelanguage=\"de\""), std::string::npos);
    std::map<std::string, std::string> entries = CatalogueEntries(xml);
    EXPECT_EQ(entries["MainDialog|Starten|"], "Start");
    EXPECT_EQ(entries["ReplacementMenu|Ersetzung hinzufügen|"], "Add replacement");
    EXPECT_EQ(entries["StringTable|s Speichermangel|2000"], "s Out of memory");
    EXPECT_EQ(entries["StringTable|Bearbeitungs-Profile (*.vqp)|*.vqp||3000"],
              "Job profiles (*.vqp)|*.vqp|");
    EXPECT_EQ(entries.size(), CollectTranslatableTexts("QUINTREL").size());
    // English is complete: nothing is left unfinished.
    for (const auto& [key, translation] : entries) {
        EXPECT_EQ(translation.rfind("(unfinished)", 0), std::string::npos) << key;
    }
    ASSERT_EQ(run.shown.size(), 1u);
    EXPECT_EQ(run.shown[0].stringId, kMsgTranslationWritten);
    EXPECT_EQ(run.shown[0].text, "The texts were written to  '" + dir / "texts.ts" +
                                     "'; 0 of them are not translated yet.");
}

TEST_F(HelpAndLanguage, AssistanceMarksWhatALanguageLacks) {
    AppLanguage = 33; // a stored code without a catalogue
    LTS_UseVelmorStandard("", 33);
    TempDir dir;
    AssistanceRun run(dir / "fr.ts");
    std::string xml = ReadFile(dir / "fr.ts");
    EXPECT_EQ(xml.find(" language="), std::string::npos);
    std::map<std::string, std::string> entries = CatalogueEntries(xml);
    ASSERT_FALSE(entries.empty());
    for (const auto& [key, translation] : entries) {
        EXPECT_EQ(translation, "(unfinished)") << key;
    }
    ASSERT_EQ(run.shown.size(), 1u);
    EXPECT_EQ(run.shown[0].text, "Die Texte wurden nach  '" + dir / "fr.ts" + "'  geschrieben; " +
                                     std::to_string(entries.size()) +
                                     " davon sind noch nicht übersetzt.");
}

TEST_F(HelpAndLanguage, AssistanceCancelledOrUnwritable) {
    {
        AssistanceRun run(std::nullopt);
        EXPECT_TRUE(run.shown.empty());
    }
    TempDir dir;
    AssistanceRun run(dir / "missing/texts.ts");
    EXPECT_FALSE(Exists(dir / "missing/texts.ts"));
    ASSERT_EQ(run.shown.size(), 1u);
    EXPECT_EQ(run.shown[0].stringId, kMsgWriteError);
    EXPECT_EQ(run.shown[0].caption, ProgramTitle);
}

#ifdef QUINTREL_LRELEASE
// The translator's whole way: the written file, completed and compiled with
// lrelease into the program directory, translates the program.
TEST_F(HelpAndLanguage, ACompletedCatalogueTranslatesTheProgram) {
    AppLanguage = 33;
    LTS_UseVelmorStandard("", 33);
    TempDir program;
    AssistanceRun run(program / "fr.ts");
    std::string xml = ReadFile(program / "fr.ts");
    std::string unfinished = "<source>&amp;Starten</source>\n"
                             "            <translation type=\"unfinished\"></translation>";
    std::size_t at = xml.find(unfinished);
    ASSERT_NE(at, std::string::npos);
    xml.replace(
        at, unfinished.size(),
        "<source>&amp;Starten</source>\n            <translation>&amp;Démarrer</translation>");
    // A message of the string table, found by its id.
    const std::string empty = "<translation type=\"unfinished\"></translation>";
    at = xml.find(empty, xml.find("<comment>2502</comment>"));
    ASSERT_NE(at, std::string::npos);
    xml.replace(at, empty.size(), "<translation>! Aucun fichier n'a été modifié</translation>");
    WriteFile(program / "fr.ts", xml);
    testing_support::MakeDirs(program / "translations");
    QProcess lrelease;
    lrelease.start(QStringLiteral(QUINTREL_LRELEASE),
                   {ToQString(program / "fr.ts"), QStringLiteral("-qm"),
                    ToQString(program / "translations/quintrel-033.qm")});
    ASSERT_TRUE(lrelease.waitForFinished(60000));
    ASSERT_EQ(lrelease.exitCode(), 0) << lrelease.readAllStandardError().toStdString();

    EXPECT_TRUE(LTS_UseVelmorStandard(program.path(), 33));
    EXPECT_EQ(LTS_CurrentTranslation().catalogues,
              std::vector<std::string>{program / "translations/quintrel-033.qm"});
    MainDialogFixture f;
    EXPECT_EQ(ToUtf8(WithoutMnemonic(ToQString(GetControlText(*f.window, kIdStart)))), "Démarrer");
    EXPECT_EQ(ToUtf8(WithoutMnemonic(ToQString(GetControlText(*f.window, kIdAbout)))),
              "Über..."); // not translated yet
    EXPECT_EQ(LoadTranslatedString(kMsgNoFileChanged), "! Aucun fichier n'a été modifié");
    EXPECT_EQ(LoadTranslatedString(kMsgAllUndone), StoredString(kMsgAllUndone, kLanguageGerman));
}
#endif

} // namespace
