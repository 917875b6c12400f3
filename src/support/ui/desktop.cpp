#include "desktop.h"

#include "velmor_dialog.h"

#include <QApplication>
#include <QEventLoop>
#include <QProcess>
#include <QTimer>
#include <utility>

namespace {

std::function<bool(const std::string&)>& OpenHook() {
    static std::function<bool(const std::string&)> hook;
    return hook;
}

std::function<void()>& BeepHook() {
    static std::function<void()> hook;
    return hook;
}

// xdg-open ends with 3 when it found no tool for the file and with 4 when
// the action failed: there is no application that shows it.
bool MeansNoApplication(int exitCode) {
    return exitCode == 3 || exitCode == 4;
}

// What xdg-open is given for `path`: the path itself, or, for a name that is
// not valid UTF-8 (a process argument here is Unicode text, which cannot carry
// such bytes), a file URL with every byte percent-encoded, so the very file is
// named and never another.
QString OpenArgument(const std::string& path) {
    QByteArray bytes(path.data(), static_cast<qsizetype>(path.size()));
    QString text = QString::fromUtf8(bytes);
    if (text.toUtf8() == bytes && !path.empty() && path.front() == '/') {
        return text;
    }
    if (!path.empty() && path.front() == '/') {
        return QStringLiteral("file://") + QString::fromLatin1(bytes.toPercentEncoding("/"));
    }
    return text;
}

} // namespace

bool OpenWithAssociatedProgram(const std::string& path) {
    if (OpenHook()) {
        return OpenHook()(path);
    }
    // The process outlives this call when the desktop keeps xdg-open waiting
    // for the viewer; it deletes itself once it ends.
    auto* process = new QProcess();
    QObject::connect(process, &QProcess::finished, process, &QObject::deleteLater);
    process->start(QStringLiteral("xdg-open"), {OpenArgument(path)});
    if (!process->waitForStarted(10000)) {
        process->deleteLater();
        return false;
    }
    // Wait (without taking user input) until xdg-open has handed the file on;
    // a desktop that keeps it running for the viewer's lifetime counts as opened.
    QEventLoop loop;
    QTimer limit;
    limit.setSingleShot(true);
    QObject::connect(&limit, &QTimer::timeout, &loop, &QEventLoop::quit);
    QObject::connect(process, &QProcess::finished, &loop, &QEventLoop::quit);
    limit.start(10000);
    if (process->state() != QProcess::NotRunning) {
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    }
    if (process->state() != QProcess::NotRunning) {
        return true;
    }
    return !(process->exitStatus() == QProcess::NormalExit &&
             MeansNoApplication(process->exitCode()));
}

void SetOpenFileHook(std::function<bool(const std::string&)> hook) {
    OpenHook() = std::move(hook);
}

void Velmor_Beep() {
    if (BeepHook()) {
        BeepHook()();
        return;
    }
    QApplication::beep();
}

void SetBeepHook(std::function<void()> hook) {
    BeepHook() = std::move(hook);
}
