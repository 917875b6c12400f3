#include "batch_texts.h"

#include "settings_store.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <iterator>
#include <utility>

namespace {

struct ToolEntry {
    ToolText id;
    const char* german;
    const char* english;
};

const ToolEntry kToolTexts[] = {
    {ToolText::UnknownOption, "unbekannte Option '%s'", "unknown option '%s'"},
    {ToolText::MissingArgument, "der Option '%s' fehlt ihr Argument",
     "option '%s' is missing its argument"},
    {ToolText::UnexpectedArgument, "unerwartetes Argument '%s'", "unexpected argument '%s'"},
    {ToolText::EmptyArgument, "das Argument der Option '%s' ist leer",
     "the argument of option '%s' is empty"},
    {ToolText::ProfileUnreadable, "das Profil '%s' kann nicht gelesen werden",
     "the profile '%s' cannot be read"},
    {ToolText::NoCurrentDirectory,
     "das aktuelle Verzeichnis ist nicht bekannt, '%s' kann nicht vervollständigt werden",
     "the current directory is unknown, so '%s' cannot be made absolute"},
    {ToolText::BadColumn, "--column erwartet eine ganze Zahl, nicht '%s'",
     "--column expects a whole number, not '%s'"},
    {ToolText::BadPosition, "--position erwartet anywhere, start, end oder column, nicht '%s'",
     "--position expects anywhere, start, end or column, not '%s'"},
    {ToolText::BadCode, "--code erwartet ansi, oem oder utf8, nicht '%s'",
     "--code expects ansi, oem or utf8, not '%s'"},
    {ToolText::BadAnswerForm, "--answer erwartet ID=CODE, zum Beispiel 2013=1, nicht '%s'",
     "--answer expects ID=CODE, for example 2013=1, not '%s'"},
    {ToolText::BadAnswerValue,
     "--answer '%s': möglich sind nur 2008=2, 2008=4, 2008=5, 2013=1, 2013=2, 2505=2, 2505=6 "
     "und 2505=7",
     "--answer '%s': only 2008=2, 2008=4, 2008=5, 2013=1, 2013=2, 2505=2, 2505=6 and 2505=7 "
     "are possible"},
    {ToolText::EmptySearch, "der Suchbegriff von --replace ist leer",
     "the search text of --replace is empty"},
    {ToolText::SearchTooLong, "der Suchbegriff von --replace ist länger als 499 Zeichen: '%s'",
     "the search text of --replace is longer than 499 characters: '%s'"},
    {ToolText::ReplacementTooLong, "die Ersetzung von --replace ist länger als 499 Zeichen: '%s'",
     "the replacement of --replace is longer than 499 characters: '%s'"},
    {ToolText::BadPattern,
     "--files '%s': ein Muster nennt nur Dateinamen und kann weder '/' noch Tabulator oder "
     "Zeilenumbruch enthalten",
     "--files '%s': a pattern names file names only and cannot hold '/', a tab or a line "
     "break"},
    {ToolText::NewerAndOlder, "--newer und --older schließen einander aus",
     "--newer and --older exclude each other"},
    {ToolText::TwoFinishModes,
     "'%s' und '%s' schließen einander aus: ein Lauf endet nur auf eine Art",
     "'%s' and '%s' exclude each other: a run is finished one way only"},
    {ToolText::JobOptionWithLog,
     "'%s' schließt einen früheren Lauf ab und nimmt keine Auftragsoptionen wie '%s'",
     "'%s' finishes an earlier run and takes no job options such as '%s'"},
    {ToolText::KeepLogExists,
     "die Protokolldatei '%s' existiert bereits und wird nicht überschrieben",
     "the log file '%s' exists already and is not overwritten"},
    {ToolText::TryHelp, "'quintrel-batch --help' zeigt alle Optionen.",
     "Try 'quintrel-batch --help' for all options."},
    {ToolText::AnswerTaken, "Antwort: %s", "Answer: %s"},
    {ToolText::AnswerPrompt, "Antwort (%s): ", "Answer (%s): "},
    {ToolText::AnswerAgain, "Bitte eine der angebotenen Antworten eingeben.",
     "Please type one of the answers offered."},
    {ToolText::BadLanguage, "--lang erwartet 44 (Englisch) oder 49 (Deutsch), nicht '%s'",
     "--lang expects 44 (English) or 49 (German), not '%s'"},
    {ToolText::StopNotice, "Abbruch angefordert: die aktuelle Datei wird noch fertig bearbeitet.",
     "Stop requested: the current file is finished first."},
    {ToolText::RecoverOnce, "--recover nimmt nur ein Verzeichnis",
     "--recover takes one directory only"},
    {ToolText::RecoverUnreadable, "das Verzeichnis '%s' kann nicht gelesen werden",
     "the directory '%s' cannot be read"},
    {ToolText::RecoverNothingFound, "Keine Sicherung und keine temporäre Datei unter '%s'.",
     "No backup and no temporary file below '%s'."},
    {ToolText::LeftChangedWithBackup,
     "verändert, der vorherige Inhalt steht in der Sicherung: '%s'",
     "changed, its previous content is in the backup: '%s'"},
    {ToolText::LeftChangedWithBackupAndCopy,
     "verändert, der vorherige Inhalt steht in der Sicherung, dazu eine unfertige temporäre "
     "Datei: '%s'",
     "changed, its previous content is in the backup, and an unfinished temporary file: '%s'"},
    {ToolText::LeftBetweenRenames,
     "zwischen zwei Umbenennungen unterbrochen: der vorherige Inhalt steht in der Sicherung, der "
     "neue in der temporären Datei, die Datei selbst fehlt: '%s'",
     "interrupted between two renamings: the previous content is in the backup, the new one in "
     "the temporary file, the file itself is missing: '%s'"},
    {ToolText::LeftBackupOnly, "nur die Sicherung ist da, die Datei fehlt: '%s'",
     "only the backup is there, the file is missing: '%s'"},
    {ToolText::LeftTemporaryCopy, "unfertige temporäre Datei, die Datei behält ihren Inhalt: '%s'",
     "unfinished temporary file, the file keeps its content: '%s'"},
    {ToolText::LeftTemporaryOnly, "nur die temporäre Datei ist da, ohne Datei und Sicherung: '%s'",
     "only the temporary file is there, without the file or a backup: '%s'"},
    {ToolText::LeftNotRegular,
     "einer der Namen ist keine gewöhnliche Datei, nichts wird verändert: '%s'",
     "one of the names is not a regular file, nothing is changed: '%s'"},
    {ToolText::LeftUnreadable,
     "das Verzeichnis kann nicht gelesen werden und wurde nicht durchsucht: '%s'",
     "the directory cannot be read and was not searched: '%s'"},
    {ToolText::DoneRestored, "vorheriger Inhalt zurückgestellt", "previous content put back"},
    {ToolText::DoneAccepted, "neuer Inhalt angenommen, Sicherung gelöscht",
     "new content accepted, backup deleted"},
    {ToolText::DoneTemporaryDeleted, "temporäre Datei gelöscht", "temporary file deleted"},
    {ToolText::DoneLeft, "belassen", "left as it is"},
    {ToolText::DoneFailed, "fehlgeschlagen: %s", "failed: %s"},
};

struct ButtonEntry {
    Answer answer;
    const char* german;
    const char* english;
};

const ButtonEntry kButtons[] = {
    {Answer::Ok, "OK", "OK"},
    {Answer::Cancel, "Abbrechen", "Cancel"},
    {Answer::Abort, "Abbruch", "Abort"},
    {Answer::Retry, "Wiederholen", "Retry"},
    {Answer::Ignore, "Ignorieren", "Ignore"},
    {Answer::Yes, "Ja", "Yes"},
    {Answer::No, "Nein", "No"},
};

bool English() {
    return StringLanguage() == kLanguageEnglish;
}

std::string Lower(std::string_view text) {
    std::string lower(text);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return lower;
}

std::string_view Trim(std::string_view text) {
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front()))) {
        text.remove_prefix(1);
    }
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back()))) {
        text.remove_suffix(1);
    }
    return text;
}

bool StartsWith(std::string_view name, std::string_view prefix) {
    return name.substr(0, prefix.size()) == prefix;
}

const char kHelp[] =
    R"(Usage: quintrel-batch [OPTION]...
Searches and replaces text line by line in many files at once, as the program
Velmor Quintrel does, without a display.

Job (as at "Start" in the program):
  --profile FILE            start from a profile saved by the program; options after it add to it
  --dir DIR                 a directory ("Directories"); repeatable
  --files PATTERN           a file name or wildcard pattern ("Files or file groups"); repeatable
  --replace SEARCH REPLACEMENT   a replacement pair; pairs apply in the order given; repeatable
  --subdirs                 "Include subdirectories"
  --position anywhere|start|end|column    default anywhere
  --column N                the column for --position column
  --code ansi|oem|utf8      "ISO-8851" (default), "Ascii" or "UTF-8"
  --ignore-case             "Ignore letter case when searching"
  --escapes                 "Recognise escape notation for control characters"
  --no-replace              "Perform replacements" off
  --delete-empty-lines  --strip-leading-spaces  --strip-trailing-spaces
  --strip-leading-tabs  --strip-trailing-tabs
  --newer DATE | --older DATE   with --time TIME (default empty); the date filter
  --confirm                 "Confirm each file before changing it"
  --keep-line-ends          "Keep the file's line ends": each line keeps its own line end
Finishing a run that changed files (one of):
  --accept                  accept all changes: delete the backups (default)
  --undo                    undo all changes after reporting them, which makes a preview
  --keep LOG                leave the changes and their backups and write the change log to LOG
  --accept-log LOG | --undo-log LOG    finish a kept run later (no job options needed)
After an interrupted run (killed, a crash, a power cut):
  --recover DIR             report the backups and temporary files left below DIR (all
                            subdirectories); with --undo put every backup back under its
                            file's name, with --accept keep the new contents and delete the
                            backups (after flushing the new contents to disk); a backup or
                            temporary file that is a file's only content is never deleted;
                            only while no run works on DIR
Questions:
  --answer ID=CODE          answer message ID with button code CODE; repeatable
                            (e.g. 2013=1 skip files that look binary, 2008=5 ignore files that
                            cannot be opened, 2505=7 decline every file)
Output:
  --json                    stdout holds exactly one JSON object: "FilesProcessed", "FilesChanged",
                            "LinesChanged", "ReplacementsMade", "EmptyLinesRemoved" (numbers),
                            "changed" (the changed paths in order), "messages" (each shown message
                            in order as {"id", "inserts", "answer"})
  --quiet  --help  --version
  --lang 44|49              English (44) or German (49); default: the program's language setting
Exit status: 0 the run was carried out (also when nothing was found or changed); 1 it ended
<<<<<<< HEAD
early (a message ended it); 2 a usage error or a job refused at Start (messages 2001-2004).
With --recover: 0 nothing is left below DIR (nothing found, or all of it finished); 1 something
is left (reported only, an only copy kept, or a step failed); 2 a usage error or DIR unreadable.
=======
early (a message ended it); 2 a usage error or a job refused at Start (messages 2001-2004, 2019).
>>>>>>> main
)";

const char kHelpGerman[] =
    R"(Aufruf: quintrel-batch [OPTION]...
Sucht und ersetzt Text Zeile für Zeile in vielen Dateien auf einmal, wie das
Programm Velmor Quintrel, ohne Bildschirm.

Auftrag (wie bei "Starten" im Programm):
  --profile DATEI           mit einem vom Programm gespeicherten Profil beginnen; spätere Optionen ergänzen es
  --dir VERZ                ein Verzeichnis ("Verzeichnisse"); wiederholbar
  --files MUSTER            ein Dateiname oder Muster ("Dateien oder Dateigruppen"); wiederholbar
  --replace SUCHEN ERSETZEN ein Ersetzungspaar; Paare wirken in der angegebenen Reihenfolge; wiederholbar
  --subdirs                 "Unterverzeichnisse einbeziehen"
  --position anywhere|start|end|column    Voreinstellung anywhere
  --column N                die Spalte für --position column
  --code ansi|oem|utf8      "ISO-8851" (Voreinstellung), "Ascii" oder "UTF-8"
  --ignore-case             "Groß- und Kleinschreibung beim Suchen ignorieren"
  --escapes                 "Ersatzdarstellung für Steuerzeichen erkennen"
  --no-replace              "Ersetzungen durchführen" aus
  --delete-empty-lines  --strip-leading-spaces  --strip-trailing-spaces
  --strip-leading-tabs  --strip-trailing-tabs
  --newer DATUM | --older DATUM   mit --time ZEIT (Voreinstellung leer); der Datumsfilter
  --confirm                 "Jede Datei vor Veränderung bestätigen"
  --keep-line-ends          "Zeilenenden der Datei beibehalten": jede Zeile behält ihr Zeilenende
Abschluss eines Laufs, der Dateien verändert hat (eines davon):
  --accept                  alle Änderungen übernehmen: die Sicherungen löschen (Voreinstellung)
  --undo                    alle Änderungen nach dem Bericht rückgängig machen (eine Vorschau)
  --keep LOG                Änderungen und Sicherungen behalten, das Änderungsprotokoll nach LOG schreiben
  --accept-log LOG | --undo-log LOG    einen behaltenen Lauf später abschließen (ohne Auftragsoptionen)
Nach einem unterbrochenen Lauf (abgebrochen, abgestürzt, Stromausfall):
  --recover VERZ            die unter VERZ (mit allen Unterverzeichnissen) verbliebenen Sicherungen
                            und temporären Dateien melden; mit --undo jede Sicherung unter den
                            Namen ihrer Datei zurückstellen, mit --accept die neuen Inhalte
                            behalten und die Sicherungen löschen (nachdem die neuen Inhalte auf
                            die Platte geschrieben sind); eine Sicherung oder temporäre Datei, die
                            der einzige Inhalt einer Datei ist, wird nie gelöscht; nur solange
                            kein Lauf in VERZ arbeitet
Fragen:
  --answer ID=CODE          Meldung ID mit dem Knopf CODE beantworten; wiederholbar
                            (z. B. 2013=1 vermutliche Binärdateien übergehen, 2008=5 Dateien, die
                            nicht geöffnet werden können, ignorieren, 2505=7 jede Datei ablehnen)
Ausgabe:
  --json                    die Standardausgabe enthält genau ein JSON-Objekt: "FilesProcessed",
                            "FilesChanged", "LinesChanged", "ReplacementsMade", "EmptyLinesRemoved"
                            (Zahlen), "changed" (die veränderten Pfade), "messages" (jede gezeigte
                            Meldung als {"id", "inserts", "answer"})
  --quiet  --help  --version
  --lang 44|49              Englisch (44) oder Deutsch (49); Voreinstellung: die Sprache des Programms
Rückgabewert: 0 der Lauf wurde ausgeführt (auch wenn nichts gefunden oder verändert wurde);
1 er endete vorzeitig (eine Meldung beendete ihn); 2 falscher Aufruf oder ein beim Start
<<<<<<< HEAD
abgelehnter Auftrag (Meldungen 2001-2004).
Mit --recover: 0 unter VERZ ist nichts übrig (nichts gefunden oder alles abgeschlossen); 1 etwas
ist übrig (nur gemeldet, eine einzige Kopie behalten oder ein Schritt fehlgeschlagen); 2 falscher
Aufruf oder VERZ nicht lesbar.
=======
abgelehnter Auftrag (Meldungen 2001-2004, 2019).
>>>>>>> main
)";

} // namespace

std::string ToolMessage(ToolText id, std::string_view insert1, std::string_view insert2) {
    for (const ToolEntry& entry : kToolTexts) {
        if (entry.id == id) {
            return FillInserts(English() ? entry.english : entry.german, insert1, insert2);
        }
    }
    return {};
}

MessageParts MessageOf(int id) {
    return ParseMessage(LoadTranslatedString(id));
}

std::string MessageText(int id, std::string_view insert1, std::string_view insert2) {
    return FillInserts(MessageOf(id).text, insert1, insert2);
}

int InsertCount(int id) {
    std::string_view text = MessageOf(id).text;
    int count = 0;
    for (std::size_t at = text.find("%s"); at != std::string_view::npos && count < 2;
         at = text.find("%s", at + 2)) {
        ++count;
    }
    return count;
}

std::string_view TableText(int id) {
    return LoadTranslatedString(id);
}

std::string_view ButtonName(Answer answer) {
    for (const ButtonEntry& entry : kButtons) {
        if (entry.answer == answer) {
            return English() ? entry.english : entry.german;
        }
    }
    return {};
}

std::optional<int> ParsePromptAnswer(std::string_view input, const std::vector<Answer>& buttons) {
    std::string typed = Lower(Trim(input));
    if (typed.empty()) {
        return std::nullopt;
    }
    std::optional<int> found;
    for (Answer button : buttons) {
        const int code = static_cast<int>(button);
        bool matches = typed == std::to_string(code);
        for (const ButtonEntry& entry : kButtons) {
            if (entry.answer == button) {
                matches = matches || StartsWith(Lower(entry.german), typed) ||
                          StartsWith(Lower(entry.english), typed);
            }
        }
        if (matches) {
            if (found && *found != code) {
                return std::nullopt; // names more than one button
            }
            found = code;
        }
    }
    return found;
}

std::string FormatSummary(const RunStatistics& statistics,
                          const std::vector<std::string>& changed) {
    // The counters in the order the summary shows them.
    const std::pair<std::int32_t, int> rows[] = {
        {statistics.FilesProcessed, kLabelFilesProcessed},
        {statistics.FilesChanged, kLabelFilesChanged},
        {statistics.LinesChanged, kLabelLinesChanged},
        {statistics.ReplacementsMade, kLabelReplacementsMade},
        {statistics.EmptyLinesRemoved, kLabelEmptyLinesRemoved},
    };
    std::size_t width = 1;
    for (const auto& row : rows) {
        width = std::max(width, std::to_string(row.first).size());
    }
    std::string text;
    for (const auto& [value, label] : rows) {
        std::string number = std::to_string(value);
        text.append(width - number.size(), ' ');
        text += number;
        text += "  ";
        text += TableText(label);
        text += '\n';
    }
    if (!changed.empty()) {
        text += '\n';
        text += TableText(kLabelChangedFiles);
        text += '\n';
        for (const std::string& path : changed) {
            text += path;
            text += '\n';
        }
    }
    return text;
}

std::string ForTerminal(std::string_view text) {
    std::string shown;
    shown.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        // C1 controls (U+0080 to U+009F) are C2 80 to C2 9F in UTF-8.
        const bool c1 = byte == 0xC2 && i + 1 < text.size() &&
                        static_cast<unsigned char>(text[i + 1]) >= 0x80 &&
                        static_cast<unsigned char>(text[i + 1]) <= 0x9F;
        if ((byte < 0x20 && byte != '\t') || byte == 0x7F || c1) {
            shown += '?';
            i += c1 ? 1 : 0;
        } else {
            shown += static_cast<char>(byte);
        }
    }
    return shown;
}

std::string FormatLeftover(const Leftover& leftover, bool forTerminal) {
    ToolText state = ToolText::LeftChangedWithBackup;
    switch (leftover.state) {
    case LeftoverState::ChangedWithBackup:
        state = ToolText::LeftChangedWithBackup;
        break;
    case LeftoverState::ChangedWithBackupAndCopy:
        state = ToolText::LeftChangedWithBackupAndCopy;
        break;
    case LeftoverState::BetweenRenames:
        state = ToolText::LeftBetweenRenames;
        break;
    case LeftoverState::BackupOnly:
        state = ToolText::LeftBackupOnly;
        break;
    case LeftoverState::TemporaryCopy:
        state = ToolText::LeftTemporaryCopy;
        break;
    case LeftoverState::TemporaryOnly:
        state = ToolText::LeftTemporaryOnly;
        break;
    case LeftoverState::NotRegular:
        state = ToolText::LeftNotRegular;
        break;
    case LeftoverState::Unreadable:
        state = ToolText::LeftUnreadable;
        break;
    }
    std::string line = ToolMessage(state, forTerminal ? ForTerminal(leftover.path) : leftover.path);
    switch (leftover.outcome) {
    case RecoverOutcome::Reported:
        break;
    case RecoverOutcome::Restored:
        line += " -> " + ToolMessage(ToolText::DoneRestored);
        break;
    case RecoverOutcome::Accepted:
        line += " -> " + ToolMessage(ToolText::DoneAccepted);
        break;
    case RecoverOutcome::TemporaryDeleted:
        line += " -> " + ToolMessage(ToolText::DoneTemporaryDeleted);
        break;
    case RecoverOutcome::Left:
        line += " -> " + ToolMessage(ToolText::DoneLeft);
        break;
    case RecoverOutcome::Failed:
        line += " -> " + ToolMessage(ToolText::DoneFailed, std::strerror(leftover.error));
        break;
    }
    return line + "\n";
}

int DefaultLanguage() {
    int language = Velmor_ReadLongFromHKCU("Software\\Velmor Software\\Velmor Quintrel", "Settings",
                                           "AppLanguage", kLanguageGerman);
    return language == kLanguageEnglish ? kLanguageEnglish : kLanguageGerman;
}

std::string_view HelpText() {
    return English() ? std::string_view(kHelp) : std::string_view(kHelpGerman);
}
