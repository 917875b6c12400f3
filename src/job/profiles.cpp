#include "profiles.h"

#include "dialog_job.h"
#include "file_name_dialog.h"
#include "main_dialog.h"
#include "profile.h"
#include "program.h"
#include "string_table.h"

namespace {
FileDialogRequest ProfileRequest(MainDialogWindow& window, int mode) {
    FileDialogRequest request;
    request.filterId = kFilterProfiles;
    request.titleId = mode == kFileDialogSave ? kTitleSaveProfile : kTitleLoadProfile;
    request.location.key = kProgramKey;
    // Loading and saving remember their folders apart.
    request.location.section = mode == kFileDialogSave ? "Settings" : "General";
    request.valueName = "Profile";
    request.mode = mode;
    request.translationId = kTranslationModule;
    request.owner = &window;
    return request;
}
} // namespace

int SaveProfile(MainDialogWindow& window) {
    std::string path;
    if (Velmor_ExtendedFileNameDialog(path, ProfileRequest(window, kFileDialogSave)) == 0) {
        return 2;
    }
    if (!WriteProfile(ProfileLocation(path), ProfileFromDialog(window))) {
        ShowMessage(kMsgProfileNotSaved, path);
        return 2;
    }
    return 1;
}

int LoadProfile(MainDialogWindow& window) {
    std::string path;
    if (Velmor_ExtendedFileNameDialog(path, ProfileRequest(window, kFileDialogOpen)) == 0) {
        return 2;
    }
    StoreLocation location = ProfileLocation(path);
    // A file that cannot be read would load as the empty default job and
    // silently throw away the job now shown.
    if (!LoadSettingsDocument(location)) {
        ShowMessage(kMsgCannotOpen, path);
        return 2;
    }
    ApplyProfileToDialog(window, ReadProfile(location));
    return 1;
}
