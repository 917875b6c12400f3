#include "program.h"

#include "file_names.h"
#include "program_settings.h"
#include "string_table.h"
#include "version_info.h"

#include <climits>
#include <unistd.h>

int AppLanguage = kLanguageGerman;
std::string VersionText;
std::string ProgramDirectory;

namespace {
std::string ProgramFile() {
    char buffer[PATH_MAX + 1];
    ssize_t length = ::readlink("/proc/self/exe", buffer, PATH_MAX);
    return length > 0 ? std::string(buffer, static_cast<std::size_t>(length)) : std::string();
}
} // namespace

void InitializeProgramValues() {
    AppLanguage = ReadInterfaceLanguage();
    SetStringLanguage(AppLanguage);
    VersionText = Velmor_GetResourceFileVersion("%d.%d.%d");
    ProgramDirectory = Velmor_StripFileName(ProgramFile());
}
