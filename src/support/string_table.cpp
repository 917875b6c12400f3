#include "string_table.h"

#include <algorithm>
#include <atomic>
#include <iterator>

namespace {

struct StringEntry {
    int id;
    const char* german;
    const char* english;
};

// Texts exactly as stored, codes included.
const StringEntry kStrings[] = {
    {2000, "s Speichermangel", "s Out of memory"},
    {2001, "s Das Vergleichsdatum ist ungültig", "s The comparison date is invalid"},
    {2002, "s Die Vergleichszeit ist ungültig", "s The comparison time is invalid"},
    {2003, "s Es muß mindestens ein Verzeichnis ausgewählt werden.",
     "s At least one directory must be selected."},
    {2004, "s Es muß mindestens eine Datei oder Dateigruppe ausgewählt werden",
     "s At least one file or file group must be selected"},
    {2005, "s Es muß ein Suchbegriff angegeben werden", "s A search term must be given"},
    {2006, "s Es wurden keine Dateien gefunden.", "s No files were found."},
    {2007, "s Die Dateiliste konnte nicht eröffnet werden\n\n%s",
     "s The file list could not be opened\n\n%s"},
    {2008, "?CRI Die Datei  '%s'  kann nicht geöffnet werden.",
     "?CRI The file  '%s'  cannot be opened."},
    {2009, "s Die temporäre Datei  '%s'  kann nicht angelegt werden.",
     "s The temporary file  '%s'  cannot be created."},
    {2010, "s Fehler beim Schreiben in Datei  '%s'", "s Error writing to the file  '%s'"},
    {2011, "s Fehler beim Löschen der Datei  '%s'", "s Error deleting the file  '%s'"},
    {2012, "s Fehler beim Umbenennen der Datei  '%s'  in  '%s'",
     "s Error renaming the file  '%s'  to  '%s'"},
    {2013, "sOC Die Datei  ist vermutlich keine Textdatei.\nSie wird übrgangen.\n\n'%s'",
     "sOC The file is probably not a text file.\nIt will be skipped.\n\n'%s'"},
    {2014, "s Fehler beim Anlegen der Protokolldatei  '%s'", "s Error creating the log file  '%s'"},
    {2015, "s Fehler beim Schreiben in die Protokolldatei  '%s'",
     "s Error writing to the log file  '%s'"},
    {2016, "s Die Protokolldatei kann nicht eröffnet werden\n\n%s",
     "s The log file cannot be opened\n\n%s"},
    {2017, "s Es wurde keine Anwendung gefunden, die diese Datei anzeigen kann",
     "s No application was found that can display this file"},
    {2018, "s Es ist kein Programm zur Anzeige von PDF-Dateien registriert.",
     "s No program for displaying PDF files is registered."},
    {2019,
     "s Der Text  '%s'  enthält Zeichen, die in der gewählten Codierung nicht darstellbar sind.",
     "s The text  '%s'  contains characters that the chosen coding cannot represent."},
    {2020, "s Das Profil  '%s'  konnte nicht gespeichert werden.",
     "s The profile  '%s'  could not be saved."},
    {2500, "! Wenn keine Ersetzung angegeben wird, wird der Suchbegriff vollständig entfernt.",
     "! If no replacement is given, the search term is removed completely."},
    {2501, "! Die Ersetzung ist gleich dem Suchbegriff.",
     "! The replacement is the same as the search term."},
    {2502, "! Es wurde keine Datei verändert", "! No file was changed"},
    {2503, "! Es wurden alle Änderungen rückgängig gemacht", "! All changes have been undone"},
    {2504, "?YN Möchten Sie alle Änderungen endgültig übernehmen?",
     "?YN Do you want to accept all changes for good?"},
    {2505, "?YNC Soll die Datei  '%s'  verändert werden?",
     "?YNC Do you want the file  '%s'  to be changed?"},
    {2506, "! Die Texte wurden nach  '%s'  geschrieben; %s davon sind noch nicht übersetzt.",
     "! The texts were written to  '%s'; %s of them are not translated yet."},
    {3000, "Bearbeitungs-Profile (*.vqp)|*.vqp|", "Job profiles (*.vqp)|*.vqp|"},
    {3001, "Alle Dateien (*.*)|*.*|", "All files (*.*)|*.*|"},
    {3002, "Übersetzungen für Qt Linguist (*.ts)|*.ts|",
     "Translations for Qt Linguist (*.ts)|*.ts|"},
    {4000, "Ersetzungen durchführen", "Performing replacements"},
    {4001, "Ersetzen von Zeichenfolgen", "Replacing strings"},
    {4002, "Bearbeitungs-Profil laden", "Load job profile"},
    {4003, "Bearbeitungs-Profil speichern", "Save job profile"},
    {4004, "Verzeichnis auswählen", "Choose directory"},
    {4005, "Löschen der temporären Dateien", "Deleting the temporary files"},
    {4006, "Die Änderungen werden rückgängig gemacht", "Undoing the changes"},
    {4007, "Dateiliste erstellen", "Creating the file list"},
    {4008, "Texte zum Übersetzen speichern", "Save the texts for translation"},
    {5000, "Suchen nach", "Search for"},
    {5001, "Ersetzen durch", "Replace with"},
    {5007, "s Die Datei kann nicht geöffnet werden:\n\n%s", "s The file cannot be opened:\n\n%s"},
    {6012, "Leerzeilen entfernt", "Empty lines removed"},
    {6014, "Dateien bearbeitet", "Files processed"},
    {6015, "Dateien verändert", "Files changed"},
    {6016, "Ersetzungen durchgeführt", "Replacements made"},
    {6017, "Zeilen geändert", "Lines changed"},
    {6020, "Folgende Dateien wurden verändert", "The following files were changed"},
};

std::atomic<int> gLanguage{kLanguageGerman};

const StringEntry* Find(int id) {
    auto it = std::lower_bound(std::begin(kStrings), std::end(kStrings), id,
                               [](const StringEntry& e, int value) { return e.id < value; });
    if (it == std::end(kStrings) || it->id != id) {
        return nullptr;
    }
    return &*it;
}

bool IsButtonLetter(char c) {
    return c == 'O' || c == 'C' || c == 'R' || c == 'I' || c == 'Y' || c == 'N';
}

} // namespace

void SetStringLanguage(int language) {
    gLanguage.store(language);
}

int StringLanguage() {
    return gLanguage.load();
}

std::string_view StoredString(int id, int language) {
    const StringEntry* entry = Find(id);
    if (entry == nullptr) {
        return {};
    }
    if (language == kLanguageEnglish && entry->english != nullptr) {
        return entry->english;
    }
    return entry->german;
}

std::string_view LoadTranslatedString(int id) {
    return StoredString(id, StringLanguage());
}

bool HasOwnTranslation(int id, int language) {
    const StringEntry* entry = Find(id);
    if (entry == nullptr) {
        return false;
    }
    return language == kLanguageGerman ||
           (language == kLanguageEnglish && entry->english != nullptr);
}

std::vector<int> AllStringIds() {
    std::vector<int> ids;
    for (const StringEntry& entry : kStrings) {
        ids.push_back(entry.id);
    }
    return ids;
}

MessageParts ParseMessage(std::string_view stored) {
    MessageParts parts;
    if (stored.size() >= 2 && (stored[0] == 's' || stored[0] == '!' || stored[0] == '?')) {
        std::size_t i = 1;
        while (i < stored.size() && IsButtonLetter(stored[i])) {
            ++i;
        }
        if (i < stored.size() && stored[i] == ' ') {
            parts.kind = stored[0];
            parts.buttons = std::string(stored.substr(1, i - 1));
            parts.text = stored.substr(i + 1);
            return parts;
        }
    }
    parts.text = stored;
    return parts;
}

std::string FillInserts(std::string_view text, std::string_view insert1, std::string_view insert2) {
    std::string result;
    result.reserve(text.size() + insert1.size() + insert2.size());
    int used = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 1 < text.size() && text[i + 1] == 's') {
            if (used == 0) {
                result += insert1;
            } else if (used == 1) {
                result += insert2;
            }
            ++used;
            ++i;
            continue;
        }
        result += text[i];
    }
    return result;
}

std::vector<Answer> ButtonsOf(const MessageParts& parts) {
    std::vector<Answer> buttons;
    for (char c : parts.buttons) {
        switch (c) {
        case 'O':
            buttons.push_back(Answer::Ok);
            break;
        case 'C':
            buttons.push_back(Answer::Cancel);
            break;
        case 'R':
            buttons.push_back(Answer::Retry);
            break;
        case 'I':
            buttons.push_back(Answer::Ignore);
            break;
        case 'Y':
            buttons.push_back(Answer::Yes);
            break;
        case 'N':
            buttons.push_back(Answer::No);
            break;
        default:
            break;
        }
    }
    if (buttons.empty()) {
        buttons.push_back(Answer::Ok);
    }
    return buttons;
}
