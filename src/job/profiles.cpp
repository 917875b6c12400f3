#include "profiles.h"

#include "file_name_dialog.h"
#include "message_box.h"
#include "program_settings.h"
#include "string_table.h"

namespace {
FileDialogRequest ProfileRequest(QWidget* owner, int mode) {
    FileDialogRequest request;
    request.filterId = kFilterProfiles;
    request.titleId = mode == kFileDialogSave ? kTitleSaveProfile : kTitleLoadProfile;
    request.location.key = kProgramKey;
    // Loading and saving remember their folders apart.
    request.location.section = mode == kFileDialogSave ? "Settings" : "General";
    request.valueName = "Profile";
    request.mode = mode;
    request.translationId = kTranslationModule;
    request.owner = owner;
    return request;
}
} // namespace

bool SaveProfile(QWidget* owner, const Profile& profile) {
    std::string path;
    if (Velmor_ExtendedFileNameDialog(path, ProfileRequest(owner, kFileDialogSave)) == 0) {
        return false;
    }
    if (!WriteProfile(ProfileLocation(path), profile)) {
        ShowMessage(kMsgProfileNotSaved, path);
        return false;
    }
    return true;
}

std::optional<Profile> LoadProfile(QWidget* owner) {
    std::string path;
    if (Velmor_ExtendedFileNameDialog(path, ProfileRequest(owner, kFileDialogOpen)) == 0) {
        return std::nullopt;
    }
    return LoadProfileFile(path);
}

std::optional<Profile> LoadProfileFile(const std::string& path) {
    StoreLocation location = ProfileLocation(path);
    // A file that cannot be read would load as the empty default job and
    // silently throw away the job now shown.
    if (!LoadSettingsDocument(location)) {
        ShowMessage(kMsgCannotOpen, path);
        return std::nullopt;
    }
    return ReadProfile(location);
}
