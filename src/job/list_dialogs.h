// The directory list and the file-group list: the entry dialogs 114
// "Verzeichnis hinzufügen" and 112 "Datei oder Dateigruppe hinzufügen", the
// filter that refuses forbidden characters while the user types, the
// directory chooser, and removing an entry.
#pragma once

#include "velmor_dialog.h"

#include <memory>

class MainDialogWindow;
class QListWidget;
class QLineEdit;

namespace Ui {
class AddDirectoryDialog;
class AddWildcardDialog;
} // namespace Ui

// Characters a directory entry may not hold. '/' separates the parts of a
// path here, so it is allowed.
inline constexpr char ForbiddenDirectoryChars[] = "\"%*?#()+!{|}[],";
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

// Lets the user choose a directory for the edit `id` (starting at the
// directory typed there). The chosen directory replaces the whole text. A
// directory whose name holds a forbidden character is refused with a beep
// and the text stays. Gives 1 when a directory was put into the edit, else 2.
int ChooseDirectory(VelmorDialog& dialog, int id);

class AddDirectoryDialog : public VelmorDialog {
    Q_OBJECT
public:
    AddDirectoryDialog(MainDialogWindow& main);
    ~AddDirectoryDialog() override;

protected:
    void OnCommand(int id, int notification) override;

private:
    MainDialogWindow& main_;
    std::unique_ptr<Ui::AddDirectoryDialog> ui_;
};

class AddWildcardDialog : public VelmorDialog {
    Q_OBJECT
public:
    AddWildcardDialog(MainDialogWindow& main);
    ~AddWildcardDialog() override;

protected:
    void OnCommand(int id, int notification) override;

private:
    MainDialogWindow& main_;
    std::unique_ptr<Ui::AddWildcardDialog> ui_;
};

// The commands of the main dialog: run an entry dialog, then apply the
// control rules whatever it ended with.
void AddDirectories(MainDialogWindow& window);
void AddFileGroups(MainDialogWindow& window);
// Remove the selected entry; the entry that moves into its place becomes the
// selected one. Nothing happens without a selection.
void RemoveDirectory(MainDialogWindow& window);
void RemoveFileGroup(MainDialogWindow& window);
