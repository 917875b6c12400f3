// The commands of the main dialog's bottom row that are not about the job:
// the manual, the About box, the interface language, the translation
// assistance.
#pragma once

#include <string>

class MainDialogWindow;

// Makes AppLanguage the language of every text shown from now on.
void ApplyLanguage();
// The manual of `language` below the program directory (the build tree).
std::string ManualPath(const std::string& programDirectory, int language);
// The manual of `language` where the package puts it: the package's
// documentation directory, <prefix>/share/doc/velmor-quintrel, for a program
// directory <prefix>/lib/velmor-quintrel.
std::string InstalledManualPath(const std::string& programDirectory, int language);
// The manual to open: of `language`, else the German one, each looked for
// below the program directory and then in the documentation directory; the
// German one below the program directory when none exists (a message can
// still name it).
std::string FindManual(const std::string& programDirectory, int language);
// Opens the manual in the interface language (the German one when that is
// missing); message 2018 with its path when no program shows PDF files.
void ShowManual(MainDialogWindow& window);
void ShowAbout(MainDialogWindow& window);
// Lets the user choose the interface language; 0 when nothing changed, else
// the new language code.
int ChangeLanguage(MainDialogWindow& window);
void RunTranslationAssistance(MainDialogWindow& window);
