<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="de">
<context>
    <name>AboutBox</name>
    <message>
        <source>Velmor-Unterstützungsbibliothek</source>
        <translation>Velmor support library</translation>
    </message>
    <message>
        <source>&lt;p&gt;Dieses Programm verwendet die Bibliotheken Qt Core, Qt Gui und Qt Widgets (Copyright © The Qt Company Ltd. und andere Mitwirkende) unter der GNU Lesser General Public License, Version 3 (LGPL v3).&lt;/p&gt;&lt;p&gt;Qt wird als gemeinsam genutzte Bibliothek geladen; Sie können es durch eine eigene, damit verträgliche Fassung ersetzen. Den Quelltext von Qt erhalten Sie unter &lt;a href=&quot;https://download.qt.io/&quot;&gt;download.qt.io&lt;/a&gt; und als Debian-Quellpaket qt6-base.&lt;/p&gt;&lt;p&gt;Lizenztext: &lt;a href=&quot;https://www.gnu.org/licenses/lgpl-3.0.html&quot;&gt;www.gnu.org/licenses/lgpl-3.0.html&lt;/a&gt;; auf Debian-Systemen liegen die LGPL v3 und die GPL v3, auf der sie aufbaut, in /usr/share/common-licenses/LGPL-3 und GPL-3.&lt;/p&gt;</source>
        <translation>&lt;p&gt;This program uses the libraries Qt Core, Qt Gui and Qt Widgets (Copyright © The Qt Company Ltd. and other contributors) under the GNU Lesser General Public License, version 3 (LGPL v3).&lt;/p&gt;&lt;p&gt;Qt is loaded as a shared library; you may replace it with a compatible version of your own. The source code of Qt is available from &lt;a href=&quot;https://download.qt.io/&quot;&gt;download.qt.io&lt;/a&gt; and as the Debian source package qt6-base.&lt;/p&gt;&lt;p&gt;Licence text: &lt;a href=&quot;https://www.gnu.org/licenses/lgpl-3.0.html&quot;&gt;www.gnu.org/licenses/lgpl-3.0.html&lt;/a&gt;; on Debian systems the LGPL v3 and the GPL v3 it builds on are in /usr/share/common-licenses/LGPL-3 and GPL-3.&lt;/p&gt;</translation>
    </message>
    <message>
        <source>&lt;p&gt;Die Tabelle der Groß- und Kleinbuchstaben für UTF-8 wurde beim Bau des Programms aus den Daten von ICU (International Components for Unicode) erzeugt.&lt;/p&gt;&lt;p&gt;Copyright © 1991-2022 Unicode, Inc.&lt;/p&gt;&lt;p&gt;Lizenz (Originaltext):&lt;/p&gt;</source>
        <translation>&lt;p&gt;The table of upper- and lower-case letters for UTF-8 was made from the data of ICU (International Components for Unicode) when the program was built.&lt;/p&gt;&lt;p&gt;Copyright © 1991-2022 Unicode, Inc.&lt;/p&gt;&lt;p&gt;Licence (original text):&lt;/p&gt;</translation>
    </message>
    <message>
        <source>Version %1</source>
        <translation>Version %1</translation>
    </message>
    <message>
        <source>Produktnummer %1</source>
        <translation>Product number %1</translation>
    </message>
    <message>
        <source>Module</source>
        <translation>Modules</translation>
    </message>
    <message>
        <source>Rechte Dritter</source>
        <translation>Third-party rights</translation>
    </message>
    <message>
        <source>Über Qt...</source>
        <translation>About Qt...</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Über &amp;Qt...</source>
        <translation>About &amp;Qt...</translation>
    </message>
    <message>
        <source>&amp;OK</source>
        <translation>&amp;OK</translation>
    </message>
</context>
<context>
    <name>AddDirectoryDialog</name>
    <message>
        <source>Verzeichnis hinzufügen</source>
        <translation>Add directory</translation>
    </message>
    <message>
        <source>Verzeichnisse    (mehrere Angaben durch Semikolons trennen)</source>
        <translation>Directories    (separate several entries with semicolons)</translation>
    </message>
    <message>
        <source>Verzeichnisse</source>
        <translation>Directories</translation>
    </message>
    <message>
        <source>wählen...</source>
        <translation>choose...</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Abbrechen</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>&amp;Verzeichnisse    (mehrere Angaben durch Semikolons trennen)</source>
        <translation>&amp;Directories    (separate several entries with semicolons)</translation>
    </message>
    <message>
        <source>&amp;wählen...</source>
        <translation>c&amp;hoose...</translation>
    </message>
    <message>
        <source>&amp;OK</source>
        <translation>&amp;OK</translation>
    </message>
    <message>
        <source>&amp;Abbrechen</source>
        <translation>&amp;Cancel</translation>
    </message>
</context>
<context>
    <name>AddWildcardDialog</name>
    <message>
        <source>Datei oder Dateigruppe hinzufügen</source>
        <translation>Add file or file group</translation>
    </message>
    <message>
        <source>Datei oder Dateigruppe      (mehrere  Angaben durch Semikolons trennen)</source>
        <translation>File or file group      (separate several entries with semicolons)</translation>
    </message>
    <message>
        <source>Datei oder Dateigruppe</source>
        <translation>File or file group</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Abbrechen</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>&amp;Datei oder Dateigruppe      (mehrere  Angaben durch Semikolons trennen)</source>
        <translation>&amp;File or file group      (separate several entries with semicolons)</translation>
    </message>
    <message>
        <source>&amp;OK</source>
        <translation>&amp;OK</translation>
    </message>
    <message>
        <source>&amp;Abbrechen</source>
        <translation>&amp;Cancel</translation>
    </message>
</context>
<context>
    <name>LanguageChooser</name>
    <message>
        <source>Sprache</source>
        <translation>Language</translation>
    </message>
    <message>
        <source>Sprache der Bedienoberfläche</source>
        <translation>Language of the interface</translation>
    </message>
    <message>
        <source>Der Hauptdialog wird dabei neu aufgebaut; was Sie eingegeben haben, geht verloren.</source>
        <translation>The main dialog is built anew; what you have entered is lost.</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Abbrechen</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>&amp;Sprache der Bedienoberfläche</source>
        <translation>&amp;Language of the interface</translation>
    </message>
    <message>
        <source>&amp;OK</source>
        <translation>&amp;OK</translation>
    </message>
    <message>
        <source>&amp;Abbrechen</source>
        <translation>&amp;Cancel</translation>
    </message>
</context>
<context>
    <name>MainDialog</name>
    <message>
        <source>Velmor Quintrel</source>
        <translation>Velmor Quintrel</translation>
    </message>
    <message>
        <source>Verzeichnisse</source>
        <translation>Directories</translation>
    </message>
    <message>
        <source>Hinzufügen...</source>
        <translation>Add...</translation>
    </message>
    <message>
        <source>Entfernen</source>
        <translation>Remove</translation>
    </message>
    <message>
        <source>Unterverzeichnisse einbeziehen</source>
        <translation>Include subdirectories</translation>
    </message>
    <message>
        <source>Dateien oder Dateigruppen</source>
        <translation>Files or file groups</translation>
    </message>
    <message>
        <source>Abhängigkeit vom Datum der letzten Änderung</source>
        <translation>Depending on the date of the last change</translation>
    </message>
    <message>
        <source>Alle Dateien</source>
        <translation>All files</translation>
    </message>
    <message>
        <source>Neuer oder gleich Vergeichsdatum</source>
        <translation>Newer than or equal to the comparison date</translation>
    </message>
    <message>
        <source>Älter als Vergleichsdatum</source>
        <translation>Older than the comparison date</translation>
    </message>
    <message>
        <source>Datum</source>
        <translation>Date</translation>
    </message>
    <message>
        <source>Uhrzeit</source>
        <translation>Time</translation>
    </message>
    <message>
        <source>Optionen</source>
        <translation>Options</translation>
    </message>
    <message>
        <source>Jede Datei vor Veränderung bestätigen</source>
        <translation>Confirm each file before changing it</translation>
    </message>
    <message>
        <source>Veränderungen, die in allen Dateien ausgeführt werden</source>
        <translation>Changes made in all files</translation>
    </message>
    <message>
        <source>Ersetzungen durchführen</source>
        <translation>Perform replacements</translation>
    </message>
    <message>
        <source>Leere Zeilen entfernen</source>
        <translation>Remove empty lines</translation>
    </message>
    <message>
        <source>Führende Leerzeichen entfernen</source>
        <translation>Remove leading spaces</translation>
    </message>
    <message>
        <source>Schleppende Leerzeichen entfernen</source>
        <translation>Remove trailing spaces</translation>
    </message>
    <message>
        <source>Führende Tabulatoren entfernen</source>
        <translation>Remove leading tabs</translation>
    </message>
    <message>
        <source>Schleppende Tabulatoren entfernen</source>
        <translation>Remove trailing tabs</translation>
    </message>
    <message>
        <source>Zeilenenden der Datei beibehalten</source>
        <translation>Keep the file&apos;s line ends</translation>
    </message>
    <message>
        <source>Ersetzungen</source>
        <translation>Replacements</translation>
    </message>
    <message>
        <source>Ändern...</source>
        <translation>Change...</translation>
    </message>
    <message>
        <source>Ersetzen an Position</source>
        <translation>Replace at position</translation>
    </message>
    <message>
        <source>überall in einer Zeile</source>
        <translation>anywhere in a line</translation>
    </message>
    <message>
        <source>nur am Zeilenanfang</source>
        <translation>only at the line start</translation>
    </message>
    <message>
        <source>nur am Zeilenende</source>
        <translation>only at the line end</translation>
    </message>
    <message>
        <source>nur an der Position </source>
        <translation>only at the position </translation>
    </message>
    <message>
        <source>Codierung</source>
        <translation>Coding</translation>
    </message>
    <message>
        <source>ISO-8851</source>
        <translation>ISO-8851</translation>
    </message>
    <message>
        <source>Ascii</source>
        <translation>Ascii</translation>
    </message>
    <message>
        <source>UTF-8</source>
        <translation>UTF-8</translation>
    </message>
    <message>
        <source>Optionen für das Ersetzen</source>
        <translation>Options for replacing</translation>
    </message>
    <message>
        <source>Ersatzdarstellung für Steuerzeichen erkennen</source>
        <translation>Recognise escape notation for control characters</translation>
    </message>
    <message>
        <source>Groß- und Kleinschreibung beim Suchen ignorieren</source>
        <translation>Ignore letter case when searching</translation>
    </message>
    <message>
        <source>Suchbegriffe sind reguläre Ausdrücke</source>
        <translation>Search texts are regular expressions</translation>
    </message>
    <message>
        <source>Ersetzungen testen...</source>
        <translation>Test replacements...</translation>
    </message>
    <message>
        <source>Über...</source>
        <translation>About...</translation>
    </message>
    <message>
        <source>Handbuch...</source>
        <translation>Manual...</translation>
    </message>
    <message>
        <source>Sprache...</source>
        <translation>Language...</translation>
    </message>
    <message>
        <source>TA</source>
        <translation>TA</translation>
    </message>
    <message>
        <source>Profil laden...</source>
        <translation>Load profile...</translation>
    </message>
    <message>
        <source>Profil speichern...</source>
        <translation>Save profile...</translation>
    </message>
    <message>
        <source>Starten</source>
        <translation>Start</translation>
    </message>
    <message>
        <source>Ver&amp;zeichnisse</source>
        <translation>D&amp;irectories</translation>
    </message>
    <message>
        <source>Hinz&amp;ufügen...</source>
        <translation>A&amp;dd...</translation>
    </message>
    <message>
        <source>&amp;Entfernen</source>
        <translation>Rem&amp;ove</translation>
    </message>
    <message>
        <source>Unter&amp;verzeichnisse einbeziehen</source>
        <translation>Incl&amp;ude subdirectories</translation>
    </message>
    <message>
        <source>Dateien &amp;oder Dateigruppen</source>
        <translation>&amp;Files or file groups</translation>
    </message>
    <message>
        <source>Hinzufü&amp;gen...</source>
        <translation>&amp;Add...</translation>
    </message>
    <message>
        <source>Ent&amp;fernen</source>
        <translation>R&amp;emove</translation>
    </message>
    <message>
        <source>Abhängigkeit &amp;vom Datum der letzten Änderung</source>
        <translation>&amp;Depending on the date of the last change</translation>
    </message>
    <message>
        <source>&amp;Alle Dateien</source>
        <translation>All &amp;files</translation>
    </message>
    <message>
        <source>Neuer oder gleich Vergeichsdatu&amp;m</source>
        <translation>Newer than or e&amp;qual to the comparison date</translation>
    </message>
    <message>
        <source>&amp;Älter als Vergleichsdatum</source>
        <translation>Older than the &amp;comparison date</translation>
    </message>
    <message>
        <source>Opt&amp;ionen</source>
        <translation>Optio&amp;ns</translation>
    </message>
    <message>
        <source>&amp;Jede Datei vor Veränderung bestätigen</source>
        <translation>Confirm eac&amp;h file before changing it</translation>
    </message>
    <message>
        <source>Veränderungen, die in allen Dateien ausgeführt &amp;werden</source>
        <translation>C&amp;hanges made in all files</translation>
    </message>
    <message>
        <source>Erse&amp;tzungen durchführen</source>
        <translation>&amp;Perform replacements</translation>
    </message>
    <message>
        <source>Leere &amp;Zeilen entfernen</source>
        <translation>Remove empt&amp;y lines</translation>
    </message>
    <message>
        <source>Führende Leerze&amp;ichen entfernen</source>
        <translation>Remove leadi&amp;ng spaces</translation>
    </message>
    <message>
        <source>S&amp;chleppende Leerzeichen entfernen</source>
        <translation>Remove tra&amp;iling spaces</translation>
    </message>
    <message>
        <source>Führende Tabulat&amp;oren entfernen</source>
        <translation>Remove leading &amp;tabs</translation>
    </message>
    <message>
        <source>Schleppende Ta&amp;bulatoren entfernen</source>
        <translation>&amp;Remove trailing tabs</translation>
    </message>
    <message>
        <source>Zeilenenden &amp;der Datei beibehalten</source>
        <translation>&amp;Keep the file&apos;s line ends</translation>
    </message>
    <message>
        <source>Ersetz&amp;ungen</source>
        <translation>R&amp;eplacements</translation>
    </message>
    <message>
        <source>Hi&amp;nzufügen...</source>
        <translation>&amp;Add...</translation>
    </message>
    <message>
        <source>En&amp;tfernen</source>
        <translation>&amp;Remove</translation>
    </message>
    <message>
        <source>&amp;Ändern...</source>
        <translation>&amp;Change...</translation>
    </message>
    <message>
        <source>&amp;Ersetzen an Position</source>
        <translation>&amp;Replace at position</translation>
    </message>
    <message>
        <source>überall &amp;in einer Zeile</source>
        <translation>any&amp;where in a line</translation>
    </message>
    <message>
        <source>&amp;nur am Zeilenanfang</source>
        <translation>&amp;only at the line start</translation>
    </message>
    <message>
        <source>nur &amp;am Zeilenende</source>
        <translation>only at &amp;the line end</translation>
    </message>
    <message>
        <source>nur an &amp;der Position </source>
        <translation>only at the &amp;position </translation>
    </message>
    <message>
        <source>Codierun&amp;g</source>
        <translation>&amp;Coding</translation>
    </message>
    <message>
        <source>ISO-88&amp;51</source>
        <translation>ISO-88&amp;51</translation>
    </message>
    <message>
        <source>As&amp;cii</source>
        <translation>Asc&amp;ii</translation>
    </message>
    <message>
        <source>UTF-&amp;8</source>
        <translation>UTF-&amp;8</translation>
    </message>
    <message>
        <source>Optionen &amp;für das Ersetzen</source>
        <translation>&amp;Options for replacing</translation>
    </message>
    <message>
        <source>Ersatzdarstellung für Steuerzeichen er&amp;kennen</source>
        <translation>Recognise &amp;escape notation for control characters</translation>
    </message>
    <message>
        <source>Gro&amp;ß- und Kleinschreibung beim Suchen ignorieren</source>
        <translation>Ignore letter case &amp;when searching</translation>
    </message>
    <message>
        <source>Suchbegriffe sind &amp;reguläre Ausdrücke</source>
        <translation>Search texts are &amp;regular expressions</translation>
    </message>
    <message>
        <source>Ersetzungen te&amp;sten...</source>
        <translation>Te&amp;st replacements...</translation>
    </message>
    <message>
        <source>&amp;Über...</source>
        <translation>A&amp;bout...</translation>
    </message>
    <message>
        <source>&amp;Handbuch...</source>
        <translation>&amp;Manual...</translation>
    </message>
    <message>
        <source>Sp&amp;rache...</source>
        <translation>Lan&amp;guage...</translation>
    </message>
    <message>
        <source>&amp;TA</source>
        <translation>&amp;TA</translation>
    </message>
    <message>
        <source>Profil &amp;laden...</source>
        <translation>&amp;Load profile...</translation>
    </message>
    <message>
        <source>Profil s&amp;peichern...</source>
        <translation>Sa&amp;ve profile...</translation>
    </message>
    <message>
        <source>&amp;Starten</source>
        <translation>&amp;Start</translation>
    </message>
</context>
<context>
    <name>ProgressIndicator</name>
    <message>
        <source>Abbruch</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>&amp;Abbruch</source>
        <translation>&amp;Cancel</translation>
    </message>
</context>
<context>
    <name>ReplacementDialog</name>
    <message>
        <source>Ersetzung hinzufügen</source>
        <translation>Add replacement</translation>
    </message>
    <message>
        <source>Suchen nach</source>
        <translation>Search for</translation>
    </message>
    <message>
        <source>Ersetzen durch</source>
        <translation>Replace with</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Abbrechen</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>Ersetzung ändern</source>
        <translation>Change replacement</translation>
    </message>
    <message>
        <source>&amp;Suchen nach</source>
        <translation>&amp;Search for</translation>
    </message>
    <message>
        <source>&amp;Ersetzen durch</source>
        <translation>&amp;Replace with</translation>
    </message>
    <message>
        <source>&amp;OK</source>
        <translation>&amp;OK</translation>
    </message>
    <message>
        <source>&amp;Abbrechen</source>
        <translation>&amp;Cancel</translation>
    </message>
</context>
<context>
    <name>ReplacementMenu</name>
    <message>
        <source>Löschen</source>
        <translation>Delete</translation>
    </message>
    <message>
        <source>Ändern</source>
        <translation>Change</translation>
    </message>
    <message>
        <source>Ersetzung hinzufügen</source>
        <translation>Add replacement</translation>
    </message>
    <message>
        <source>&amp;Löschen</source>
        <translation>&amp;Delete</translation>
    </message>
    <message>
        <source>Ä&amp;ndern</source>
        <translation>&amp;Change</translation>
    </message>
    <message>
        <source>Ersetzung &amp;hinzufügen</source>
        <translation>&amp;Add replacement</translation>
    </message>
    <message>
        <source>Ersetzungen testen...</source>
        <translation>Test replacements...</translation>
    </message>
    <message>
        <source>Ersetzungen &amp;testen...</source>
        <translation>&amp;Test replacements...</translation>
    </message>
</context>
<context>
    <name>ReplacementTesterDialog</name>
    <message>
        <source>Ersetzungen testen</source>
        <translation>Test replacements</translation>
    </message>
    <message>
        <source>Beispielzeilen</source>
        <translation>Sample lines</translation>
    </message>
    <message>
        <source>&amp;Beispielzeilen</source>
        <translation>&amp;Sample lines</translation>
    </message>
    <message>
        <source>Ergebnis nach jedem Paar</source>
        <translation>Result after each pair</translation>
    </message>
    <message>
        <source>&amp;Ergebnis nach jedem Paar</source>
        <translation>&amp;Result after each pair</translation>
    </message>
    <message>
        <source>Schließen</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>&amp;Schließen</source>
        <translation>&amp;Close</translation>
    </message>
    <message>
        <source>zu viele Schritte: eine Datei mit dieser Zeile bliebe unverändert</source>
        <translation>too many steps: a file with this line would be left unchanged</translation>
    </message>
    <message>
        <source>unverändert</source>
        <translation>unchanged</translation>
    </message>
    <message>
        <source>%1 Ersetzung(en)</source>
        <translation>%1 replacement(s)</translation>
    </message>
    <message>
        <source>Kaskade: Paar %1 findet, was dieses Paar geschrieben hat</source>
        <translation>cascade: pair %1 finds what this pair wrote</translation>
    </message>
    <message>
        <source>Zeile %1</source>
        <translation>Line %1</translation>
    </message>
    <message>
        <source>Die Zeile enthält Zeichen, die in der gewählten Codierung nicht darstellbar sind.</source>
        <translation>The line contains characters that the chosen coding cannot represent.</translation>
    </message>
    <message>
        <source>Leere Zeile: sie wird entfernt.</source>
        <translation>Empty line: it is removed.</translation>
    </message>
    <message>
        <source>Nach dem Entfernen von Leerzeichen und Tabulatoren</source>
        <translation>After removing spaces and tabs</translation>
    </message>
    <message>
        <source>Die Zeile ist länger als 29.999 Bytes: in ihr wird nicht ersetzt.</source>
        <translation>The line is longer than 29,999 bytes: nothing is replaced in it.</translation>
    </message>
    <message>
        <source>Paar %1</source>
        <translation>Pair %1</translation>
    </message>
</context>
<context>
    <name>ScanDialog</name>
    <message>
        <source>Dateiliste erstellen</source>
        <translation>Creating the file list</translation>
    </message>
    <message>
        <source>Abbruch</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>&amp;Abbruch</source>
        <translation>&amp;Cancel</translation>
    </message>
</context>
<context>
    <name>SummaryDialog</name>
    <message>
        <source>Velmor Quintrel - Zusammenfassung</source>
        <translation>Velmor Quintrel - Summary</translation>
    </message>
    <message>
        <source>Dateien</source>
        <translation>Files</translation>
    </message>
    <message>
        <source>Dateien bearbeitet</source>
        <translation>Files processed</translation>
    </message>
    <message>
        <source>Dateien verändert</source>
        <translation>Files changed</translation>
    </message>
    <message>
        <source>Änderungen</source>
        <translation>Changes</translation>
    </message>
    <message>
        <source>Zeilen geändert</source>
        <translation>Lines changed</translation>
    </message>
    <message>
        <source>Ersetzungen durchgeführt</source>
        <translation>Replacements made</translation>
    </message>
    <message>
        <source>Leerzeilen entfernt</source>
        <translation>Empty lines removed</translation>
    </message>
    <message>
        <source>Folgende Dateien wurden verändert</source>
        <translation>The following files were changed</translation>
    </message>
    <message>
        <source>Datei ansehen...</source>
        <translation>View file...</translation>
    </message>
    <message>
        <source>Alle Änderungen rückgängig machen...</source>
        <translation>Undo all changes...</translation>
    </message>
    <message>
        <source>Schließen</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>Da&amp;teien</source>
        <translation>&amp;Files</translation>
    </message>
    <message>
        <source>&amp;Änderungen</source>
        <translation>&amp;Changes</translation>
    </message>
    <message>
        <source>&amp;Folgende Dateien wurden verändert</source>
        <translation>&amp;The following files were changed</translation>
    </message>
    <message>
        <source>&amp;Datei ansehen...</source>
        <translation>&amp;View file...</translation>
    </message>
    <message>
        <source>&amp;Alle Änderungen rückgängig machen...</source>
        <translation>&amp;Undo all changes...</translation>
    </message>
    <message>
        <source>&amp;Schließen</source>
        <translation>C&amp;lose</translation>
    </message>
    <message>
        <source>Zeilen zu lang zum Ersetzen</source>
        <translation>Lines too long to replace</translation>
    </message>
    <message>
        <source>Ä&amp;nderungen in der gewählten Datei</source>
        <translation>Chan&amp;ges in the selected file</translation>
    </message>
    <message>
        <source>Änderungen in der gewählten Datei</source>
        <translation>Changes in the selected file</translation>
    </message>
    <message>
        <source>Hinweise zu den Änderungen</source>
        <translation>Notes on the changes</translation>
    </message>
    <message>
        <source>Auswahl ü&amp;bernehmen</source>
        <translation>&amp;Accept selected</translation>
    </message>
    <message>
        <source>Auswahl übernehmen</source>
        <translation>Accept selected</translation>
    </message>
    <message>
        <source>Auswahl &amp;rückgängig machen</source>
        <translation>Undo &amp;selected</translation>
    </message>
    <message>
        <source>Auswahl rückgängig machen</source>
        <translation>Undo selected</translation>
    </message>
</context>
</TS>
