// Saving the job shown in the main dialog to a profile file and loading one.
#pragma once

class MainDialogWindow;

// Asks for a file name ("Bearbeitungs-Profil speichern") and writes all
// values of the dialog to it. A file that cannot be written says so
// (message 2020) and an existing file stays whole. Gives 1 when a profile
// was written, 2 otherwise.
int SaveProfile(MainDialogWindow& window);
// Asks for a profile ("Bearbeitungs-Profil laden") and shows its job: lists
// and options are replaced, the position column stays. A file that cannot be
// read changes nothing (message 5007). Gives 1 when a profile was loaded,
// 2 otherwise.
int LoadProfile(MainDialogWindow& window);
