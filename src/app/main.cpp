// Process entry of the desktop program. It takes no arguments of its own
// (Qt's own, such as -platform, still work) and ends with 0.
#include "main_dialog.h"
#include "program.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Velmor Quintrel"));
    QApplication::setOrganizationName(QStringLiteral("Velmor Software"));
    InitializeProgramValues();
    return RunProgram();
}
