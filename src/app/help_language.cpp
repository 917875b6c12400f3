#include "help_language.h"

#include "desktop.h"
#include "file_names.h"
#include "main_dialog.h"
#include "program.h"
#include "string_table.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QMessageBox>
#include <QTranslator>
#include <cstdio>

void ApplyLanguage() {
    SetStringLanguage(AppLanguage);
    // Qt's own texts (standard buttons, the file dialog, edit menus) in the
    // interface language; English is Qt's own.
    static QTranslator qtTexts;
    QCoreApplication::removeTranslator(&qtTexts);
    if (AppLanguage != kLanguageEnglish &&
        qtTexts.load(QStringLiteral("qtbase_de"),
                     QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        QCoreApplication::installTranslator(&qtTexts);
    }
}

std::string ManualPath(const std::string& programDirectory, int language) {
    char name[32];
    std::snprintf(name, sizeof name, "manual-%03d.pdf", language);
    return programDirectory + "/doc/" + name;
}

void ShowManual(MainDialogWindow& window) {
    (void)window;
    std::string path = ManualPath(ProgramDirectory, AppLanguage);
    if (!Velmor_DoesFileExist(path)) {
        path = ManualPath(ProgramDirectory, kLanguageGerman);
    }
    if (!OpenWithAssociatedProgram(path)) {
        ShowMessage(kMsgNoPdfViewer);
    }
}

void ShowAbout(MainDialogWindow& window) {
    QString text = QStringLiteral("<b>%1</b><br>%2 %3<br>© Velmor Software")
                       .arg(QString::fromStdString(ProgramTitle).toHtmlEscaped(),
                            QCoreApplication::translate("About", "Version"),
                            QString::fromStdString(VersionText));
    QMessageBox::about(&window, QString::fromStdString(ProgramTitle), text);
}

int ChangeLanguage(MainDialogWindow& window) {
    // The language chooser comes with the translations; until then the
    // interface stays German and nothing changes.
    (void)window;
    return 0;
}

void RunTranslationAssistance(MainDialogWindow& window) {
    // The button is hidden; the assistance comes with the translations.
    (void)window;
}
