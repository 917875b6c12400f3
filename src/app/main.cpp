// Process entry of the desktop program. It takes no arguments of its own
// (Qt's own, such as -platform, still work) and ends with 0.
#include "main_dialog.h"
#include "program.h"
#include "self_check.h"

#include <QApplication>
#include <QIcon>
#include <csignal>
#include <cstdlib>

int main(int argc, char** argv) {
    // A file size limit makes a write fail (and the run report it) instead
    // of ending the program in the middle of a file.
    std::signal(SIGXFSZ, SIG_IGN);
    // Another program opening a file while a run holds its write lease (for
    // the renamings) makes the kernel send SIGIO: it must not end the program.
    std::signal(SIGIO, SIG_IGN);
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Velmor Quintrel"));
    QApplication::setOrganizationName(QStringLiteral("Velmor Software"));
    // The desktop entry the windows belong to (its icon, its name).
    QGuiApplication::setDesktopFileName(QStringLiteral("velmor-quintrel"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/101.png")));
    InitializeProgramValues();
    if (const char* report = std::getenv(kSelfCheckVariable); report != nullptr && *report != 0) {
        return WriteSelfCheckReport(report);
    }
    return RunProgram();
}
