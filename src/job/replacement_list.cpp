#include "replacement_list.h"

#include "control_rules.h"
#include "list_controls.h"
#include "main_dialog.h"
#include "program.h"
#include "string_table.h"
#include "translation.h"
#include "ui_replacement_dialog.h"

#include <QAction>
#include <QCoreApplication>
#include <QCursor>
#include <QMenu>
#include <QTableWidget>

bool EqualIgnoringAsciiCase(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) {
        return false;
    }
    auto fold = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; };
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (fold(a[i]) != fold(b[i])) {
            return false;
        }
    }
    return true;
}

ReplacementDialog::ReplacementDialog(MainDialogWindow& main, Mode mode)
    : VelmorDialog(&main), main_(main), mode_(mode),
      ui_(std::make_unique<Ui::ReplacementDialog>()) {
    SetUpTemplate(*ui_);
    LTS_TranslateDialog(*this, kTranslationModule, 0);
    if (mode_ == Mode::Edit) {
        int row = ListViewNextSelected(main_.ReplacementList(), -1);
        if (row >= 0) {
            ListRow texts = ListViewRow(main_.ReplacementList(), row);
            SetControlText(*this, kIdSearchEdit,
                           FirstCharacters(texts.first, kReplacementTextSize - 1));
            SetControlText(*this, kIdReplacementEdit,
                           FirstCharacters(texts.second, kReplacementTextSize - 1));
        }
    }
}

ReplacementDialog::~ReplacementDialog() = default;

void ReplacementDialog::TemplateTranslated() {
    if (mode_ == Mode::Edit) {
        setWindowTitle(QCoreApplication::translate("ReplacementDialog", "Ersetzung ändern"));
        setAccessibleName(windowTitle());
    }
}

void ReplacementDialog::OnCommand(int id, int notification) {
    (void)notification;
    if (id == kIdOk) {
        Accept();
    } else if (id == kIdCancel) {
        EndDialog(2);
    }
}

void ReplacementDialog::Accept() {
    std::string search = GetControlText(*this, kIdSearchEdit, kReplacementTextSize);
    std::string replacement = GetControlText(*this, kIdReplacementEdit, kReplacementTextSize);
    if (search.empty()) {
        ShowMessage(kMsgNoSearchTerm);
        return;
    }
    if (replacement.empty()) {
        ShowMessage(kMsgEmptyReplacement);
    }
    bool same =
        mode_ == Mode::Add ? search == replacement : EqualIgnoringAsciiCase(search, replacement);
    if (same) {
        ShowMessage(kMsgReplacementEqualsSearch);
    }
    QTableWidget* list = main_.ReplacementList();
    if (mode_ == Mode::Add) {
        int row = ListViewAppendRow(list, {search, replacement});
        ListViewSelectRow(list, row);
    } else {
        int row = ListViewNextSelected(list, -1);
        if (row < 0) {
            return;
        }
        ListViewSetRow(list, row, {search, replacement});
    }
    EndDialog(1);
}

int AddReplacement(MainDialogWindow& window) {
    ReplacementDialog dialog(window, ReplacementDialog::Mode::Add);
    int result = RunModalDialog(dialog);
    if (result == 1) {
        UpdateControlStates(window);
    }
    return result;
}

int EditReplacement(MainDialogWindow& window) {
    if (ListViewNextSelected(window.ReplacementList(), -1) < 0) {
        return 2;
    }
    ReplacementDialog dialog(window, ReplacementDialog::Mode::Edit);
    int result = RunModalDialog(dialog);
    if (result == 1) {
        UpdateControlStates(window);
    }
    return result;
}

void RemoveReplacements(MainDialogWindow& window) {
    QTableWidget* list = window.ReplacementList();
    for (int row = ListViewNextSelected(list, -1); row >= 0; row = ListViewNextSelected(list, -1)) {
        ListViewDeleteRow(list, row);
    }
    UpdateControlStates(window);
}

std::unique_ptr<QMenu> BuildReplacementMenu(QWidget* owner, int selected) {
    auto menu = std::make_unique<QMenu>(owner);
    menu->setObjectName(QStringLiteral("replacementMenu"));
    auto add = [&](int id, const char* text, bool enabled) {
        QAction* action = menu->addAction(QCoreApplication::translate("ReplacementMenu", text));
        action->setData(id);
        action->setEnabled(enabled);
    };
    add(kMenuDelete, QT_TRANSLATE_NOOP("ReplacementMenu", "Löschen"), selected >= 1);
    add(kMenuEdit, QT_TRANSLATE_NOOP("ReplacementMenu", "Ändern"), selected == 1);
    add(kMenuAddReplacement, QT_TRANSLATE_NOOP("ReplacementMenu", "Ersetzung hinzufügen"), true);
    return menu;
}

void ShowReplacementMenu(MainDialogWindow& window) {
    QTableWidget* list = window.ReplacementList();
    std::unique_ptr<QMenu> menu = BuildReplacementMenu(list, CountSelectedItems(list));
    QAction* chosen = menu->exec(QCursor::pos());
    int item = chosen ? chosen->data().toInt() : 0;
    menu.reset();
    switch (item) {
    case kMenuDelete:
        RemoveReplacements(window);
        break;
    case kMenuEdit:
        EditReplacement(window);
        break;
    case kMenuAddReplacement:
        AddReplacement(window);
        break;
    default:
        break;
    }
}
