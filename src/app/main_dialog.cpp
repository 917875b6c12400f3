#include "main_dialog.h"

#include "control_rules.h"
#include "help_language.h"
#include "list_controls.h"
#include "list_dialogs.h"
#include "main_controls.h"
#include "main_job.h"
#include "message_box.h"
#include "profiles.h"
#include "program.h"
#include "program_settings.h"
#include "replacement_list.h"
#include "replacement_tester.h"
#include "run_window.h"
#include "string_table.h"
#include "translation.h"
#include "ui_main_dialog.h"

#include <QIcon>
#include <QTableWidget>
#include <new>
#include <optional>

MainDialogWindow::MainDialogWindow(MainDialog& app, QWidget* parent)
    : VelmorDialog(parent), app_(app), ui_(std::make_unique<Ui::MainDialog>()) {
    SetUpTemplate(*ui_);
    LTS_TranslateDialog(*this, kTranslationModule, 0);
    Initialize();
}

MainDialogWindow::~MainDialogWindow() {
    if (app_.window == this) {
        app_.window = nullptr;
    }
}

QListWidget* MainDialogWindow::DirectoryList() const {
    return ui_->directoryList;
}

QListWidget* MainDialogWindow::FileGroupList() const {
    return ui_->fileGroupList;
}

QTableWidget* MainDialogWindow::ReplacementList() const {
    return ui_->replacementList;
}

void MainDialogWindow::Initialize() {
    app_.window = this;
    setWindowIcon(QIcon(QStringLiteral(":/icons/101.png")));

    QTableWidget* list = ui_->replacementList;
    list->setShowGrid(true);
    list->setSelectionBehavior(QAbstractItemView::SelectRows);
    InsertListViewColumn(list, 0, kColumnSearch, 200, 76);
    InsertListViewColumn(list, 1, kColumnReplace, 200, 76);

    CheckRadioButton(*this, kIdAllFiles, kIdOlder, kIdAllFiles);
    CheckRadioButton(*this, kIdPositionAnywhere, kIdPositionColumnRadio, kIdPositionAnywhere);
    CheckRadioButton(*this, kIdCodeIso, kIdCodeUtf8, kIdCodeIso);
    SetButtonCheck(*this, kIdPerformReplace, 1);
    SetButtonCheck(*this, kIdConfirm, 0);
    // A changed file keeps its own line ends unless the user asks for CR LF.
    SetButtonCheck(*this, kIdKeepLineEnds, 1);

    UpdateControlStates(*this);
    ui_->directoryList->setFocus(Qt::OtherFocusReason);
    if (!app_.startProfile.empty()) {
        std::string path = std::move(app_.startProfile);
        app_.startProfile.clear();
        OpenStartProfile(path);
    }
}

void MainDialogWindow::OpenStartProfile(const std::string& path) {
    // As "Profil laden..." does once the file is chosen.
    if (std::optional<Profile> profile = LoadProfileFile(path)) {
        ApplyProfileToDialog(*this, *profile);
        UpdateControlStates(*this);
    }
}

void MainDialogWindow::TemplateTranslated() {
    // The caption as it reads in the interface language is the program title.
    ProgramTitle = FirstCharacters(ToUtf8(windowTitle()), 99);
    UpdateTitle(*this);
    QTableWidget* list = ui_->replacementList;
    const int captions[] = {kColumnSearch, kColumnReplace};
    for (int column = 0; column < list->columnCount() && column < 2; ++column) {
        if (QTableWidgetItem* header = list->horizontalHeaderItem(column)) {
            header->setText(ToQString(LoadTranslatedString(captions[column])));
        }
    }
}

std::string ComposeTitle(const std::string& title, const std::string& version) {
    // Counted in characters, so a character is never cut in half.
    return FirstCharacters(title + "  " + version, 99);
}

void UpdateTitle(MainDialogWindow& window) {
    window.setWindowTitle(ToQString(ComposeTitle(ProgramTitle, VersionText)));
}

void MainDialogWindow::OnCommand(int id, int notification) {
    // Nothing of the main dialog may run inside a run: not a second Start,
    // not the end of the program, not a change of the job.
    if (app_.runUnderWay) {
        return;
    }
    if (id == kIdReplacementList) {
        OnListViewNotify(notification);
        return;
    }
    switch (id) {
    case kIdCancel:
        EndDialog(1);
        return;
    case kIdManual:
        ShowManual(*this);
        return;
    case kIdLanguage:
        if (ChangeLanguage(*this) != 0) {
            EndDialog(LanguageChangedResult);
        }
        return;
    case kIdTranslate:
        RunTranslationAssistance(*this);
        return;
    case kIdAbout:
        ShowAbout(*this);
        return;
    case kIdStart:
        if (CheckStartConditions(*this) == 1) {
            StartJob(*this);
        }
        return;
    case kIdAddFileGroup:
        AddFileGroups(this, ui_->fileGroupList);
        UpdateControlStates(*this);
        return;
    case kIdRemoveFileGroup:
        if (RemoveSelectedEntry(ui_->fileGroupList)) {
            UpdateControlStates(*this);
        }
        return;
    case kIdAddDirectory:
        AddDirectories(this, ui_->directoryList);
        UpdateControlStates(*this);
        return;
    case kIdRemoveDirectory:
        if (RemoveSelectedEntry(ui_->directoryList)) {
            UpdateControlStates(*this);
        }
        return;
    case kIdAddReplacement:
        if (AddReplacement(this, ui_->replacementList)) {
            UpdateControlStates(*this);
        }
        return;
    case kIdRemoveReplacement:
        RemoveReplacements(ui_->replacementList);
        UpdateControlStates(*this);
        return;
    case kIdEditReplacement:
        if (EditReplacement(this, ui_->replacementList)) {
            UpdateControlStates(*this);
        }
        return;
    case kIdTestReplacements:
        // The tester reads the job as Start would; it changes nothing.
        RunReplacementTester(this, ReadJobFromDialog(*this));
        return;
    case kIdLoadProfile:
        if (std::optional<Profile> profile = LoadProfile(this)) {
            ApplyProfileToDialog(*this, *profile);
            // An edit whose text the profile leaves as it was sends no change
            // notification, so the rules are applied here once more.
            UpdateControlStates(*this);
        }
        return;
    case kIdSaveProfile:
        SaveProfile(this, ProfileFromDialog(*this));
        return;
    case kIdFileGroupList:
    case kIdDirectoryList:
        if (notification == kNotifySelectionChanged) {
            UpdateControlStates(*this);
        }
        return;
    case kIdCompareDate:
    case kIdCompareTime:
    case kIdPositionColumn:
        if (notification == kNotifyTextChanged) {
            UpdateControlStates(*this);
        }
        return;
    case kIdPositionAnywhere:
    case kIdPositionLineStart:
    case kIdPositionLineEnd:
    case kIdPositionColumnRadio:
    case kIdPerformReplace:
    case kIdAllFiles:
    case kIdNewerOrEqual:
    case kIdOlder:
    case kIdConfirm:
    case kIdCodeIso:
    case kIdCodeAscii:
    case kIdCodeUtf8:
        UpdateControlStates(*this);
        return;
    default:
        // The other check boxes toggle by themselves.
        return;
    }
}

void MainDialogWindow::OnListViewNotify(int code) {
    switch (code) {
    case kNotifyItemChanged:
        UpdateControlStates(*this);
        return;
    case kNotifyRightClick:
        // The menu's items do what the buttons beside the list do.
        switch (ChooseReplacementMenuItem(ui_->replacementList)) {
        case kMenuDelete:
            OnCommand(kIdRemoveReplacement, kNotifyClicked);
            return;
        case kMenuEdit:
            OnCommand(kIdEditReplacement, kNotifyClicked);
            return;
        case kMenuAddReplacement:
            OnCommand(kIdAddReplacement, kNotifyClicked);
            return;
        case kMenuTest:
            OnCommand(kIdTestReplacements, kNotifyClicked);
            return;
        default:
            return;
        }
    case kNotifyListDoubleClick:
        OnCommand(kIdEditReplacement, kNotifyClicked);
        return;
    default:
        return;
    }
}

int RunMainDialog(MainDialog& app) {
    MainDialogWindow window(app);
    return RunModalDialog(window);
}

int RunProgram(const std::string& profile) {
    MainDialog* app = new (std::nothrow) MainDialog();
    if (app == nullptr) {
        ShowMessage(kMsgOutOfMemory);
        return 0;
    }
    app->startProfile = profile;
    ApplyLanguage();
    while (RunMainDialog(*app) == LanguageChangedResult) {
    }
    delete app;
    return 0;
}
