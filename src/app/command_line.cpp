#include "command_line.h"

#include "string_table.h"
#include "velmor_version.h"

namespace {

// The texts of the string table this command line prints.
constexpr int kUnknownOption = 7000;
constexpr int kUnexpectedArgument = 7002;
constexpr int kProgramHelp = 7201;
constexpr int kNoDisplay = 7202;

bool IsSet(const char* value) {
    return value != nullptr && *value != '\0';
}

} // namespace

bool AsksForHelpOrVersion(const std::vector<std::string>& args) {
    for (const std::string& arg : args) {
        if (arg == "--") {
            return false;
        }
        if (arg == "-h" || arg == "--help" || arg == "-V" || arg == "--version") {
            return true;
        }
    }
    return false;
}

ProgramCommandLine ParseProgramArguments(const std::vector<std::string>& args) {
    ProgramCommandLine line;
    bool options = true;
    if (AsksForHelpOrVersion(args)) {
        // Help and version win over anything else on the line.
        for (const std::string& arg : args) {
            if (arg == "-V" || arg == "--version" || arg == "-h" || arg == "--help") {
                line.action = arg == "-V" || arg == "--version"
                                  ? ProgramCommandLine::Action::Version
                                  : ProgramCommandLine::Action::Help;
                return line;
            }
        }
    }
    for (const std::string& arg : args) {
        if (options && arg == "--") {
            options = false;
        } else if (options && (arg == "-h" || arg == "--help")) {
            line.action = ProgramCommandLine::Action::Help;
            return line;
        } else if (options && (arg == "-V" || arg == "--version")) {
            line.action = ProgramCommandLine::Action::Version;
            return line;
        } else if (options && !arg.empty() && arg[0] == '-') {
            line.action = ProgramCommandLine::Action::UsageError;
            line.error = FillInserts(LoadTranslatedString(kUnknownOption), arg, {});
        } else if (!line.profile.empty() || arg.empty()) {
            line.action = ProgramCommandLine::Action::UsageError;
            line.error = FillInserts(LoadTranslatedString(kUnexpectedArgument), arg, {});
        } else if (line.action == ProgramCommandLine::Action::Run) {
            line.profile = arg;
        }
    }
    if (line.action == ProgramCommandLine::Action::UsageError) {
        line.profile.clear();
    }
    return line;
}

bool HasDisplay(const std::vector<std::string>& args, const char* platform, const char* display,
                const char* waylandDisplay) {
    for (const std::string& arg : args) {
        if (arg == "-platform" || arg.rfind("-platform=", 0) == 0) {
            return true;
        }
    }
    return IsSet(platform) || IsSet(display) || IsSet(waylandDisplay);
}

std::string ProgramHelpText() {
    return std::string(LoadTranslatedString(kProgramHelp));
}

std::string ProgramVersionText() {
    return "quintrel (Velmor Quintrel) " VELMOR_VERSION_TEXT "\n";
}

std::string NoDisplayText() {
    return std::string(LoadTranslatedString(kNoDisplay));
}
