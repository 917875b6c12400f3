// Process entry of the desktop program: quintrel [OPTION]... [PROFILE].
// -h/--help and -V/--version print and end without a display; without one
// the program says so and ends with 1; a usage error ends with 2. Qt's own
// options (such as -platform) work as well.
#include "command_line.h"
#include "main_dialog.h"
#include "program.h"
#include "program_settings.h"
#include "self_check.h"
#include "string_table.h"

#include <QApplication>
#include <QIcon>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

void Print(std::FILE* stream, const std::string& text) {
    std::fwrite(text.data(), 1, text.size(), stream);
    std::fflush(stream);
}

std::vector<std::string> Arguments(int argc, char** argv) {
    return std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc);
}

} // namespace

int main(int argc, char** argv) {
    // A file size limit makes a write fail (and the run report it) instead
    // of ending the program in the middle of a file.
    std::signal(SIGXFSZ, SIG_IGN);
    // Another program opening a file while a run holds its write lease (for
    // the renamings) makes the kernel send SIGIO: it must not end the program.
    std::signal(SIGIO, SIG_IGN);

    // What is printed before Qt starts speaks the command line's language:
    // the stored interface language, else the locale's.
    const std::vector<std::string> raw = Arguments(argc, argv);
    if (AsksForHelpOrVersion(raw)) {
        SetStringLanguage(CommandLineLanguage());
        ProgramCommandLine line = ParseProgramArguments(raw);
        Print(stdout, line.action == ProgramCommandLine::Action::Version ? ProgramVersionText()
                                                                         : ProgramHelpText());
        return 0;
    }
    if (!HasDisplay(raw, std::getenv("QT_QPA_PLATFORM"), std::getenv("DISPLAY"),
                    std::getenv("WAYLAND_DISPLAY"))) {
        SetStringLanguage(CommandLineLanguage());
        Print(stderr, "quintrel: " + NoDisplayText() + "\n");
        return 1;
    }

    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Velmor Quintrel"));
    QApplication::setOrganizationName(QStringLiteral("Velmor Software"));
    // The desktop entry the windows belong to (its icon, its name).
    QGuiApplication::setDesktopFileName(QStringLiteral("velmor-quintrel"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/101.png")));
    InitializeProgramValues();
    // Qt has taken its own options out of argv by now.
    ProgramCommandLine line = ParseProgramArguments(Arguments(argc, argv));
    if (line.action == ProgramCommandLine::Action::UsageError) {
        Print(stderr, "quintrel: " + line.error + "\n" + ProgramHelpText());
        return 2;
    }
    if (const char* report = std::getenv(kSelfCheckVariable); report != nullptr && *report != 0) {
        return WriteSelfCheckReport(report, line.profile);
    }
    return RunProgram(line.profile);
}
