#include "program.h"

#include "file_names.h"
#include "message_box.h"
#include "settings_store.h"
#include "string_table.h"
#include "version_info.h"

#include <climits>
#include <unistd.h>

int AppLanguage = kLanguageGerman;
std::string VersionText;
std::string ProgramDirectory;
std::string ProgramTitle;

namespace {
std::string ProgramFile() {
    char buffer[PATH_MAX + 1];
    ssize_t length = ::readlink("/proc/self/exe", buffer, PATH_MAX);
    return length > 0 ? std::string(buffer, static_cast<std::size_t>(length)) : std::string();
}
} // namespace

void InitializeProgramValues() {
    AppLanguage = Velmor_ReadLongFromHKCU(kProgramKey, "Settings", "AppLanguage", kLanguageGerman);
    SetStringLanguage(AppLanguage);
    VersionText = Velmor_GetResourceFileVersion("%d.%d.%d");
    ProgramDirectory = Velmor_StripFileName(ProgramFile());
}

int ShowMessage(int id, std::string_view insert1, std::string_view insert2, int value) {
    MessageBoxRequest request;
    request.stringId = id;
    request.insert1 = std::string(insert1);
    request.insert2 = std::string(insert2);
    request.value = value;
    request.caption = ProgramTitle;
    return Velmor_Message_Box(request);
}
