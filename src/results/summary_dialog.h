// The summary after a run that changed files (template 110): the counters,
// the table of changed files with the changes of the selected one, opening a
// file, and the ways out: accept or undo the selected files (they leave the
// table), accept all that are still waiting, or undo them all.
#pragma once

#include "run_ui.h"
#include "velmor_dialog.h"

#include <memory>
#include <set>
#include <string>
#include <vector>

class ChangeViewModel;
class ChangedFileModel;
class QTableView;

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
    kIdLinesTooLongValue = 1018,
    kIdUndoAll = 1071,
    kIdCloseSummary = 1072,
    kIdViewFile = 1073,
    kIdAcceptSelected = 1074,
    kIdUndoSelected = 1075,
    kIdChangeView = 1076,
    kIdChangeNotes = 1077,
};

class SummaryDialog : public VelmorDialog {
    Q_OBJECT
public:
    // `ui` shows the messages and progress windows of accepting and undoing.
    SummaryDialog(QWidget* parent, const RunSummaryInfo& info, RunUi& ui);
    ~SummaryDialog() override;

    QTableView* ChangedFileList() const;
    QTableView* ChangeView() const;
    ChangeViewModel& Changes() const { return *changes_; }
    // The paths of the files still waiting, as the table shows them.
    std::vector<std::string> ListedFiles() const;

protected:
    void OnCommand(int id, int notification) override;
    void TemplateTranslated() override;

private:
    void Initialize();
    void ViewSelectedFile();
    void ShowCurrentFile();
    void ShowNotes();
    void UpdateSelectionButtons();
    // Accepts or undoes the selected files; those finished leave the table.
    void DecideSelected(bool accept);
    // Accepts or undoes the files `chosen`; those finished leave the list,
    // the row `firstRow` (or the last) becomes the current one. True when
    // no file is left waiting.
    bool Decide(const std::set<std::string>& chosen, bool accept, int firstRow);
    void ShowWaitingCounters();
    std::string CurrentPath() const;
    std::set<std::string> SelectedPaths() const;

    RunSummaryInfo info_;
    RunUi& runUi_;
    std::unique_ptr<Ui::SummaryDialog> ui_;
    ChangedFileModel* files_ = nullptr;
    ChangeViewModel* changes_ = nullptr;
    // The run's counters less those of the files decided one by one.
    RunStatistics waiting_;
};

// Sets a control's text to `value` in plain decimal digits.
void SetDlgItemNumber(VelmorDialog& dialog, int id, long value);
