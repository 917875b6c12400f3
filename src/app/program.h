// The process-wide values every part of the program reads, and the one way
// it shows a message.
#pragma once

#include <string>
#include <string_view>

// The interface language (49 German, 44 English); 49 unless stored otherwise.
extern int AppLanguage;
// The first three parts of the program's version, "3.0.0".
extern std::string VersionText;
// The directory that holds the program file.
extern std::string ProgramDirectory;
// The main dialog's caption as it reads in the interface language; the
// caption of every message box.
extern std::string ProgramTitle;

inline constexpr int ProductNumber = 18;
inline constexpr char kTranslationModule[] = "QUINTREL";
// Where the per-user settings live.
inline constexpr char kProgramKey[] = "Software\\Velmor Software\\Velmor Quintrel";
// The main dialog's end code after a change of language: it is built again.
inline constexpr int LanguageChangedResult = 999;

// Reads the language, makes the version text and finds the program
// directory (the start of the process).
void InitializeProgramValues();

// Shows string-table message `id` with its inserts, captioned with the
// program title, and gives the code of the button pressed.
int ShowMessage(int id, std::string_view insert1 = {}, std::string_view insert2 = {},
                int value = 0);
