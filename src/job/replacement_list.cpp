#include "replacement_list.h"

#include "list_controls.h"
#include "message_box.h"
#include "program_settings.h"
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

ReplacementDialog::ReplacementDialog(QWidget* owner, Mode mode, const ReplacementRow& initial)
    : VelmorDialog(owner), mode_(mode), ui_(std::make_unique<Ui::ReplacementDialog>()) {
    SetUpTemplate(*ui_);
    LTS_TranslateDialog(*this, kTranslationModule, 0);
    SetControlText(*this, kIdSearchEdit, FirstCharacters(initial.search, kReplacementTextSize - 1));
    SetControlText(*this, kIdReplacementEdit,
                   FirstCharacters(initial.replacement, kReplacementTextSize - 1));
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
    accepted_ = {search, replacement};
    EndDialog(1);
}

std::optional<ReplacementRow> RunReplacementDialog(QWidget* owner, ReplacementDialog::Mode mode,
                                                   const ReplacementRow& initial) {
    ReplacementDialog dialog(owner, mode, initial);
    if (RunModalDialog(dialog) != 1) {
        return std::nullopt;
    }
    return dialog.Accepted();
}

bool AddReplacement(QWidget* owner, QTableWidget* list) {
    std::optional<ReplacementRow> pair = RunReplacementDialog(owner, ReplacementDialog::Mode::Add);
    if (!pair) {
        return false;
    }
    ListViewSelectRow(list, ListViewAppendRow(list, {pair->search, pair->replacement}));
    return true;
}

bool EditReplacement(QWidget* owner, QTableWidget* list) {
    int row = ListViewNextSelected(list, -1);
    if (row < 0) {
        return false;
    }
    ListRow texts = ListViewRow(list, row);
    std::optional<ReplacementRow> pair =
        RunReplacementDialog(owner, ReplacementDialog::Mode::Edit, {texts.first, texts.second});
    if (!pair) {
        return false;
    }
    ListViewSetRow(list, row, {pair->search, pair->replacement});
    return true;
}

void RemoveReplacements(QTableWidget* list) {
    for (int row = ListViewNextSelected(list, -1); row >= 0; row = ListViewNextSelected(list, -1)) {
        ListViewDeleteRow(list, row);
    }
}

std::unique_ptr<QMenu> BuildReplacementMenu(QWidget* owner, int selected) {
    auto menu = std::make_unique<QMenu>(owner);
    menu->setObjectName(QStringLiteral("replacementMenu"));
    auto add = [&](int id, const char* text, bool enabled) {
        QAction* action = menu->addAction(QCoreApplication::translate("ReplacementMenu", text));
        action->setData(id);
        action->setEnabled(enabled);
    };
    add(kMenuDelete, QT_TRANSLATE_NOOP("ReplacementMenu", "&Löschen"), selected >= 1);
    add(kMenuEdit, QT_TRANSLATE_NOOP("ReplacementMenu", "Ä&ndern"), selected == 1);
    add(kMenuAddReplacement, QT_TRANSLATE_NOOP("ReplacementMenu", "Ersetzung &hinzufügen"), true);
    add(kMenuTest, QT_TRANSLATE_NOOP("ReplacementMenu", "Ersetzungen &testen..."), true);
    return menu;
}

int ChooseReplacementMenuItem(QTableWidget* list) {
    std::unique_ptr<QMenu> menu = BuildReplacementMenu(list, CountSelectedItems(list));
    QAction* chosen = menu->exec(QCursor::pos());
    return chosen ? chosen->data().toInt() : 0;
}
