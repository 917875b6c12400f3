// The directory list and the file-group list: the entry dialogs 114
// "Verzeichnis hinzufügen" and 112 "Datei oder Dateigruppe hinzufügen", the
// filter that refuses forbidden characters while the user types, the
// directory chooser, and removing an entry. Each works on the list box it is
// given; applying the main dialog's control rules afterwards is the caller's.
#pragma once

#include "velmor_dialog.h"

#include <memory>

class QListWidget;

namespace Ui {
class AddDirectoryDialog;
class AddWildcardDialog;
} // namespace Ui

// Characters a directory entry may not hold: the wildcards, which a
// directory name would be misread as, and the control characters, which the
// one-line list texts cannot carry. Everything else (blanks, brackets,
// '#', '%', '+', ',' ...) is an ordinary part of a directory name. ';' may
// be typed, since it separates the entries of the field.
inline constexpr char ForbiddenDirectoryChars[] =
    "*?\x01\x02\x03\x04\x05\x06\x07\x08\x09\x0A\x0B\x0C\x0D\x0E\x0F"
    "\x10\x11\x12\x13\x14\x15\x16\x17\x18\x19\x1A\x1B\x1C\x1D\x1E\x1F\x7F";
// Characters a file-group entry may not hold.
inline constexpr char ForbiddenFileGroupChars[] = "\"\\:%#()/+!{|}[],";

enum EntryControl : int {
    kIdChooseDirectory = 3, // "wählen..."
    kIdFileGroupEdit = 1063,
    kIdDirectoryEdit = 1064,
};

// True when `text` holds none of the characters of `set`; false when either
// is missing.
bool ContainsNoneOf(const char* text, const char* set);

// Run on every change of an edit's text: while the text holds a character of
// `set`, beep and delete the character before the caret (or the selected
// text), as a backspace would. A typed forbidden character so vanishes at
// once; a pasted text loses the characters before the caret one by one until
// the forbidden ones are gone or nothing before the caret is left.
void FilterForbiddenInput(VelmorDialog& dialog, int id, const char* set);

// The first character of `directory` that a directory entry cannot hold
// (one of ForbiddenDirectoryChars, or ';', which would split the entry in
// two), shown as the user reads it (a control character in escape
// notation); empty when there is none.
std::string RefusedDirectoryCharacter(const std::string& directory);

// Lets the user choose a directory for the edit `id` (starting at the
// directory typed there). The chosen directory replaces the whole text. A
// directory whose name holds a character an entry cannot hold is refused
// with message 2027 naming the directory and the character, and the text
// stays. Gives 1 when a directory was put into the edit, else 2.
int ChooseDirectory(VelmorDialog& dialog, int id);

class AddDirectoryDialog : public VelmorDialog {
    Q_OBJECT
public:
    // On OK the entries typed join `list`.
    AddDirectoryDialog(QWidget* owner, QListWidget* list);
    ~AddDirectoryDialog() override;

protected:
    void OnCommand(int id, int notification) override;

private:
    QListWidget* list_;
    std::unique_ptr<Ui::AddDirectoryDialog> ui_;
};

class AddWildcardDialog : public VelmorDialog {
    Q_OBJECT
public:
    // On OK the entries typed join `list`.
    AddWildcardDialog(QWidget* owner, QListWidget* list);
    ~AddWildcardDialog() override;

protected:
    void OnCommand(int id, int notification) override;

private:
    QListWidget* list_;
    std::unique_ptr<Ui::AddWildcardDialog> ui_;
};

// Run dialog 114 or 112 modally over `owner`; on OK its entries join `list`
// (split at ";", blanks around an entry dropped, an entry the list holds
// already not added again). Give the dialog's end code: 1 when OK added the
// text, 2 when it was cancelled.
int AddDirectories(QWidget* owner, QListWidget* list);
int AddFileGroups(QWidget* owner, QListWidget* list);
// Removes the selected entry of `list`; the entry that moves into its place
// becomes the selected one (the new last one after the last was removed).
// Without a selection nothing happens and the result is false.
bool RemoveSelectedEntry(QListWidget* list);
