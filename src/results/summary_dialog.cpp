#include "summary_dialog.h"

#include "commit_undo.h"
#include "desktop.h"
#include "list_controls.h"
#include "program_settings.h"
#include "string_table.h"
#include "translation.h"
#include "ui_summary_dialog.h"

SummaryDialog::SummaryDialog(QWidget* parent, const RunSummaryInfo& info, RunUi& ui)
    : VelmorDialog(parent), info_(info), runUi_(ui), ui_(std::make_unique<Ui::SummaryDialog>()) {
    SetUpTemplate(*ui_);
    LTS_TranslateDialog(*this, kTranslationModule, 0);
    Initialize();
}

SummaryDialog::~SummaryDialog() = default;

QListWidget* SummaryDialog::ChangedFileList() const {
    return ui_->changedFileList;
}

void SummaryDialog::Initialize() {
    const RunStatistics& counters = info_.statistics;
    SetDlgItemNumber(*this, kIdFilesProcessedValue, counters.FilesProcessed);
    SetDlgItemNumber(*this, kIdFilesChangedValue, counters.FilesChanged);
    SetDlgItemNumber(*this, kIdLinesChangedValue, counters.LinesChanged);
    SetDlgItemNumber(*this, kIdReplacementsMadeValue, counters.ReplacementsMade);
    SetDlgItemNumber(*this, kIdEmptyLinesRemovedValue, counters.EmptyLinesRemoved);
    FillChangedFileList(ui_->changedFileList, info_.changeLogPath);
    Velmor_SetBoxIndex(ui_->changedFileList, 0);
    ui_->changedFileList->setFocus(Qt::OtherFocusReason);
}

void SummaryDialog::OnCommand(int id, int notification) {
    switch (id) {
    case kIdUndoAll:
        UndoChanges(info_.changeLogPath, info_.statistics.FilesChanged, runUi_);
        EndDialog(1);
        return;
    case kIdCloseSummary:
    case kIdCancel:
        if (runUi_.ShowMessage(kMsgAcceptAll, {}, {}) == Answer::Yes) {
            CommitChanges(info_.changeLogPath, info_.statistics.FilesChanged, runUi_);
            EndDialog(1);
        }
        return;
    case kIdViewFile:
        ViewSelectedFile();
        return;
    case kIdChangedFiles:
        if (notification == kNotifyDoubleClick) {
            // Opened once the list has finished with its double click.
            PostCommand(kIdViewFile, kNotifyClicked);
        }
        return;
    default:
        return;
    }
}

void SummaryDialog::ViewSelectedFile() {
    std::optional<std::string> path = Velmor_GetBoxEntry(ui_->changedFileList, -1);
    if (!path || path->empty()) {
        return;
    }
    OpenWithAssociatedProgram(*path, this, [this, file = *path](bool opened) {
        if (!opened) {
            runUi_.ShowMessage(kMsgNoViewer, file, {});
        }
    });
}

void SetDlgItemNumber(VelmorDialog& dialog, int id, long value) {
    SetControlText(dialog, id, std::to_string(value));
    // A screen reader reads the number with its caption, not the caption twice.
    ExposeValue(dialog.Control(id), QString::number(value));
}

void FillChangedFileList(QListWidget* list, const std::string& changeLogPath) {
    bool ok = false;
    std::vector<std::string> paths = ReadChangeLog(changeLogPath, &ok);
    if (!ok) {
        return;
    }
    for (const std::string& path : paths) {
        Velmor_AddBoxEntry(list, path);
    }
}
