// The control ids of the main dialog (template 107).
#pragma once

enum MainControl : int {
    kIdManual = 9,             // "Handbuch..."
    kIdLanguage = 10,          // "Sprache..."
    kIdTranslate = 11,         // "TA", hidden
    kIdFileGroupList = 1005,   // list "Dateien oder Dateigruppen"
    kIdStart = 1006,           // "Starten", the default button
    kIdDirectoryList = 1007,   // list "Verzeichnisse"
    kIdAbout = 1014,           // "Über..."
    kIdAddFileGroup = 1018,    // "Hinzufügen..." under the file groups
    kIdRemoveFileGroup = 1019, // "Entfernen" under the file groups
    kIdAddDirectory = 1022,    // "Hinzufügen..." under the directories
    kIdRemoveDirectory = 1023, // "Entfernen" under the directories
    kIdCompareDate = 1024,     // edit "Datum"
    kIdAddReplacement = 1025,
    kIdRemoveReplacement = 1027,
    kIdEditReplacement = 1028,
    kIdCompareTime = 1031, // edit "Uhrzeit"
    kIdLoadProfile = 1032,
    kIdPositionColumn = 1033, // edit beside "nur an der Position "
    kIdSubdirs = 1036,
    kIdDateLabel = 1037,
    kIdTimeLabel = 1038,
    kIdStripLeadingSpaces = 1041,
    kIdStripTrailingSpaces = 1042,
    kIdDeleteEmptyLines = 1043,
    kIdStripLeadingTabs = 1044,
    kIdStripTrailingTabs = 1045,
    kIdCapsLock = 1046,
    kIdPositionAnywhere = 1047,
    kIdPositionLineStart = 1048,
    kIdPositionLineEnd = 1049,
    kIdPositionColumnRadio = 1050,
    kIdPerformReplace = 1052,
    kIdExpandEscape = 1054,
    kIdAllFiles = 1055,
    kIdNewerOrEqual = 1056,
    kIdOlder = 1057,
    kIdReplacementList = 1058,
    kIdReplacementFrame = 1059,
    kIdPositionFrame = 1060,
    kIdReplaceOptionsFrame = 1061,
    kIdSaveProfile = 1062,
    kIdConfirm = 1066,
    kIdCodeIso = 1068,
    kIdCodeAscii = 1069,
    kIdCodeFrame = 1070,
    kIdCodeUtf8 = 1074,         // "UTF-8"
    kIdKeepLineEnds = 1075,     // "Zeilenenden der Datei beibehalten"
    kIdRegex = 1076,            // "Suchbegriffe sind reguläre Ausdrücke"
    kIdTestReplacements = 1077, // "Ersetzungen testen..."
};

// The radio groups: control id -> the number a profile stores, ended by
// (-1, -1).
struct RadioValue {
    int id;
    int value;
};
inline constexpr RadioValue PositionValues[] = {{kIdPositionAnywhere, 1},
                                                {kIdPositionLineStart, 2},
                                                {kIdPositionLineEnd, 4},
                                                {kIdPositionColumnRadio, 8},
                                                {-1, -1}};
inline constexpr RadioValue DateDependencyValues[] = {
    {kIdAllFiles, 0}, {kIdNewerOrEqual, 1}, {kIdOlder, 2}, {-1, -1}};
inline constexpr RadioValue CodeValues[] = {
    {kIdCodeIso, 1}, {kIdCodeAscii, 2}, {kIdCodeUtf8, 4}, {-1, -1}};

// The number of the first pair with that id, or -1.
inline int ValueOfRadio(int id, const RadioValue* table) {
    for (; table->id != -1 || table->value != -1; ++table) {
        if (table->id == id) {
            return table->value;
        }
    }
    return -1;
}

// The id of the first pair with that number, or -1.
inline int RadioOfValue(int value, const RadioValue* table) {
    for (; table->id != -1 || table->value != -1; ++table) {
        if (table->value == value) {
            return table->id;
        }
    }
    return -1;
}
