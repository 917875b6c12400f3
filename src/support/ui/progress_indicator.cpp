#include "progress_indicator.h"

#include "velmor_dialog.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>
#include <climits>

namespace {
// A bar holds int positions; larger totals are shown scaled.
int BarValue(long position, long total) {
    if (total <= INT_MAX) {
        return static_cast<int>(std::clamp(position, 0L, total));
    }
    return static_cast<int>(static_cast<double>(std::clamp(position, 0L, total)) / total * INT_MAX);
}
} // namespace

ProgressIndicator::ProgressIndicator(QWidget* parent, std::string_view title, int flags, long total)
    : QDialog(parent), canStop_((flags & kProgressNoStop) == 0), total_(std::max(total, 0L)) {
    QString caption = ToQString(title);
    setWindowTitle(caption);
    setObjectName(QStringLiteral("progressIndicator"));
    if (!canStop_) {
        setWindowFlags(windowFlags() & ~Qt::WindowCloseButtonHint);
    }
    auto* layout = new QVBoxLayout(this);
    auto* heading = new QLabel(caption, this);
    heading->setAccessibleName(caption);
    layout->addWidget(heading);

    bar_ = new QProgressBar(this);
    bar_->setRange(0, total_ <= INT_MAX ? static_cast<int>(total_) : INT_MAX);
    bar_->setValue(0);
    bar_->setTextVisible(false);
    bar_->setAccessibleName(caption);
    bar_->setMinimumWidth(360);
    layout->addWidget(bar_);

    count_ = new QLabel(this);
    count_->setObjectName(QStringLiteral("progressCount"));
    count_->setAlignment(Qt::AlignCenter);
    layout->addWidget(count_);

    if (canStop_) {
        stop_ = new QPushButton(QCoreApplication::translate("ProgressIndicator", "&Abbruch"), this);
        stop_->setObjectName(QStringLiteral("progressStop"));
        stop_->setAccessibleName(WithoutMnemonic(stop_->text()));
        stop_->setAutoDefault(false);
        connect(stop_, &QPushButton::clicked, this, &ProgressIndicator::RequestStop);
        layout->addWidget(stop_, 0, Qt::AlignHCenter);
    }
    SetPosition(0);
}

void ProgressIndicator::SetPosition(long position) {
    bar_->setValue(BarValue(position, total_));
    count_->setText(QStringLiteral("%1 / %2").arg(position).arg(total_));
    count_->setAccessibleName(count_->text());
}

bool ProgressIndicator::EventsDue() {
    if (sinceEvents_.isValid() && sinceEvents_.elapsed() < 10) {
        return false;
    }
    sinceEvents_.start();
    return true;
}

void ProgressIndicator::RequestStop() {
    if (!canStop_ || aborted_) {
        return;
    }
    aborted_ = true;
    stop_->setEnabled(false);
}

void ProgressIndicator::reject() {
    // Escape means stop; the window itself goes only when the step ends.
    RequestStop();
}

void ProgressIndicator::closeEvent(QCloseEvent* event) {
    RequestStop();
    event->ignore();
}

ProgressIndicator* Velmor_CreateProgressIndicator(QWidget* parent, std::string_view title,
                                                  int flags, long total) {
    auto* indicator = new ProgressIndicator(parent, title, flags, total);
    indicator->setWindowModality(parent ? Qt::WindowModal : Qt::ApplicationModal);
    indicator->show();
    Velmor_ProcessPendingEvents();
    return indicator;
}

void Velmor_UpdateProgressIndicator(ProgressIndicator* indicator, long position) {
    if (indicator == nullptr) {
        return;
    }
    indicator->SetPosition(position);
    if (indicator->EventsDue()) {
        Velmor_ProcessPendingEvents();
    }
}

int Velmor_CheckProgressIndicatorAborted(ProgressIndicator* indicator) {
    if (indicator == nullptr) {
        return 0;
    }
    if (indicator->EventsDue()) {
        Velmor_ProcessPendingEvents();
    }
    return indicator->Aborted() ? 1 : 0;
}

void Velmor_DestroyProgressIndicator(ProgressIndicator* indicator) {
    if (indicator == nullptr) {
        return;
    }
    indicator->hide();
    delete indicator;
}

void Velmor_ProcessPendingEvents() {
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}
