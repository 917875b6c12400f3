// The values both programs share: where the per-user settings live, the
// identifier under which the program's texts are translated, and the one
// setting kept between starts, the interface language.
#pragma once

// The per-user settings of the desktop program and the batch tool.
inline constexpr char kProgramKey[] = "Software\\Velmor Software\\Velmor Quintrel";
// The identifier under which the program's texts are translated.
inline constexpr char kTranslationModule[] = "QUINTREL";

// The stored interface language (value "AppLanguage" of section "Settings"),
// as stored; German (49) when none is stored or it cannot be read.
int ReadInterfaceLanguage();
// The stored interface language, or 0 when none is stored (or it cannot be
// read).
int StoredInterfaceLanguage();
// The language the locale asks for: the first of LC_ALL, LC_MESSAGES and
// LANG that is set and not empty decides; German (49) for "de" and
// "de_..." , English (44) for anything else, and when none is set.
int LocaleLanguage(const char* lcAll, const char* lcMessages, const char* lang);
// The same for this process's environment.
int LocaleLanguage();
// The language of a command line without --lang: the stored interface
// language when there is one (German or English), else the locale's.
int CommandLineLanguage();
// Stores `language` as the interface language; false when the settings file
// could not be written (the old one then stays whole).
bool WriteInterfaceLanguage(int language);
