// The process-wide values of the desktop program.
#pragma once

#include <string>

// The interface language (49 German, 44 English); 49 unless stored otherwise.
extern int AppLanguage;
// The first three parts of the program's version, "3.0.0".
extern std::string VersionText;
// The directory that holds the program file.
extern std::string ProgramDirectory;

inline constexpr int ProductNumber = 18;
// The main dialog's end code after a change of language: it is built again.
inline constexpr int LanguageChangedResult = 999;

// Reads the language, makes the version text and finds the program
// directory (the start of the process).
void InitializeProgramValues();
