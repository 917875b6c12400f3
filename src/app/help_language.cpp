#include "help_language.h"

#include "about_box.h"
#include "desktop.h"
#include "file_names.h"
#include "language_chooser.h"
#include "main_dialog.h"
#include "message_box.h"
#include "program.h"
#include "program_settings.h"
#include "string_table.h"
#include "translation.h"
#include "translation_assistance.h"

#include <cstdio>

void ApplyLanguage() {
    LTS_UseVelmorStandard(ProgramDirectory, AppLanguage);
}

std::string ManualPath(const std::string& programDirectory, int language) {
    char name[32];
    std::snprintf(name, sizeof name, "manual-%03d.pdf", language);
    return programDirectory + "/doc/" + name;
}

std::string InstalledManualPath(const std::string& programDirectory, int language) {
    char name[32];
    std::snprintf(name, sizeof name, "manual-%03d.pdf", language);
    // The program directory is a resolved path: its parent's parent is the
    // prefix.
    std::string prefix = programDirectory;
    for (int up = 0; up < 2; ++up) {
        std::size_t slash = prefix.rfind('/');
        prefix = slash == std::string::npos ? std::string() : prefix.substr(0, slash);
    }
    return prefix + "/share/doc/velmor-quintrel/" + name;
}

std::string FindManual(const std::string& programDirectory, int language) {
    for (int candidate : {language, kLanguageGerman}) {
        for (const std::string& path : {ManualPath(programDirectory, candidate),
                                        InstalledManualPath(programDirectory, candidate)}) {
            if (Velmor_DoesFileExist(path)) {
                return path;
            }
        }
    }
    return ManualPath(programDirectory, kLanguageGerman);
}

void ShowManual(MainDialogWindow& window) {
    std::string path = FindManual(ProgramDirectory, AppLanguage);
    // The message names the manual, so it can be opened by other means.
    OpenWithAssociatedProgram(path, &window, [path](bool opened) {
        if (!opened) {
            ShowMessage(kMsgNoPdfViewer, path);
        }
    });
}

void ShowAbout(MainDialogWindow& window) {
    VELMOR_ABOUT about;
    about.Init(ProductNumber, ProgramTitle, VersionText);
    about.AddModules("velmor");
    about.AddThirdPartyRights("qt");
    about.AddThirdPartyRights("icu");
    about.ShowDialog(&window);
}

int ChangeLanguage(MainDialogWindow& window) {
    static const int kLanguages[] = {kLanguageEnglish, kLanguageGerman, 0};
    int chosen = Velmor_SelectLanguage(&window, kLanguages, AppLanguage, 0);
    if (chosen == AppLanguage) {
        return 0;
    }
    AppLanguage = chosen;
    // A failed write costs only the choice at the next start; the dialog is
    // rebuilt in the new language all the same.
    WriteInterfaceLanguage(chosen);
    ApplyLanguage();
    return chosen;
}

void RunTranslationAssistance(MainDialogWindow& window) {
    TranslationAssistance record{};
    if (LTS_OpenAssistance(record, &window, ProgramTitle) != 1) {
        return;
    }
    LTS_PerformAssistance(record, kTranslationModule);
    LTS_CloseAssistance(record);
}
