#include "language_chooser.h"

#include "string_table.h"
#include "velmor_dialog.h"

#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>
#include <utility>

namespace {

LanguageChooserHook& Hook() {
    static LanguageChooserHook hook;
    return hook;
}

} // namespace

std::string LanguageName(int language) {
    switch (language) {
    case kLanguageEnglish:
        return "English";
    case kLanguageGerman:
        return "Deutsch";
    default:
        return std::to_string(language);
    }
}

LanguageChooser::LanguageChooser(QWidget* owner, std::vector<int> languages, int current)
    : QDialog(owner), languages_(std::move(languages)) {
    setObjectName(QStringLiteral("languageChooser"));
    setWindowTitle(QCoreApplication::translate("LanguageChooser", "Sprache"));
    setAccessibleName(windowTitle());
    auto* layout = new QVBoxLayout(this);

    auto* label = new QLabel(
        QCoreApplication::translate("LanguageChooser", "&Sprache der Bedienoberfläche"), this);
    label->setObjectName(QStringLiteral("languageLabel"));
    label->setAccessibleName(WithoutMnemonic(label->text()));
    layout->addWidget(label);

    list_ = new QListWidget(this);
    list_->setObjectName(QStringLiteral("languageList"));
    list_->setAccessibleName(label->accessibleName());
    list_->setSelectionMode(QAbstractItemView::SingleSelection);
    label->setBuddy(list_);
    for (int language : languages_) {
        auto* item = new QListWidgetItem(ToQString(LanguageName(language)), list_);
        item->setData(Qt::UserRole, language);
        if (language == current) {
            list_->setCurrentItem(item);
        }
    }
    // Two or three short rows: no need for the list's default height.
    int rows = std::max(static_cast<int>(languages_.size()), 2);
    list_->setFixedHeight(list_->sizeHintForRow(0) * rows + 2 * list_->frameWidth() + 4);
    layout->addWidget(list_);

    auto* note = new QLabel(
        QCoreApplication::translate("LanguageChooser",
                                    "Der Hauptdialog wird dabei neu aufgebaut; was Sie eingegeben "
                                    "haben, geht verloren."),
        this);
    note->setObjectName(QStringLiteral("languageNote"));
    note->setWordWrap(true);
    note->setAccessibleName(note->text());
    layout->addWidget(note);

    buttons_ = new QDialogButtonBox(this);
    ok_ = buttons_->addButton(QCoreApplication::translate("LanguageChooser", "&OK"),
                              QDialogButtonBox::AcceptRole);
    ok_->setObjectName(QStringLiteral("languageOk"));
    ok_->setAccessibleName(WithoutMnemonic(ok_->text()));
    ok_->setDefault(true);
    QPushButton* cancel = buttons_->addButton(
        QCoreApplication::translate("LanguageChooser", "&Abbrechen"), QDialogButtonBox::RejectRole);
    cancel->setObjectName(QStringLiteral("languageCancel"));
    cancel->setAccessibleName(WithoutMnemonic(cancel->text()));
    layout->addWidget(buttons_);

    connect(buttons_, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons_, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(list_, &QListWidget::itemSelectionChanged, this, &LanguageChooser::UpdateOk);
    connect(list_, &QListWidget::itemDoubleClicked, this, &QDialog::accept);
    UpdateOk();
    list_->setFocus(Qt::OtherFocusReason);
    setMinimumWidth(fontMetrics().averageCharWidth() * 56);
}

int LanguageChooser::Chosen() const {
    const QList<QListWidgetItem*> selected = list_->selectedItems();
    return selected.isEmpty() ? 0 : selected.first()->data(Qt::UserRole).toInt();
}

void LanguageChooser::UpdateOk() {
    ok_->setEnabled(Chosen() != 0);
}

void SetLanguageChooserHook(LanguageChooserHook hook) {
    Hook() = std::move(hook);
}

int Velmor_SelectLanguage(QWidget* owner, const int* languages, int current, int flags) {
    (void)flags;
    std::vector<int> offered;
    for (const int* code = languages; code != nullptr && *code != 0; ++code) {
        offered.push_back(*code);
    }
    if (Hook()) {
        return Hook()(offered, current);
    }
    LanguageChooser chooser(owner, offered, current);
    chooser.setWindowModality(owner ? Qt::WindowModal : Qt::ApplicationModal);
    if (chooser.exec() != QDialog::Accepted || chooser.Chosen() == 0) {
        return current;
    }
    return chooser.Chosen();
}
