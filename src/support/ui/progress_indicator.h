// The progress window of a long step: its title, a bar, the count reached
// and, unless the step cannot be stopped, a stop button. It is modal over its
// parent window and processes pending events whenever it is updated, so it
// stays responsive while the step works.
#pragma once

#include <QDialog>
#include <QElapsedTimer>
#include <string_view>

class QLabel;
class QProgressBar;
class QPushButton;

enum ProgressFlags : int {
    kProgressCanStop = 0,
    // No stop button; the window cannot be closed by the user.
    kProgressNoStop = 1,
};

class ProgressIndicator : public QDialog {
    Q_OBJECT
public:
    ProgressIndicator(QWidget* parent, std::string_view title, int flags, long total);

    void SetPosition(long position);
    bool Aborted() const { return aborted_; }
    // Asks the step to stop, as the stop button does (no effect without one).
    void RequestStop();
    // True at most every few milliseconds: a run updates the indicator for
    // every file, but handling events that often would only slow it down.
    bool EventsDue();

protected:
    void reject() override;
    void closeEvent(QCloseEvent* event) override;

private:
    bool canStop_;
    bool aborted_ = false;
    long total_;
    QLabel* count_ = nullptr;
    QProgressBar* bar_ = nullptr;
    QPushButton* stop_ = nullptr;
    QElapsedTimer sinceEvents_;
};

ProgressIndicator* Velmor_CreateProgressIndicator(QWidget* parent, std::string_view title,
                                                  int flags, long total);
void Velmor_UpdateProgressIndicator(ProgressIndicator* indicator, long position);
// Nonzero once the user asked to stop.
int Velmor_CheckProgressIndicatorAborted(ProgressIndicator* indicator);
void Velmor_DestroyProgressIndicator(ProgressIndicator* indicator);

// Handles the events that are waiting (input included), so windows repaint
// and buttons answer while a long step runs on this thread.
void Velmor_ProcessPendingEvents();
