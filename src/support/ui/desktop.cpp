#include "desktop.h"

#include "velmor_dialog.h"

#include <QApplication>
#include <QProcess>
#include <QTimer>
#include <memory>
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

void OpenWithAssociatedProgram(const std::string& path, QObject* context,
                               std::function<void(bool opened)> done) {
    if (OpenHook()) {
        done(OpenHook()(path));
        return;
    }
    // The process may outlive the caller's window (the viewer's lifetime,
    // under some desktops); it deletes itself once it ends.
    auto* process = new QProcess();
    QObject::connect(process, &QProcess::finished, process, &QObject::deleteLater);
    process->start(QStringLiteral("xdg-open"), {OpenArgument(path)});
    if (!process->waitForStarted(10000)) {
        delete process;
        done(false);
        return;
    }
    // Whichever comes first decides: the opener's end, or the end of the
    // short wait, after which it counts as started.
    auto decided = std::make_shared<bool>(false);
    auto* wait = new QTimer(process);
    wait->setSingleShot(true);
    QObject::connect(wait, &QTimer::timeout, context, [decided, done] {
        if (!*decided) {
            *decided = true;
            done(true);
        }
    });
    QObject::connect(process, &QProcess::finished, context,
                     [decided, done](int exitCode, QProcess::ExitStatus status) {
                         if (*decided) {
                             return;
                         }
                         *decided = true;
                         done(!(status == QProcess::NormalExit && MeansNoApplication(exitCode)));
                     });
    wait->start(kOpenerShortWaitMs);
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
