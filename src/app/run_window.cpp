#include "run_window.h"

#include "main_dialog.h"
#include "main_job.h"
#include "message_box.h"
#include "program_settings.h"
#include "progress_indicator.h"
#include "run_job.h"
#include "string_table.h"
#include "summary_dialog.h"
#include "translation.h"
#include "ui_scan_dialog.h"

#include <QApplication>
#include <QFontMetrics>

ScanDialog::ScanDialog(QWidget* parent)
    : VelmorDialog(parent), ui_(std::make_unique<Ui::ScanDialog>()) {
    SetUpTemplate(*ui_);
    LTS_TranslateDialog(*this, kTranslationModule, 0);
}

ScanDialog::~ScanDialog() = default;

void ScanDialog::ShowFolder(const std::string& directory) {
    QLabel* text = ui_->scanText;
    QFontMetrics metrics(text->font());
    text->setText(
        metrics.elidedText(ToQString(directory), Qt::ElideMiddle, std::max(text->width(), 100)));
    text->setToolTip(ToQString(directory));
    ExposeValue(text, ToQString(directory));
}

void ScanDialog::OnCommand(int id, int notification) {
    (void)notification;
    if (id == kIdCancel) {
        abort_ = true;
    }
}

WindowRunUi::WindowRunUi(MainDialogWindow& window) : window_(window) {
    sinceEvents_.start();
}

WindowRunUi::~WindowRunUi() {
    DestroyProgress();
}

Answer WindowRunUi::ShowMessage(int id, std::string_view insert1, std::string_view insert2) {
    return ::ShowMessage(id, insert1, insert2);
}

void WindowRunUi::BeginScan() {
    scan_ = std::make_unique<ScanDialog>(&window_);
    scan_->setWindowModality(Qt::WindowModal);
    scan_->show();
    Velmor_ProcessPendingEvents();
}

bool WindowRunUi::ScanProgress(const std::string& directory) {
    if (!scan_) {
        return true;
    }
    scan_->ShowFolder(directory);
    Velmor_ProcessPendingEvents();
    sinceEvents_.restart();
    return !scan_->AbortRequested();
}

void WindowRunUi::EndScan() {
    scan_.reset();
}

void WindowRunUi::CreateProgress(int titleId, long total) {
    DestroyProgress();
    // Accepting and undoing cannot be stopped halfway.
    int flags =
        (titleId == kTitleCommit || titleId == kTitleUndo) ? kProgressNoStop : kProgressCanStop;
    // Over the summary when accepting or undoing from there, else over the
    // main dialog.
    QWidget* owner = QApplication::activeModalWidget();
    progress_ = Velmor_CreateProgressIndicator(owner ? owner : &window_,
                                               LoadTranslatedString(titleId), flags, total);
    sinceEvents_.restart();
}

void WindowRunUi::UpdateProgress(long position) {
    Velmor_UpdateProgressIndicator(progress_, position);
    sinceEvents_.restart();
}

bool WindowRunUi::ProgressAborted() {
    return Velmor_CheckProgressIndicatorAborted(progress_) != 0;
}

void WindowRunUi::DestroyProgress() {
    Velmor_DestroyProgressIndicator(progress_);
    progress_ = nullptr;
}

void WindowRunUi::KeepAlive() {
    // Called often inside big files; handling events a few times a second is
    // enough to keep the windows painted and the stop button answering.
    if (sinceEvents_.elapsed() >= 20) {
        Velmor_ProcessPendingEvents();
        sinceEvents_.restart();
    }
}

void WindowRunUi::RunSummary(const RunSummaryInfo& info) {
    SummaryDialog summary(&window_, info, *this);
    RunModalDialog(summary);
}

void StartJob(MainDialogWindow& window) {
    MainDialog& app = window.App();
    if (app.runUnderWay || IsRunUnderWay()) {
        return;
    }
    Job job = ReadJobFromDialog(window);
    // Cleared on every way out, so the dialog never stays locked.
    struct RunFlag {
        bool& flag;
        explicit RunFlag(bool& f) : flag(f) { flag = true; }
        ~RunFlag() { flag = false; }
    } underWay(app.runUnderWay);
    WindowRunUi ui(window);
    RunResult result = RunJob(job, CheckStart(job), ui);
    app.statistics = result.statistics;
}
