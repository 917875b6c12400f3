// Running a job from the main dialog: the windows through which the engine
// reports (scan dialog 2400, progress indicators, message boxes, summary).
#pragma once

#include "run_ui.h"
#include "velmor_dialog.h"

#include <QElapsedTimer>
#include <memory>

class MainDialogWindow;
class ProgressIndicator;

namespace Ui {
class ScanDialog;
}

// Dialog 2400 "Dateiliste erstellen": shows the folder being read; "Abbruch",
// Escape and the close box ask the scan to stop.
class ScanDialog : public VelmorDialog {
    Q_OBJECT
public:
    explicit ScanDialog(QWidget* parent);
    ~ScanDialog() override;

    void ShowFolder(const std::string& directory);
    bool AbortRequested() const { return abort_; }

protected:
    void OnCommand(int id, int notification) override;

private:
    std::unique_ptr<Ui::ScanDialog> ui_;
    bool abort_ = false;
};

// The engine's reports shown in windows that are modal over the main dialog.
class WindowRunUi : public RunUi {
public:
    explicit WindowRunUi(MainDialogWindow& window);
    ~WindowRunUi() override;

    Answer ShowMessage(int id, std::string_view insert1, std::string_view insert2) override;
    void BeginScan() override;
    bool ScanProgress(const std::string& directory) override;
    void EndScan() override;
    void CreateProgress(int titleId, long total) override;
    void UpdateProgress(long position) override;
    bool ProgressAborted() override;
    void DestroyProgress() override;
    void KeepAlive() override;
    void RunSummary(const RunSummaryInfo& info) override;

    // The windows now shown (for tests).
    ScanDialog* Scan() const { return scan_.get(); }
    ProgressIndicator* Progress() const { return progress_; }

private:
    MainDialogWindow& window_;
    std::unique_ptr<ScanDialog> scan_;
    ProgressIndicator* progress_ = nullptr;
    QElapsedTimer sinceEvents_;
};

// Start: reads the job from the main dialog and runs it. The main dialog
// takes no command until the run has ended.
void StartJob(MainDialogWindow& window);
