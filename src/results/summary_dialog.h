// The summary after a run that changed files (template 110): the counters,
// the changed files, opening one of them, and the only two ways out: accept
// all changes or undo them all.
#pragma once

#include "run_ui.h"
#include "velmor_dialog.h"

#include <memory>
#include <string>

class QListWidget;

namespace Ui {
class SummaryDialog;
}

enum SummaryControl : int {
    kIdChangedFiles = 1005,
    kIdEmptyLinesRemovedValue = 1012,
    kIdFilesProcessedValue = 1014,
    kIdFilesChangedValue = 1015,
    kIdReplacementsMadeValue = 1016,
    kIdLinesChangedValue = 1017,
    kIdUndoAll = 1071,
    kIdCloseSummary = 1072,
    kIdViewFile = 1073,
};

class SummaryDialog : public VelmorDialog {
    Q_OBJECT
public:
    // `ui` shows the messages and progress windows of accepting and undoing.
    SummaryDialog(QWidget* parent, const RunSummaryInfo& info, RunUi& ui);
    ~SummaryDialog() override;

    QListWidget* ChangedFileList() const;

protected:
    void OnCommand(int id, int notification) override;

private:
    void Initialize();
    void ViewSelectedFile();

    RunSummaryInfo info_;
    RunUi& runUi_;
    std::unique_ptr<Ui::SummaryDialog> ui_;
};

// Sets a control's text to `value` in plain decimal digits.
void SetDlgItemNumber(VelmorDialog& dialog, int id, long value);
// Appends every path of the change log to the list, in the log's order; an
// unreadable log leaves the list as it is.
void FillChangedFileList(QListWidget* list, const std::string& changeLogPath);
