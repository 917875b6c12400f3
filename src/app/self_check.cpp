#include "self_check.h"

#include "desktop.h"
#include "file_names.h"
#include "help_language.h"
#include "list_controls.h"
#include "main_controls.h"
#include "main_dialog.h"
#include "program.h"
#include "settings_store.h"
#include "translation.h"

#include <string>

int WriteSelfCheckReport(const std::string& reportPath, const std::string& profile) {
    ApplyLanguage();
    MainDialog app;
    app.startProfile = profile;
    MainDialogWindow window(app);
    // "Handbuch..." as the user would press it, with the desktop replaced by
    // a note of the file it is asked to open.
    std::string manual;
    SetOpenFileHook([&manual](const std::string& path) {
        manual = path;
        return true;
    });
    ShowManual(window);
    SetOpenFileHook(nullptr);

    const TranslationState& translation = LTS_CurrentTranslation();
    std::string catalogues;
    for (const std::string& catalogue : translation.catalogues) {
        catalogues += (catalogues.empty() ? "" : ";") + catalogue;
    }
    std::string report;
    auto add = [&report](const char* name, const std::string& value) {
        report += std::string(name) + "=" + value + "\n";
    };
    add("ProgramDirectory", ProgramDirectory);
    add("AppLanguage", std::to_string(AppLanguage));
    add("Catalogues", catalogues);
    add("QtCatalogue", translation.qtCatalogue);
    add("Title", ToUtf8(window.windowTitle()));
    add("Start", ToUtf8(WithoutMnemonic(ToQString(GetControlText(window, kIdStart)))));
    add("Manual", manual);
    add("ManualFound", Velmor_DoesFileExist(manual) ? "1" : "0");
    add("Directories", Velmor_ReadBox(window.DirectoryList(), ';'));
    return WriteFileAtomically(reportPath, report, false) ? 0 : 1;
}
