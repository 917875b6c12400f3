// The file-name dialog: the filter's extension on saving, the remembered
// folder, the directory mode, and the real window's set-up.
#include "file_name_dialog.h"
#include "settings_store.h"
#include "string_table.h"
#include "test_support.h"

#include <QApplication>
#include <QFileDialog>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

const char kKey[] = "Software\\Velmor Software\\Velmor Quintrel";

struct HookGuard {
    ~HookGuard() { SetFileNameDialogHook(nullptr); }
};

FileDialogRequest ProfileRequest(int mode, const char* section) {
    FileDialogRequest request;
    request.filterId = kFilterProfiles;
    request.titleId = mode == kFileDialogSave ? kTitleSaveProfile : kTitleLoadProfile;
    request.location.key = kKey;
    request.location.section = section;
    request.valueName = "Profile";
    request.mode = mode;
    request.translationId = "QUINTREL";
    return request;
}

TEST(FileFilter, PairsAndTheirExtension) {
    auto filters = ParseFileFilter("Bearbeitungs-Profile (*.vqp)|*.vqp|");
    ASSERT_EQ(filters.size(), 1u);
    EXPECT_EQ(filters[0].description, "Bearbeitungs-Profile (*.vqp)");
    EXPECT_EQ(filters[0].pattern, "*.vqp");
    EXPECT_EQ(DefaultExtensionOf(filters), "vqp");
    EXPECT_EQ(DefaultExtensionOf(ParseFileFilter("Alle Dateien (*.*)|*.*|")), "");
    EXPECT_EQ(DefaultExtensionOf({}), "");
}

TEST(FileFilter, ExtensionIsAddedOnlyToANameWithoutOne) {
    struct Case {
        const char* typed;
        const char* saved;
    } cases[] = {
        {"/p/job", "/p/job.vqp"},     {"/p/job.vqp", "/p/job.vqp"},
        {"/p/job.txt", "/p/job.txt"}, {"/p/.hidden", "/p/.hidden.vqp"},
        {"/p.d/job", "/p.d/job.vqp"}, {"job", "job.vqp"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        EXPECT_EQ(WithDefaultExtension(c.typed, "vqp"), c.saved);
    }
}

TEST(FileNameDialog, SaveAddsTheExtensionAndRemembersTheFolder) {
    HookGuard guard;
    testing_support::TempDir dir;
    std::vector<std::string> starts;
    SetFileNameDialogHook([&](const FileDialogRequest& request, const std::string& start) {
        EXPECT_EQ(request.mode, kFileDialogSave);
        starts.push_back(start);
        return std::optional<std::string>(dir / "job");
    });
    FileDialogRequest request = ProfileRequest(kFileDialogSave, "Settings");
    std::string path;
    EXPECT_EQ(Velmor_ExtendedFileNameDialog(path, request), 1);
    EXPECT_EQ(path, dir / "job.vqp");
    EXPECT_EQ(Velmor_ReadStringFromRegistry(request.location, "Profile", ""), dir.path());
    // The next dialog of that request starts in the remembered folder.
    path.clear();
    Velmor_ExtendedFileNameDialog(path, request);
    ASSERT_EQ(starts.size(), 2u);
    EXPECT_EQ(starts[1], dir.path());
    // The load dialog remembers under its own section.
    StoreLocation general = request.location;
    general.section = "General";
    EXPECT_EQ(Velmor_ReadStringFromRegistry(general, "Profile", "none"), "none");
}

TEST(FileNameDialog, CancelGivesZeroAndLeavesThePath) {
    HookGuard guard;
    SetFileNameDialogHook(
        [](const FileDialogRequest&, const std::string&) { return std::optional<std::string>(); });
    std::string path = "/unchanged";
    EXPECT_EQ(Velmor_ExtendedFileNameDialog(path, ProfileRequest(kFileDialogOpen, "General")), 0);
    EXPECT_EQ(path, "/unchanged");
}

TEST(FileNameDialog, DirectoryModeGivesTheDirectoryWithATrailingSlash) {
    HookGuard guard;
    testing_support::TempDir dir;
    testing_support::MakeDirs(dir / "start");
    std::string seenStart;
    SetFileNameDialogHook([&](const FileDialogRequest&, const std::string& start) {
        seenStart = start;
        return std::optional<std::string>(dir / "chosen/");
    });
    FileDialogRequest request;
    request.filterId = kFilterAllFiles;
    request.titleId = kTitleChooseDirectory;
    request.mode = kFileDialogDirectory;
    std::string path = dir / "start/*.*";
    EXPECT_EQ(Velmor_ExtendedFileNameDialog(path, request), 1);
    EXPECT_EQ(path, dir / "chosen/");
    EXPECT_EQ(seenStart, dir / "start");
}

TEST(FileNameDialogWindow, SaveWindowHasTitleFilterAndSuffix) {
    testing_support::TempDir dir;
    bool checked = false;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(dialog->windowTitle(), QString::fromUtf8("Bearbeitungs-Profil speichern"));
        EXPECT_EQ(dialog->acceptMode(), QFileDialog::AcceptSave);
        EXPECT_EQ(dialog->defaultSuffix(), "vqp");
        EXPECT_TRUE(dialog->nameFilters().join("").contains("*.vqp"));
        checked = true;
        dialog->reject();
    });
    std::string path = dir / "x.vqp";
    EXPECT_EQ(Velmor_ExtendedFileNameDialog(path, ProfileRequest(kFileDialogSave, "Settings")), 0);
    EXPECT_TRUE(checked);
}

} // namespace
