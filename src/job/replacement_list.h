// The replacement list: dialogs 109 "Ersetzung hinzufügen" and 113
// "Ersetzung ändern", removing the selected rows, and the list's context
// menu.
#pragma once

#include "velmor_dialog.h"

#include <memory>
#include <string>

class MainDialogWindow;
class QMenu;

namespace Ui {
class ReplacementDialog;
}

enum ReplacementControl : int {
    kIdSearchEdit = 1002,
    kIdReplacementEdit = 1003,
};

// The items of the context menu (menu 113).
enum ReplacementMenuItem : int {
    kMenuDelete = 40001,         // "Löschen"
    kMenuEdit = 40002,           // "Ändern"
    kMenuAddReplacement = 40003, // "Ersetzung hinzufügen"
};

// At most this many characters of each text are taken from the dialogs.
inline constexpr int kReplacementTextSize = 500;

// True when the two texts are equal with the letters A-Z compared without
// regard to case; every other byte must be equal as it is.
bool EqualIgnoringAsciiCase(const std::string& a, const std::string& b);

class ReplacementDialog : public VelmorDialog {
    Q_OBJECT
public:
    enum class Mode { Add, Edit };
    // Edit fills the fields from the first selected row of the list.
    ReplacementDialog(MainDialogWindow& main, Mode mode);
    ~ReplacementDialog() override;

protected:
    void OnCommand(int id, int notification) override;
    // Dialog 113 shares the template of 109 under its own caption.
    void TemplateTranslated() override;

private:
    void Accept();

    MainDialogWindow& main_;
    Mode mode_;
    std::unique_ptr<Ui::ReplacementDialog> ui_;
};

// Dialog 109; the rules are applied again when a pair was added. Gives 1
// when a pair was added, 2 when the dialog was cancelled.
int AddReplacement(MainDialogWindow& window);
// Dialog 113 on the first selected row; nothing (2) when no row is selected.
int EditReplacement(MainDialogWindow& window);
// Deletes every selected row, then applies the rules.
void RemoveReplacements(MainDialogWindow& window);

// The context menu for `selected` selected rows: "Ändern" only for exactly
// one, "Löschen" for at least one, "Ersetzung hinzufügen" always. Each
// action carries its item id as data.
std::unique_ptr<QMenu> BuildReplacementMenu(QWidget* owner, int selected);
// Shows the context menu at the mouse and carries out the item chosen.
void ShowReplacementMenu(MainDialogWindow& window);
