#include "string_table.h"

#include <algorithm>
#include <atomic>
#include <iterator>
#include <map>
#include <string>

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
    {2017, "s Es wurde keine Anwendung gefunden, die die Datei  '%s'  anzeigen kann",
     "s No application was found that can display the file  '%s'"},
    {2018,
     "s Es ist kein Programm zur Anzeige von PDF-Dateien registriert.\n\nDas Handbuch liegt "
     "hier:\n%s",
     "s No program for displaying PDF files is registered.\n\nThe manual is here:\n%s"},
    {2019,
     "s Der Text  '%s'  enthält Zeichen, die in der gewählten Codierung nicht darstellbar sind.",
     "s The text  '%s'  contains characters that the chosen coding cannot represent."},
    {2020, "s Das Profil  '%s'  konnte nicht gespeichert werden.",
     "s The profile  '%s'  could not be saved."},
    {2021, "?CRI Die Datei  '%s'  ist schreibgeschützt und wird nicht verändert.",
     "?CRI The file  '%s'  is write-protected and is not changed."},
    {2022,
     "?CRI Besitzer, Rechte oder erweiterte Attribute der Datei  '%s'  lassen sich nicht auf "
     "ihre neue Fassung übertragen; sie wird nicht verändert.",
     "?CRI The owner, permissions or extended attributes of the file  '%s'  cannot be carried "
     "over to its new content; it is not changed."},
    {2023,
     "s Die neue Fassung von  '%s'  konnte nicht sicher auf die Platte geschrieben werden; die "
     "Sicherung  '%s'  bleibt erhalten.",
     "s The new content of  '%s'  could not be made safe on disk; the backup  '%s'  is kept."},
    {2024, "s Die Sicherung  '%s'  ist nicht mehr die des Laufs und bleibt erhalten.",
     "s The backup  '%s'  is no longer the run's own and is kept."},
    {2025,
     "s Die Datei  '%s'  enthält nicht mehr, was der Lauf geschrieben hat; der alte Inhalt "
     "wurde aus  '%s'  zurückgeholt.",
     "s The file  '%s'  no longer holds what the run wrote; its old content was put back from  "
     "'%s'."},
    {2026, "s Die Protokolldatei  '%s'  wurde schon abgeschlossen.",
     "s The log file  '%s'  was finished already."},
    {2027,
     "s Das Verzeichnis  '%s'  enthält das Zeichen  '%s', das in einem Verzeichniseintrag nicht "
     "stehen kann.",
     "s The directory  '%s'  contains the character  '%s', which cannot stand in a directory "
     "entry."},
    {2028, "s Der Suchbegriff von Paar %s ist kein gültiger regulärer Ausdruck:\n\n%s",
     "s The search text of pair %s is not a valid regular expression:\n\n%s"},
    {2029,
     "s Die Ersetzung von Paar %s verweist auf eine Gruppe, die der Suchbegriff nicht hat:\n\n%s",
     "s The replacement of pair %s refers to a group that its search text does not have:\n\n%s"},
    {2030,
     "s Der Suchbegriff  '%s'  braucht in der Datei  '%s'  zu viele Schritte; die Datei bleibt "
     "unverändert.",
     "s The search text  '%s'  takes too many steps in the file  '%s'; the file is left "
     "unchanged."},
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
    {2507,
     "?YN Die Datei  '%s'  wurde nach dem Lauf noch einmal verändert.\nSoll sie trotzdem auf "
     "den Stand vor dem Lauf zurückgesetzt werden? Die späteren Änderungen gehen dabei verloren.",
     "?YN The file  '%s'  was changed again after the run.\nPut it back as it was before the run "
     "anyway? The later changes will be lost."},
    {2508, "! In  %s  Zeilen, die länger als 29.999 Bytes sind, wurde nicht ersetzt.",
     "! Nothing was replaced in  %s  lines longer than 29,999 bytes."},
    {2509, "! Diese Verzeichnisse konnten nicht durchsucht werden:\n%s",
     "! These directories could not be searched:\n%s"},
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
    {6021, "Zeilen zu lang zum Ersetzen", "Lines too long to replace"},
    // The summary's table of changed files and its view of one file's changes.
    {6022, "Datei", "File"},
    {6023, "Ersetzungen", "Replacements"},
    {6024, "Alt", "Old"},
    {6025, "Neu", "New"},
    {6026, "Zeileninhalt", "Line content"},
    {6027, "Zeilenenden %s → %s", "Line ends %s → %s"},
    {6028,
     "Die Datei wurde nach dem Lauf noch einmal verändert. Gezeigt wird, worin sie sich von "
     "ihrer Sicherung unterscheidet.",
     "The file was changed again after the run. Shown is how it differs from its backup."},
    {6029, "Die Datei und ihre Sicherung sind zu groß, um sie Zeile für Zeile zu vergleichen.",
     "The file and its backup are too large to compare line by line."},
    {6030, "Die Datei  '%s'  kann nicht gelesen werden.", "The file  '%s'  cannot be read."},
    {6031, "Weitere Änderungen werden gesucht (Zeile %s) ...",
     "Looking for more changes (line %s) ..."},
    {6032, "unveränderte Zeilen: %s", "unchanged lines: %s"},
    {6033, "Keine Zeile wurde verändert.", "No line was changed."},
    {6034, "Zeile %s ist zu lang, um sie und was ihr folgt zu zeigen.",
     "Line %s is too long to show it and what follows."},
    // A pattern's problem and where it stands.
    {6035, "%s (an Zeichen %s)", "%s (at character %s)"},
    // quintrel-batch: its own texts (usage errors, prompts, recovery report).
    {7000, "unbekannte Option '%s'", "unknown option '%s'"},
    {7001, "der Option '%s' fehlt ihr Argument", "option '%s' is missing its argument"},
    {7002, "unerwartetes Argument '%s'", "unexpected argument '%s'"},
    {7003, "das Argument der Option '%s' ist leer", "the argument of option '%s' is empty"},
    {7004, "das Profil '%s' kann nicht gelesen werden", "the profile '%s' cannot be read"},
    {7005, "das aktuelle Verzeichnis ist nicht bekannt, '%s' kann nicht vervollständigt werden",
     "the current directory is unknown, so '%s' cannot be made absolute"},
    {7006, "--column erwartet eine ganze Zahl, nicht '%s'",
     "--column expects a whole number, not '%s'"},
    {7007, "--position erwartet anywhere, start, end oder column, nicht '%s'",
     "--position expects anywhere, start, end or column, not '%s'"},
    {7008, "--code erwartet ansi, oem oder utf8, nicht '%s'",
     "--code expects ansi, oem or utf8, not '%s'"},
    {7009, "--answer erwartet ID=CODE, zum Beispiel 2013=1, nicht '%s'",
     "--answer expects ID=CODE, for example 2013=1, not '%s'"},
    {7010,
     "--answer '%s': möglich sind nur 2008, 2021 und 2022 mit 2, 4 oder 5, 2013 mit 1 oder 2, "
     "2505 mit 2, 6 oder 7 und 2507 mit 6 oder 7",
     "--answer '%s': only 2008, 2021 and 2022 with 2, 4 or 5, 2013 with 1 or 2, 2505 with 2, 6 "
     "or 7 and 2507 with 6 or 7 are possible"},
    {7011, "der Suchbegriff von --replace ist leer", "the search text of --replace is empty"},
    {7012, "der Suchbegriff von --replace ist länger als 499 Zeichen: '%s'",
     "the search text of --replace is longer than 499 characters: '%s'"},
    {7013, "die Ersetzung von --replace ist länger als 499 Zeichen: '%s'",
     "the replacement of --replace is longer than 499 characters: '%s'"},
    {7014,
     "--files '%s': ein Muster nennt nur Dateinamen und kann weder '/' noch Tabulator oder "
     "Zeilenumbruch enthalten",
     "--files '%s': a pattern names file names only and cannot hold '/', a tab or a line "
     "break"},
    {7015, "--newer und --older schließen einander aus", "--newer and --older exclude each other"},
    {7016, "'%s' und '%s' schließen einander aus: ein Lauf endet nur auf eine Art",
     "'%s' and '%s' exclude each other: a run is finished one way only"},
    {7017, "'%s' schließt einen früheren Lauf ab und nimmt keine Auftragsoptionen wie '%s'",
     "'%s' finishes an earlier run and takes no job options such as '%s'"},
    {7018, "die Protokolldatei '%s' existiert bereits und wird nicht überschrieben",
     "the log file '%s' exists already and is not overwritten"},
    {7019, "'quintrel-batch --help' zeigt alle Optionen.",
     "Try 'quintrel-batch --help' for all options."},
    {7020, "Antwort: %s", "Answer: %s"},
    {7021, "Antwort (%s): ", "Answer (%s): "},
    {7022, "Bitte eine der angebotenen Antworten eingeben.",
     "Please type one of the answers offered."},
    {7023, "Abbruch angefordert: die aktuelle Datei wird noch fertig bearbeitet.",
     "Stop requested: the current file is finished first."},
    {7024, "--recover nimmt nur ein Verzeichnis", "--recover takes one directory only"},
    {7025, "das Verzeichnis '%s' kann nicht gelesen werden", "the directory '%s' cannot be read"},
    {7026, "Keine Sicherung und keine temporäre Datei unter '%s'.",
     "No backup and no temporary file below '%s'."},
    {7027, "verändert, der vorherige Inhalt steht in der Sicherung: '%s'",
     "changed, its previous content is in the backup: '%s'"},
    {7028,
     "verändert, der vorherige Inhalt steht in der Sicherung, dazu eine unfertige temporäre "
     "Datei: '%s'",
     "changed, its previous content is in the backup, and an unfinished temporary file: '%s'"},
    {7029,
     "zwischen zwei Umbenennungen unterbrochen: der vorherige Inhalt steht in der Sicherung, der "
     "neue in der temporären Datei, die Datei selbst fehlt: '%s'",
     "interrupted between two renamings: the previous content is in the backup, the new one in "
     "the temporary file, the file itself is missing: '%s'"},
    {7030, "nur die Sicherung ist da, die Datei fehlt: '%s'",
     "only the backup is there, the file is missing: '%s'"},
    {7031, "unfertige temporäre Datei, die Datei behält ihren Inhalt: '%s'",
     "unfinished temporary file, the file keeps its content: '%s'"},
    {7032, "nur die temporäre Datei ist da, ohne Datei und Sicherung: '%s'",
     "only the temporary file is there, without the file or a backup: '%s'"},
    {7033, "einer der Namen ist keine gewöhnliche Datei, nichts wird verändert: '%s'",
     "one of the names is not a regular file, nothing is changed: '%s'"},
    {7034, "das Verzeichnis kann nicht gelesen werden und wurde nicht durchsucht: '%s'",
     "the directory cannot be read and was not searched: '%s'"},
    {7035, "vorheriger Inhalt zurückgestellt", "previous content put back"},
    {7036, "neuer Inhalt angenommen, Sicherung gelöscht", "new content accepted, backup deleted"},
    {7037, "temporäre Datei gelöscht", "temporary file deleted"},
    {7038, "belassen", "left as it is"},
    {7039, "fehlgeschlagen: %s", "failed: %s"},
    {7040, "--lang erwartet de oder 49 (Deutsch), en oder 44 (Englisch), nicht '%s'",
     "--lang expects de or 49 (German), en or 44 (English), not '%s'"},
    {7041, "belassen: nach dem Lauf noch einmal verändert",
     "left as it is: changed again after the run"},
    {7042, "belassen: die Sicherung ist nicht mehr die des Laufs",
     "left as it is: the backup is no longer the run's own"},
    {7043, "der neue Inhalt ging verloren; vorheriger Inhalt zurückgestellt",
     "the new content was lost; previous content put back"},
    {7044, "die Standardausgabe konnte nicht geschrieben werden: %s",
     "standard output could not be written: %s"},
    {7045, "--only steht nur mit --accept-log oder --undo-log",
     "--only goes only with --accept-log or --undo-log"},
    {7046, "--dry-run verändert nichts und steht nicht mit %s",
     "--dry-run changes nothing and does not go with %s"},
    // quintrel-batch: the names of the buttons a question offers (7100 + the
    // button code).
    {7101, "OK", "OK"},
    {7102, "Abbrechen", "Cancel"},
    {7103, "Abbruch", "Abort"},
    {7104, "Wiederholen", "Retry"},
    {7105, "Ignorieren", "Ignore"},
    {7106, "Ja", "Yes"},
    {7107, "Nein", "No"},
    // quintrel-batch --help (lines of at most 79 characters).
    {7200,
     R"(Aufruf: quintrel-batch [OPTION]...
Sucht und ersetzt Text Zeile für Zeile in vielen Dateien auf einmal, wie das
Programm Velmor Quintrel, ohne Bildschirm.

Auftrag (wie bei "Starten" im Programm):
  --profile DATEI       mit einem vom Programm gespeicherten Profil beginnen;
                        spätere Optionen ergänzen es
  --dir VERZ            ein Verzeichnis ("Verzeichnisse"); wiederholbar
  --files MUSTER        ein Dateiname oder Muster ("Dateien oder
                        Dateigruppen"); wiederholbar
  --replace SUCHEN ERSETZEN
                        ein Ersetzungspaar; Paare wirken in der angegebenen
                        Reihenfolge; wiederholbar
  --subdirs             "Unterverzeichnisse einbeziehen"
  --position anywhere|start|end|column
                        wo ein Suchbegriff passen darf (Voreinstellung
                        anywhere)
  --column N            die Spalte für --position column
  --code ansi|oem|utf8  "ISO-8851" (Voreinstellung), "Ascii" oder "UTF-8"
  --ignore-case         "Groß- und Kleinschreibung beim Suchen ignorieren"
  --escapes             "Ersatzdarstellung für Steuerzeichen erkennen"
  --regex               "Suchbegriffe sind reguläre Ausdrücke" (PCRE2; in der
                        Ersetzung $1 bis $99, ${name}, $$ für ein $)
  --no-replace          "Ersetzungen durchführen" aus
  --delete-empty-lines  "Leere Zeilen entfernen"
  --strip-leading-spaces, --strip-trailing-spaces,
  --strip-leading-tabs, --strip-trailing-tabs
                        führende oder schleppende Leerzeichen oder
                        Tabulatoren entfernen
  --newer DATUM, --older DATUM
                        nur Dateien, die am oder nach DATUM geändert wurden,
                        oder davor
  --time ZEIT           die Uhrzeit für --newer und --older
  --confirm             "Jede Datei vor Veränderung bestätigen"
  --crlf                jede Zeile einer veränderten Datei mit CR LF
                        schreiben; sonst behält jede Zeile ihr Zeilenende
  --keep-line-ends      jede Zeile behält ihr Zeilenende (Voreinstellung; ein
                        Profil ohne diesen Wert schreibt CR LF)
Abschluss eines Laufs, der Dateien verändert hat (eines davon):
  --accept              alle Änderungen übernehmen: die Sicherungen löschen
                        (Voreinstellung)
  --undo                alle Änderungen nach dem Bericht rückgängig machen
                        (eine Vorschau)
  --keep LOG            Änderungen und Sicherungen behalten, das
                        Änderungsprotokoll nach LOG schreiben
  --accept-log LOG, --undo-log LOG
                        einen behaltenen Lauf später abschließen (ohne
                        Auftragsoptionen)
  --only PFAD           mit --accept-log oder --undo-log nur diese Datei
                        abschließen, das Protokoll behält die übrigen;
                        wiederholbar
Nach einem unterbrochenen Lauf (abgebrochen, abgestürzt, Stromausfall):
  --recover VERZ        die unter VERZ (mit allen Unterverzeichnissen)
                        verbliebenen Sicherungen und temporären Dateien
                        melden; mit --undo jede Sicherung unter den Namen
                        ihrer Datei zurückstellen, mit --accept die neuen
                        Inhalte behalten und die Sicherungen löschen (nachdem
                        die neuen Inhalte auf die Platte geschrieben sind);
                        eine Sicherung oder temporäre Datei, die der einzige
                        Inhalt einer Datei ist, wird nie gelöscht; nur
                        solange kein Lauf in VERZ arbeitet
Fragen:
  --answer ID=CODE      Meldung ID mit dem Knopf CODE beantworten;
                        wiederholbar (z. B. 2013=1 vermutliche Binärdateien
                        übergehen, 2008=5 Dateien, die nicht geöffnet werden
                        können, ignorieren, 2505=7 jede Datei ablehnen)
Ausgabe:
  --json                die Standardausgabe enthält genau ein JSON-Objekt:
                        "FilesProcessed", "FilesChanged", "LinesChanged",
                        "ReplacementsMade", "EmptyLinesRemoved" (Zahlen),
                        "changed" (die veränderten Pfade), "messages" (jede
                        gezeigte Meldung als {"id", "inserts", "answer"}),
                        "LinesTooLong" und "files" (je veränderte Datei ihr
                        Pfad und ihre Zähler)
  --diff                die Änderungen jeder veränderten Datei als Unified
                        Diff zeigen, bevor der Lauf abgeschlossen wird (mit
                        --json als "diff" je Datei)
  --dry-run             berichten, was ein Lauf täte, ohne etwas unter den
                        Verzeichnissen anzulegen, zu verändern oder zu
                        löschen
  --quiet               keine Hinweise und keine Zusammenfassung am Ende
  --lang de|en          Deutsch (de oder 49) oder Englisch (en oder 44);
                        Voreinstellung: die Sprache des Programms, sonst die
                        des Gebietsschemas (Locale)
  -h, --help            diese Hilfe zeigen und beenden
  -V, --version         die Version zeigen und beenden
Rückgabewert: 0 der Lauf wurde ausgeführt (auch wenn nichts gefunden oder
verändert wurde); 1 er endete vorzeitig (eine Meldung beendete ihn) oder ein
Suchbegriff brauchte in einer Datei zu viele Schritte (2030); 2 falscher
Aufruf oder ein beim Start abgelehnter Auftrag (Meldungen 2001-2004, 2019,
2028, 2029).
Mit --recover: 0 unter VERZ ist nichts übrig (nichts gefunden oder alles
abgeschlossen); 1 etwas ist übrig (nur gemeldet, eine einzige Kopie behalten
oder ein Schritt fehlgeschlagen); 2 falscher Aufruf oder VERZ nicht lesbar.
)",
     R"(Usage: quintrel-batch [OPTION]...
Searches and replaces text line by line in many files at once, as the program
Velmor Quintrel does, without a display.

Job (as at "Start" in the program):
  --profile FILE        start from a profile saved by the program; options
                        after it add to it
  --dir DIR             a directory ("Directories"); repeatable
  --files PATTERN       a file name or wildcard pattern ("Files or file
                        groups"); repeatable
  --replace SEARCH REPLACEMENT
                        a replacement pair; pairs apply in the order given;
                        repeatable
  --subdirs             "Include subdirectories"
  --position anywhere|start|end|column
                        where a search text may match (default anywhere)
  --column N            the column for --position column
  --code ansi|oem|utf8  "ISO-8851" (default), "Ascii" or "UTF-8"
  --ignore-case         "Ignore letter case when searching"
  --escapes             "Recognise escape notation for control characters"
  --regex               "Search texts are regular expressions" (PCRE2; in the
                        replacement $1 to $99, ${name}, $$ for a $)
  --no-replace          "Perform replacements" off
  --delete-empty-lines  "Remove empty lines"
  --strip-leading-spaces, --strip-trailing-spaces,
  --strip-leading-tabs, --strip-trailing-tabs
                        remove leading or trailing spaces or tabs
  --newer DATE, --older DATE
                        only files changed at or after DATE, or before it
  --time TIME           the time of day for --newer and --older
  --confirm             "Confirm each file before changing it"
  --crlf                write every line of a changed file with CR LF; by
                        default each line keeps its own line end
  --keep-line-ends      each line keeps its own line end (the default; a
                        profile without that value writes CR LF)
Finishing a run that changed files (one of):
  --accept              accept all changes: delete the backups (default)
  --undo                undo all changes after reporting them (a preview)
  --keep LOG            leave the changes and their backups and write the
                        change log to LOG
  --accept-log LOG, --undo-log LOG
                        finish a kept run later (no job options)
  --only PATH           with --accept-log or --undo-log finish just this
                        file, the log keeps the others; repeatable
After an interrupted run (killed, a crash, a power cut):
  --recover DIR         report the backups and temporary files left below DIR
                        (all subdirectories); with --undo put every backup
                        back under its file's name, with --accept keep the
                        new contents and delete the backups (after flushing
                        the new contents to disk); a backup or temporary file
                        that is a file's only content is never deleted; only
                        while no run works on DIR
Questions:
  --answer ID=CODE      answer message ID with button code CODE; repeatable
                        (e.g. 2013=1 skip files that look binary, 2008=5
                        ignore files that cannot be opened, 2505=7 decline
                        every file)
Output:
  --json                standard output holds exactly one JSON object:
                        "FilesProcessed", "FilesChanged", "LinesChanged",
                        "ReplacementsMade", "EmptyLinesRemoved" (numbers),
                        "changed" (the changed paths in order), "messages"
                        (each message shown, as {"id", "inserts", "answer"}),
                        "LinesTooLong" and "files" (each changed file's path
                        and counters)
  --diff                print each changed file's changes as a unified diff
                        before the run is finished (with --json as "diff"
                        per file)
  --dry-run             report what a run would do without creating,
                        changing or deleting anything below its directories
  --quiet               no notices and no closing summary
  --lang de|en          German (de or 49) or English (en or 44); default: the
                        program's language setting, else the locale
  -h, --help            show this help and exit
  -V, --version         show the version and exit
Exit status: 0 the run was carried out (also when nothing was found or
changed); 1 it ended early (a message ended it) or a search text took too many
steps in a file (2030); 2 a usage error or a job refused at Start (messages
2001-2004, 2019, 2028, 2029).
With --recover: 0 nothing is left below DIR (nothing found, or all of it
finished); 1 something is left (reported only, an only copy kept, or a step
failed); 2 a usage error or DIR unreadable.
)"},
    // quintrel --help.
    {7201,
     R"(Aufruf: quintrel [OPTION]... [PROFIL]
Sucht und ersetzt Text Zeile für Zeile in vielen Dateien auf einmal: das
Programm Velmor Quintrel. quintrel-batch führt dieselben Aufträge ohne
Bildschirm aus.

  PROFIL                mit diesem Bearbeitungs-Profil (*.vqp) beginnen, wie
                        es "Profil laden..." lädt
  -h, --help            diese Hilfe zeigen und beenden
  -V, --version         die Version zeigen und beenden
Die Optionen von Qt (etwa -platform) gelten ebenfalls. Das Programm braucht
eine grafische Anzeige (DISPLAY oder WAYLAND_DISPLAY).
)",
     R"(Usage: quintrel [OPTION]... [PROFILE]
Searches and replaces text line by line in many files at once: the desktop
program Velmor Quintrel. quintrel-batch runs the same jobs without a display.

  PROFILE               start with this job profile (*.vqp) loaded, as "Load
                        profile..." does
  -h, --help            show this help and exit
  -V, --version         show the version and exit
Qt's own options (such as -platform) work as well. The program needs a
graphical display (DISPLAY or WAYLAND_DISPLAY).
)"},
    // quintrel started without a display.
    {7202,
     "Das Programm braucht eine grafische Anzeige, aber weder DISPLAY noch WAYLAND_DISPLAY "
     "ist gesetzt. Aufträge ohne Bildschirm führt quintrel-batch aus.",
     "The program needs a graphical display, but neither DISPLAY nor WAYLAND_DISPLAY is set. "
     "quintrel-batch carries out jobs without a display."},
};

std::atomic<int> gLanguage{kLanguageGerman};

// A translator's texts for a language the table has none of its own for.
struct ExtraTexts {
    int language = 0;
    std::map<int, std::string> texts;
};

ExtraTexts& Extra() {
    static ExtraTexts extra;
    return extra;
}

const std::string* ExtraText(int id, int language) {
    const ExtraTexts& extra = Extra();
    if (language != extra.language) {
        return nullptr;
    }
    auto it = extra.texts.find(id);
    return it == extra.texts.end() ? nullptr : &it->second;
}

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
    if (const std::string* text = ExtraText(id, language)) {
        return *text;
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
           (language == kLanguageEnglish && entry->english != nullptr) ||
           ExtraText(id, language) != nullptr;
}

int SetStringTranslations(int language, const std::map<int, std::string>& texts) {
    ExtraTexts& extra = Extra();
    extra = ExtraTexts{};
    if (language == kLanguageGerman || language == kLanguageEnglish) {
        return 0;
    }
    extra.language = language;
    for (const auto& [id, text] : texts) {
        const StringEntry* entry = Find(id);
        if (entry == nullptr || text.empty()) {
            continue;
        }
        // The code decides the buttons and what an answer means, and every
        // insert names something the user must see: a translation that
        // changes either is not taken.
        const std::string_view german = entry->german;
        const std::string_view germanText = ParseMessage(german).text;
        const std::string_view translatedText = ParseMessage(text).text;
        // The code is what stands before the text (with its blank).
        const bool sameCode = german.substr(0, german.size() - germanText.size()) ==
                              std::string_view(text).substr(0, text.size() - translatedText.size());
        if (sameCode && CountInserts(germanText) == CountInserts(translatedText)) {
            extra.texts.emplace(id, text);
        }
    }
    return static_cast<int>(extra.texts.size());
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

int CountInserts(std::string_view text) {
    int count = 0;
    for (std::size_t at = text.find("%s"); at != std::string_view::npos;
         at = text.find("%s", at + 2)) {
        ++count;
    }
    return count;
}
