// The desktop program's command line: a job profile to start with, --help
// and --version (which need no display), and the check for a display.
#pragma once

#include <string>
#include <vector>

struct ProgramCommandLine {
    enum class Action { Run, Help, Version, UsageError };
    Action action = Action::Run;
    std::string profile; // the profile to load, "" for none
    std::string error;   // the usage error, in the user's words
};

// Reads the arguments (without the program name, after Qt took its own).
// One argument that is not an option names a profile; "--" ends the options,
// so a profile whose name starts with '-' can be named. -h/--help and
// -V/--version win over anything else.
ProgramCommandLine ParseProgramArguments(const std::vector<std::string>& args);

// True when -h, --help, -V or --version stands among the arguments: they
// are answered before Qt starts, so they work without a display.
bool AsksForHelpOrVersion(const std::vector<std::string>& args);

// True when Qt can show a window: a platform was chosen (QT_QPA_PLATFORM or
// -platform), or an X or Wayland display is named.
bool HasDisplay(const std::vector<std::string>& args, const char* platform, const char* display,
                const char* waylandDisplay);

// The texts printed for --help and --version, in the current language.
std::string ProgramHelpText();
std::string ProgramVersionText();
// The message printed when there is no display, in the current language.
std::string NoDisplayText();
