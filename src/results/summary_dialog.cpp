#include "summary_dialog.h"

#include "change_text_delegate.h"
#include "change_view_model.h"
#include "changed_file_model.h"
#include "commit_undo.h"
#include "desktop.h"
#include "program_settings.h"
#include "string_table.h"
#include "translation.h"
#include "ui_summary_dialog.h"

#include <QFontDatabase>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QTableView>
#include <algorithm>

namespace {

// Rows of both tables are one line of text high, so the tables never
// measure their rows (30,000 files open at once).
void UseFixedRowHeight(QTableView* view) {
    QHeaderView* rows = view->verticalHeader();
    rows->hide();
    rows->setSectionResizeMode(QHeaderView::Fixed);
    rows->setDefaultSectionSize(view->fontMetrics().height() + 6);
}

} // namespace

SummaryDialog::SummaryDialog(QWidget* parent, const RunSummaryInfo& info, RunUi& ui)
    : VelmorDialog(parent), info_(info), runUi_(ui), ui_(std::make_unique<Ui::SummaryDialog>()),
      waiting_(info.statistics) {
    SetUpTemplate(*ui_);
    LTS_TranslateDialog(*this, kTranslationModule, 0);
    Initialize();
}

SummaryDialog::~SummaryDialog() = default;

QTableView* SummaryDialog::ChangedFileList() const {
    return ui_->changedFileList;
}

QTableView* SummaryDialog::ChangeView() const {
    return ui_->changeView;
}

std::vector<std::string> SummaryDialog::ListedFiles() const {
    std::vector<std::string> paths;
    for (int row = 0; row < files_->rowCount(); ++row) {
        paths.push_back(files_->RecordAt(row).path);
    }
    return paths;
}

void SummaryDialog::Initialize() {
    const RunStatistics& counters = info_.statistics;
    SetDlgItemNumber(*this, kIdFilesProcessedValue, counters.FilesProcessed);
    SetDlgItemNumber(*this, kIdFilesChangedValue, counters.FilesChanged);
    SetDlgItemNumber(*this, kIdLinesChangedValue, counters.LinesChanged);
    SetDlgItemNumber(*this, kIdReplacementsMadeValue, counters.ReplacementsMade);
    SetDlgItemNumber(*this, kIdEmptyLinesRemovedValue, counters.EmptyLinesRemoved);
    SetDlgItemNumber(*this, kIdLinesTooLongValue, counters.LinesTooLong);

    // The changed files: an unreadable log leaves the table empty, without a
    // message (the counters are shown all the same).
    QTableView* list = ui_->changedFileList;
    files_ = new ChangedFileModel(this);
    files_->Load(info_.changeLogPath);
    list->setModel(files_);
    UseFixedRowHeight(list);
    QHeaderView* columns = list->horizontalHeader();
    columns->setSectionResizeMode(ChangedFileModel::kPathColumn, QHeaderView::Stretch);
    for (int column = ChangedFileModel::kReplacementsColumn;
         column < ChangedFileModel::kColumnCount; ++column) {
        const QString caption =
            files_->headerData(column, Qt::Horizontal, Qt::DisplayRole).toString();
        columns->resizeSection(column, list->fontMetrics().horizontalAdvance(caption) + 32);
    }
    // The log's order first; a click on a column's caption sorts by it.
    columns->setSortIndicator(-1, Qt::AscendingOrder);
    columns->setSortIndicatorShown(true);
    list->setSortingEnabled(true);

    // The change view of the file that is current in the table.
    QTableView* view = ui_->changeView;
    changes_ = new ChangeViewModel(info_.lines, info_.code, this);
    changes_->SetRoots(files_->Roots());
    view->setModel(changes_);
    view->setItemDelegateForColumn(ChangeViewModel::kTextColumn, new ChangeTextDelegate(view));
    view->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    UseFixedRowHeight(view);
    view->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    view->horizontalHeader()->setStretchLastSection(true);
    ui_->reviewSplitter->setStretchFactor(0, 2);
    ui_->reviewSplitter->setStretchFactor(1, 3);
    ui_->changeNotes->hide();

    connect(list->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this] { ShowCurrentFile(); });
    connect(list->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this] { UpdateSelectionButtons(); });
    connect(list, &QTableView::doubleClicked, this,
            [this] { OnCommand(kIdChangedFiles, kNotifyDoubleClick); });
    connect(changes_, &ChangeViewModel::notesChanged, this, [this] { ShowNotes(); });

    if (files_->rowCount() > 0) {
        list->selectionModel()->setCurrentIndex(
            files_->index(0, 0), QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    }
    UpdateSelectionButtons();
    list->setFocus(Qt::OtherFocusReason);
}

void SummaryDialog::TemplateTranslated() {
    // The column captions come from the string table in the current language.
    if (files_ != nullptr) {
        emit files_->headerDataChanged(Qt::Horizontal, 0, ChangedFileModel::kColumnCount - 1);
        emit changes_->headerDataChanged(Qt::Horizontal, 0, ChangeViewModel::kColumnCount - 1);
        ShowNotes();
    }
}

void SummaryDialog::OnCommand(int id, int notification) {
    switch (id) {
    case kIdUndoAll: {
        // Every file still waiting; one left (No to putting its backup back
        // over a later change, or a failure) stays in the list for later.
        std::set<std::string> waiting;
        for (int row = 0; row < files_->rowCount(); ++row) {
            waiting.insert(files_->RecordAt(row).path);
        }
        if (Decide(waiting, false, 0)) {
            runUi_.ShowMessage(kMsgAllUndone, {}, {});
            EndDialog(1);
        }
        return;
    }
    case kIdCloseSummary:
    case kIdCancel:
        if (runUi_.ShowMessage(kMsgAcceptAll, {}, {}) == Answer::Yes) {
            changes_->Clear();
            CommitChanges(info_.changeLogPath, waiting_.FilesChanged, runUi_);
            EndDialog(1);
        }
        return;
    case kIdAcceptSelected:
        DecideSelected(true);
        return;
    case kIdUndoSelected:
        DecideSelected(false);
        return;
    case kIdViewFile:
        ViewSelectedFile();
        return;
    case kIdChangedFiles:
        if (notification == kNotifyDoubleClick) {
            // Opened once the table has finished with its double click.
            PostCommand(kIdViewFile, kNotifyClicked);
        }
        return;
    default:
        return;
    }
}

std::string SummaryDialog::CurrentPath() const {
    const QModelIndex current = ui_->changedFileList->selectionModel()->currentIndex();
    if (!current.isValid() ||
        !ui_->changedFileList->selectionModel()->isRowSelected(current.row(), {})) {
        return {};
    }
    return files_->RecordAt(current.row()).path;
}

std::set<std::string> SummaryDialog::SelectedPaths() const {
    std::set<std::string> paths;
    for (const QModelIndex& index : ui_->changedFileList->selectionModel()->selectedRows()) {
        paths.insert(files_->RecordAt(index.row()).path);
    }
    return paths;
}

void SummaryDialog::ViewSelectedFile() {
    const std::string path = CurrentPath();
    if (path.empty()) {
        return;
    }
    OpenWithAssociatedProgram(path, this, [this, file = path](bool opened) {
        if (!opened) {
            runUi_.ShowMessage(kMsgNoViewer, file, {});
        }
    });
}

void SummaryDialog::ShowCurrentFile() {
    const QModelIndex current = ui_->changedFileList->selectionModel()->currentIndex();
    if (!current.isValid()) {
        changes_->Clear();
        return;
    }
    changes_->ShowFile(files_->RecordAt(current.row()));
    ui_->changeView->scrollToTop();
}

void SummaryDialog::ShowNotes() {
    const QStringList notes = changes_->Notes();
    ui_->changeNotes->setText(notes.join(QLatin1Char('\n')));
    ui_->changeNotes->setVisible(!notes.isEmpty());
}

void SummaryDialog::UpdateSelectionButtons() {
    const bool any = ui_->changedFileList->selectionModel()->hasSelection();
    EnableControls(*this, {kIdAcceptSelected, kIdUndoSelected}, any);
}

void SummaryDialog::DecideSelected(bool accept) {
    QItemSelectionModel* selection = ui_->changedFileList->selectionModel();
    const std::set<std::string> chosen = SelectedPaths();
    if (chosen.empty()) {
        return;
    }
    int firstRow = files_->rowCount();
    for (const QModelIndex& index : selection->selectedRows()) {
        firstRow = std::min(firstRow, index.row());
    }
    if (Decide(chosen, accept, firstRow)) {
        // Nothing is waiting: the run is finished as after accepting all.
        EndDialog(1);
    }
}

bool SummaryDialog::Decide(const std::set<std::string>& chosen, bool accept, int firstRow) {
    QItemSelectionModel* selection = ui_->changedFileList->selectionModel();
    // The view lets go of the files before they are renamed or deleted.
    changes_->Clear();
    // Both walk the whole log, so its length is the progress's total.
    const long total = files_->rowCount();
    const bool read = accept ? CommitChanges(info_.changeLogPath, total, runUi_, &chosen)
                             : UndoChanges(info_.changeLogPath, total, runUi_, &chosen);
    // The log now holds the files still waiting: those not chosen, and the
    // chosen ones that were left (a failure, or No to putting a backup back
    // over a later change).
    bool ok = false;
    const std::vector<std::string> logged =
        read ? ReadChangeLog(info_.changeLogPath, &ok) : std::vector<std::string>{};
    if (ok) {
        for (const ChangeRecord& record :
             files_->KeepOnly(std::set<std::string>(logged.begin(), logged.end()))) {
            --waiting_.FilesChanged;
            waiting_.LinesChanged -= record.counters.lineChanges;
            waiting_.ReplacementsMade -= record.counters.replacements;
            waiting_.EmptyLinesRemoved -= record.counters.emptyLinesRemoved;
        }
        ShowWaitingCounters();
    }
    if (files_->rowCount() == 0) {
        return true;
    }
    const int row = std::min(firstRow, files_->rowCount() - 1);
    selection->setCurrentIndex(files_->index(row, 0),
                               QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    ShowCurrentFile();
    UpdateSelectionButtons();
    // The arrow keys go on through the files still waiting.
    ui_->changedFileList->setFocus(Qt::OtherFocusReason);
    return false;
}

void SummaryDialog::ShowWaitingCounters() {
    SetDlgItemNumber(*this, kIdFilesChangedValue, waiting_.FilesChanged);
    SetDlgItemNumber(*this, kIdLinesChangedValue, waiting_.LinesChanged);
    SetDlgItemNumber(*this, kIdReplacementsMadeValue, waiting_.ReplacementsMade);
    SetDlgItemNumber(*this, kIdEmptyLinesRemovedValue, waiting_.EmptyLinesRemoved);
}

void SetDlgItemNumber(VelmorDialog& dialog, int id, long value) {
    SetControlText(dialog, id, std::to_string(value));
    // A screen reader reads the number with its caption, not the caption twice.
    ExposeValue(dialog.Control(id), QString::number(value));
}
