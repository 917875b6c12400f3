// The replacement list: dialogs 109 "Ersetzung hinzufügen" and 113
// "Ersetzung ändern" on a replacement row, and the commands of the list view
// of replacement pairs (add, change, remove, the context menu) on the list
// they are given. Applying the main dialog's control rules afterwards is the
// caller's.
#pragma once

#include "job.h"
#include "velmor_dialog.h"

#include <memory>
#include <optional>
#include <string>

class QMenu;
class QTableWidget;

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
    kMenuTest = 40004,           // "Ersetzungen testen..."
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
    // The fields start with the texts of `initial`, each cut to 499
    // characters.
    ReplacementDialog(QWidget* owner, Mode mode, const ReplacementRow& initial = {});
    ~ReplacementDialog() override;

    // The pair OK accepted; set once the dialog has ended with 1.
    const ReplacementRow& Accepted() const { return accepted_; }

protected:
    void OnCommand(int id, int notification) override;
    // Dialog 113 shares the template of 109 under its own caption.
    void TemplateTranslated() override;

private:
    void Accept();

    Mode mode_;
    ReplacementRow accepted_;
    std::unique_ptr<Ui::ReplacementDialog> ui_;
};

// Runs dialog 109 (Add) or 113 (Edit) modally over `owner`, its fields filled
// from `initial`. OK with an empty search text shows 2005 and keeps the
// dialog open; an empty replacement (2500) and a replacement equal to the
// search text (2501; for Edit with A-Z folded) are noticed and accepted.
// Gives the pair accepted, each text at most 499 characters; nothing when
// the dialog was cancelled.
std::optional<ReplacementRow> RunReplacementDialog(QWidget* owner, ReplacementDialog::Mode mode,
                                                   const ReplacementRow& initial = {});

// Dialog 109 over `owner`; the pair accepted is appended to `list`, added to
// its selection and scrolled into view. True when a pair was added.
bool AddReplacement(QWidget* owner, QTableWidget* list);
// Dialog 113 over `owner` on the first selected row of `list`, which takes
// the pair accepted. True when the row was changed; false when it was
// cancelled or no row is selected (then no dialog opens).
bool EditReplacement(QWidget* owner, QTableWidget* list);
// Deletes every selected row of `list`.
void RemoveReplacements(QTableWidget* list);

// The context menu for `selected` selected rows: "Ändern" only for exactly
// one, "Löschen" for at least one, "Ersetzung hinzufügen" and "Ersetzungen
// testen..." always. Each action carries its item id as data.
std::unique_ptr<QMenu> BuildReplacementMenu(QWidget* owner, int selected);
// Shows the context menu for the selection of `list` at the mouse and gives
// the item chosen (a ReplacementMenuItem), 0 when none was.
int ChooseReplacementMenuItem(QTableWidget* list);
