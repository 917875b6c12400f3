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
// Stores `language` as the interface language; false when the settings file
// could not be written (the old one then stays whole).
bool WriteInterfaceLanguage(int language);
