#include "program_settings.h"

#include "settings_store.h"
#include "string_table.h"

namespace {
constexpr char kSection[] = "Settings";
constexpr char kLanguageValue[] = "AppLanguage";
} // namespace

int ReadInterfaceLanguage() {
    return Velmor_ReadLongFromHKCU(kProgramKey, kSection, kLanguageValue, kLanguageGerman);
}

bool WriteInterfaceLanguage(int language) {
    return Velmor_WriteLongToHKCU(kProgramKey, kSection, kLanguageValue, language);
}
