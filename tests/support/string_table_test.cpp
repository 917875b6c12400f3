// The string table in both languages: every entry has an English text of its
// own that keeps what the program relies on (the message code, the number of
// inserts, the file patterns), and the language decides what is loaded.
#include "string_table.h"

#include <gtest/gtest.h>
#include <map>
#include <string>

namespace {

// The patterns of a filter text ("description|pattern|" pairs).
std::vector<std::string> Patterns(std::string_view filter) {
    std::vector<std::string> patterns;
    std::size_t start = 0;
    for (int part = 0;; ++part) {
        std::size_t bar = filter.find('|', start);
        if (bar == std::string_view::npos) {
            break;
        }
        if (part % 2 == 1) {
            patterns.emplace_back(filter.substr(start, bar - start));
        }
        start = bar + 1;
    }
    return patterns;
}

bool HasGermanLetters(std::string_view text) {
    for (const char* letter : {"ä", "ö", "ü", "Ä", "Ö", "Ü", "ß"}) {
        if (text.find(letter) != std::string_view::npos) {
            return true;
        }
    }
    return false;
}

TEST(StringTable, EveryEntryHasItsOwnEnglishKeepingCodeInsertsAndPatterns) {
    std::vector<int> ids = AllStringIds();
    ASSERT_GT(ids.size(), 40u);
    for (int id : ids) {
        SCOPED_TRACE(id);
        std::string_view german = StoredString(id, kLanguageGerman);
        std::string_view english = StoredString(id, kLanguageEnglish);
        ASSERT_FALSE(german.empty());
        EXPECT_TRUE(HasOwnTranslation(id, kLanguageEnglish));
        if (german != "OK") { // the same word in both languages
            EXPECT_NE(english, german);
        }
        EXPECT_FALSE(HasGermanLetters(english)) << english;
        MessageParts de = ParseMessage(german);
        MessageParts en = ParseMessage(english);
        EXPECT_EQ(en.kind, de.kind);
        EXPECT_EQ(en.buttons, de.buttons);
        // A message keeps its code: the text after it is what differs.
        EXPECT_EQ(german.size() - de.text.size(), english.size() - en.text.size());
        EXPECT_EQ(CountInserts(english), CountInserts(german));
        if (IsFileFilter(id)) {
            EXPECT_EQ(Patterns(english), Patterns(german));
        }
    }
}

TEST(StringTable, MessagesCarryTheirCodeAndTheOthersNone) {
    for (int id : AllStringIds()) {
        SCOPED_TRACE(id);
        std::string_view german = StoredString(id, kLanguageGerman);
        bool isMessage = (id >= 2000 && id < 3000) || id == kMsgCannotOpen;
        EXPECT_EQ(ParseMessage(german).text.size() < german.size(), isMessage) << german;
    }
}

TEST(StringTable, TheLanguageDecidesWhatIsLoaded) {
    struct Case {
        int language;
        const char* title;
    } cases[] = {
        {kLanguageGerman, "Dateiliste erstellen"},
        {kLanguageEnglish, "Creating the file list"},
        {33, "Dateiliste erstellen"}, // no texts of its own: German
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.language);
        SetStringLanguage(c.language);
        EXPECT_EQ(LoadTranslatedString(kTitleScan), c.title);
        EXPECT_EQ(HasOwnTranslation(kTitleScan, c.language), c.language != 33);
    }
    SetStringLanguage(kLanguageGerman);
    EXPECT_EQ(StoredString(1, kLanguageGerman), "");
    EXPECT_FALSE(HasOwnTranslation(1, kLanguageGerman));
}

// A translator's catalogue gives the table a third language: the texts it
// translates replace the German ones, the rest stay German, and a text that
// would change a message's buttons or drop a file name is not taken.
TEST(StringTable, AThirdLanguageTakesTheTranslatorsTexts) {
    const int french = 33;
    std::map<int, std::string> texts = {
        {kMsgNoFileChanged, "! Aucun fichier n'a été modifié"},
        {kMsgConfirmFile, "?YN Faut-il modifier le fichier  '%s' ?"},     // a button lost
        {kMsgCannotOpenFile, "?CRI Le fichier ne peut pas être ouvert."}, // its name lost
        {kMsgNoDirectory, "Il faut un répertoire."},                      // its code lost
        {kLabelFilesChanged, "Fichiers modifiés"},
        {kTitleScan, ""}, // empty: not translated
        {1, "pas dans la table"},
    };
    EXPECT_EQ(SetStringTranslations(french, texts), 2);
    SetStringLanguage(french);
    EXPECT_EQ(LoadTranslatedString(kMsgNoFileChanged), "! Aucun fichier n'a été modifié");
    EXPECT_EQ(LoadTranslatedString(kLabelFilesChanged), "Fichiers modifiés");
    EXPECT_TRUE(HasOwnTranslation(kLabelFilesChanged, french));
    for (int id :
         {(int)kMsgConfirmFile, (int)kMsgCannotOpenFile, (int)kMsgNoDirectory, (int)kTitleScan}) {
        SCOPED_TRACE(id);
        EXPECT_EQ(LoadTranslatedString(id), StoredString(id, kLanguageGerman));
        EXPECT_FALSE(HasOwnTranslation(id, french));
    }
    EXPECT_EQ(StoredString(1, french), "");
    // Another language, German or English does not see them, and a new call
    // replaces them.
    EXPECT_EQ(StoredString(kLabelFilesChanged, 39), "Dateien verändert");
    EXPECT_EQ(StoredString(kLabelFilesChanged, kLanguageEnglish), "Files changed");
    EXPECT_EQ(SetStringTranslations(kLanguageEnglish, texts), 0);
    EXPECT_EQ(StoredString(kLabelFilesChanged, french), "Dateien verändert");
    SetStringLanguage(kLanguageGerman);
}

} // namespace
