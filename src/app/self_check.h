// The program's self-check: what it finds where it is installed, written to
// a file instead of showing the main dialog. An installation is checked with
//   QUINTREL_SELF_CHECK=/tmp/report quintrel
// (offscreen is enough: QT_QPA_PLATFORM=offscreen).
#pragma once

#include <string>

// The environment variable that names the report file.
inline constexpr char kSelfCheckVariable[] = "QUINTREL_SELF_CHECK";

// Applies the stored language, builds the main dialog without showing it and
// writes "name=value" lines to `reportPath`: ProgramDirectory, AppLanguage,
// Catalogues (the translation files loaded, separated by ';'), QtCatalogue,
// Title (the main dialog's caption), Start (the caption of "Starten"),
// Manual (the file "Handbuch..." would open), ManualFound (1 or 0) and
// Directories (the directory list, joined by ';', after `profile` was
// loaded as at a start with it).
// Gives the exit code: 0 when the report was written, else 1.
int WriteSelfCheckReport(const std::string& reportPath, const std::string& profile = {});
