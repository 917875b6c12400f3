// The translation assistance: writes every text of a module, with its
// translation into the current interface language, to a file the translator
// names. The file is a Qt Linguist catalogue (".ts"): untranslated texts are
// marked "unfinished", so the translator completes it in Qt Linguist (or any
// text editor) and compiles it with lrelease into <module>-NNN.qm, which the
// translation layer loads from the program's "translations" directory.
//
// The texts are the dialogs' texts (the German sources listed in the module's
// text list, built into the program as :/translations/<module>.ts) and the
// string table (messages, titles, filters, captions), each string table entry
// under the context "StringTable" with its id.
#pragma once

#include <string>
#include <string_view>
#include <vector>

class QWidget;

struct TranslatableText {
    std::string context;        // the dialog or part of the program
    std::string source;         // the German text
    std::string disambiguation; // the id of a string table entry, else empty
    std::string note;           // a hint for the translator, or empty
    std::string translation;    // empty when untranslated
    bool translated = false;
};

// Every text of `module` with its translation into the current language.
// German, the source language, translates every text into itself.
std::vector<TranslatableText> CollectTranslatableTexts(std::string_view module);

// The texts as a Qt Linguist catalogue translating German into
// `languageName` ("en"; empty leaves the language unnamed).
std::string LinguistCatalogue(const std::vector<TranslatableText>& texts,
                              std::string_view languageName);

// The state of one assistance, from LTS_OpenAssistance to
// LTS_CloseAssistance; start from a value-initialised record.
struct TranslationAssistance {
    QWidget* owner = nullptr;
    std::string caption; // caption of the assistance's message boxes
    std::string path;    // the file the translator named
    int texts = 0;
    int untranslated = 0;
    bool written = false;
};

// Asks the translator (file-name dialog, modal over `owner`) where to write
// the texts. 1 when a file was named, else 0: the assistance ends there.
int LTS_OpenAssistance(TranslationAssistance& record, QWidget* owner, std::string_view caption);
// Writes the catalogue of `module` to the file named (atomically: an
// existing file is replaced whole or left as it was). 1 when written; 0 after
// message 2010 when it could not be.
int LTS_PerformAssistance(TranslationAssistance& record, std::string_view module);
// Tells the translator what was written (notice 2506 with the file and the
// number of untranslated texts); nothing when nothing was written.
void LTS_CloseAssistance(TranslationAssistance& record);
