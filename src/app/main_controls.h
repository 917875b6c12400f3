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
    kIdCodeUtf8 = 1074,     // "UTF-8"
    kIdKeepLineEnds = 1075, // "Zeilenenden der Datei beibehalten"
};
