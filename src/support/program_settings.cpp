#include "program_settings.h"

#include "settings_store.h"
#include "string_table.h"

#include <cstdlib>
#include <string_view>

namespace {
constexpr char kSection[] = "Settings";
constexpr char kLanguageValue[] = "AppLanguage";
} // namespace

int ReadInterfaceLanguage() {
    return Velmor_ReadLongFromHKCU(kProgramKey, kSection, kLanguageValue, kLanguageGerman);
}

int StoredInterfaceLanguage() {
    return Velmor_ReadLongFromHKCU(kProgramKey, kSection, kLanguageValue, 0);
}

int LocaleLanguage(const char* lcAll, const char* lcMessages, const char* lang) {
    for (const char* value : {lcAll, lcMessages, lang}) {
        if (value == nullptr || *value == '\0') {
            continue;
        }
        const std::string_view name(value);
        const bool german = name.substr(0, 2) == "de" && (name.size() == 2 || name[2] == '_' ||
                                                          name[2] == '.' || name[2] == '@');
        return german ? kLanguageGerman : kLanguageEnglish;
    }
    return kLanguageEnglish;
}

int LocaleLanguage() {
    return LocaleLanguage(std::getenv("LC_ALL"), std::getenv("LC_MESSAGES"), std::getenv("LANG"));
}

int CommandLineLanguage() {
    const int stored = StoredInterfaceLanguage();
    if (stored != 0) {
        return stored == kLanguageEnglish ? kLanguageEnglish : kLanguageGerman;
    }
    return LocaleLanguage();
}

bool WriteInterfaceLanguage(int language) {
    return Velmor_WriteLongToHKCU(kProgramKey, kSection, kLanguageValue, language);
}
