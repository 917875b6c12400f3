// Saving a job to a profile file and loading one, with the file dialogs
// "Bearbeitungs-Profil speichern" and "Bearbeitungs-Profil laden" (each
// remembering its own last folder).
#pragma once

#include "profile.h"

#include <optional>

class QWidget;

// Asks for a file name over `owner` and writes `profile` to it. A file that
// cannot be written says so (message 2020 with its name) and an existing
// file stays whole. True when the profile was written; false when it was not
// or the dialog was cancelled.
bool SaveProfile(QWidget* owner, const Profile& profile);
// Asks for a profile file over `owner` and reads it; a value the file lacks
// has its default. A file that cannot be read gives nothing after message
// 5007 with its name, so the job shown is not replaced by the empty one.
// Nothing, too, when the dialog was cancelled.
std::optional<Profile> LoadProfile(QWidget* owner);
// Reads the profile file `path` as LoadProfile does once a file is chosen:
// nothing after message 5007 with its name when it cannot be read.
std::optional<Profile> LoadProfileFile(const std::string& path);
