#include "list_dialogs.h"

#include "desktop.h"
#include "escape_notation.h"
#include "file_name_dialog.h"
#include "file_names.h"
#include "list_controls.h"
#include "message_box.h"
#include "program_settings.h"
#include "string_table.h"
#include "translation.h"
#include "ui_add_directory_dialog.h"
#include "ui_add_wildcard_dialog.h"

#include <QLineEdit>
#include <QListWidget>
#include <cstring>

bool ContainsNoneOf(const char* text, const char* set) {
    if (text == nullptr || set == nullptr) {
        return false;
    }
    for (const char* c = set; *c != '\0'; ++c) {
        if (std::strchr(text, *c) != nullptr) {
            return false;
        }
    }
    return true;
}

void FilterForbiddenInput(VelmorDialog& dialog, int id, const char* set) {
    auto* edit = dialog.ControlAs<QLineEdit>(id);
    if (set == nullptr || edit == nullptr) {
        return;
    }
    // The deletion below changes the text again, which brings this filter
    // back; the outer call does all the work, one character at a time.
    static bool filtering = false;
    if (filtering) {
        return;
    }
    filtering = true;
    while (!ContainsNoneOf(GetControlText(dialog, id).c_str(), set)) {
        Velmor_Beep();
        QString before = edit->text();
        edit->backspace();
        if (edit->text() == before) {
            break; // nothing before the caret is left to delete
        }
    }
    filtering = false;
}

std::string RefusedDirectoryCharacter(const std::string& directory) {
    std::size_t at = directory.find_first_of(std::string(ForbiddenDirectoryChars) + ';');
    if (at == std::string::npos) {
        return {};
    }
    return Velmor_EncodeString(directory.substr(at, 1));
}

int ChooseDirectory(VelmorDialog& dialog, int id) {
    std::string typed = GetControlText(dialog, id, 512);
    std::string path = Velmor_Assemble_FileName(typed, "*", "*");
    FileDialogRequest request;
    request.filterId = kFilterAllFiles;
    request.titleId = kTitleChooseDirectory;
    request.mode = kFileDialogDirectory;
    request.translationId = kTranslationModule;
    request.owner = &dialog;
    if (Velmor_ExtendedFileNameDialog(path, request) == 0) {
        return 2;
    }
    std::string directory = Velmor_StripFileName(path);
    if (std::string refused = RefusedDirectoryCharacter(directory); !refused.empty()) {
        // Cutting characters off a chosen path would name another directory,
        // so the choice is refused whole and the field keeps what it held.
        ShowMessage(kMsgDirectoryCharacter, directory, refused);
        return 2;
    }
    SetControlText(dialog, id, directory);
    return 1;
}

namespace {

// OK of an entry dialog: the edit's items join the list, or the message
// when the edit is empty (the dialog then stays open).
void AcceptEntries(VelmorDialog& dialog, int editId, QListWidget* list, int emptyMessage) {
    std::string text = GetControlText(dialog, editId);
    if (text.empty()) {
        ShowMessage(emptyMessage);
        return;
    }
    Velmor_FillBoxExtended(list, ';', text, kFillClean);
    dialog.EndDialog(1);
}

} // namespace

AddDirectoryDialog::AddDirectoryDialog(QWidget* owner, QListWidget* list)
    : VelmorDialog(owner), list_(list), ui_(std::make_unique<Ui::AddDirectoryDialog>()) {
    SetUpTemplate(*ui_);
    LTS_TranslateDialog(*this, kTranslationModule, 0);
}

AddDirectoryDialog::~AddDirectoryDialog() = default;

void AddDirectoryDialog::OnCommand(int id, int notification) {
    switch (id) {
    case kIdOk:
        AcceptEntries(*this, kIdDirectoryEdit, list_, kMsgNoDirectory);
        return;
    case kIdCancel:
        EndDialog(2);
        return;
    case kIdChooseDirectory:
        ChooseDirectory(*this, kIdDirectoryEdit);
        return;
    case kIdDirectoryEdit:
        if (notification == kNotifyTextUpdate) {
            FilterForbiddenInput(*this, kIdDirectoryEdit, ForbiddenDirectoryChars);
        }
        return;
    default:
        return;
    }
}

AddWildcardDialog::AddWildcardDialog(QWidget* owner, QListWidget* list)
    : VelmorDialog(owner), list_(list), ui_(std::make_unique<Ui::AddWildcardDialog>()) {
    SetUpTemplate(*ui_);
    LTS_TranslateDialog(*this, kTranslationModule, 0);
}

AddWildcardDialog::~AddWildcardDialog() = default;

void AddWildcardDialog::OnCommand(int id, int notification) {
    switch (id) {
    case kIdOk:
        AcceptEntries(*this, kIdFileGroupEdit, list_, kMsgNoFileGroup);
        return;
    case kIdCancel:
        EndDialog(2);
        return;
    case kIdFileGroupEdit:
        if (notification == kNotifyTextUpdate) {
            FilterForbiddenInput(*this, kIdFileGroupEdit, ForbiddenFileGroupChars);
        }
        return;
    default:
        return;
    }
}

int AddDirectories(QWidget* owner, QListWidget* list) {
    AddDirectoryDialog dialog(owner, list);
    return RunModalDialog(dialog);
}

int AddFileGroups(QWidget* owner, QListWidget* list) {
    AddWildcardDialog dialog(owner, list);
    return RunModalDialog(dialog);
}

bool RemoveSelectedEntry(QListWidget* list) {
    int index = Velmor_GetBoxIndex(list);
    if (index < 0) {
        return false;
    }
    Velmor_DeleteBoxEntry(list, index);
    Velmor_SetBoxIndex(list, index);
    return true;
}
