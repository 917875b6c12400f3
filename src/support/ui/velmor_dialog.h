// Dialogs addressed by control id.
//
// A dialog is built from a Designer template whose controls carry their
// numeric id in the dynamic property "controlId". VelmorDialog finds them by
// that id and turns their signals into (id, notification) commands that one
// dispatch function handles, so a dialog's command table reads like code.
// The control helpers read and set controls by id.
#pragma once

#include <QDialog>
#include <QString>
#include <functional>
#include <initializer_list>
#include <map>
#include <string>
#include <string_view>
#include <vector>

class QTableWidget;

// Notification codes carried with a command.
enum Notification : int {
    kNotifyClicked = 0,          // a button was pressed
    kNotifySelectionChanged = 1, // the selection of a list box changed
    kNotifyDoubleClick = 2,      // double click on a list box entry
    kNotifyTextChanged = 0x300,  // an edit's text changed (after it is shown)
    kNotifyTextUpdate = 0x400,   // an edit's text changed (before it is shown)
    kNotifyItemChanged = -101,   // the state of a list view item changed
    kNotifyRightClick = -5,      // right click on a list view
    kNotifyListDoubleClick = -3, // double click on a list view
};

// The command ids every dialog shares.
inline constexpr int kIdOk = 1;
inline constexpr int kIdCancel = 2; // also Escape and the close box

// The name of the dynamic property that holds a control's id.
inline constexpr char kControlIdProperty[] = "controlId";
// The name of the dynamic property that holds a size in dialog units.
inline constexpr char kDialogUnitsProperty[] = "duSize";

QString ToQString(std::string_view utf8);
std::string ToUtf8(const QString& text);
// A caption as it reads without its mnemonic: a single '&' dropped, "&&"
// read as '&' (for accessible names, which carry no mnemonic).
QString WithoutMnemonic(const QString& caption);
// Makes the value a control shows (a counter, the folder being read) known to
// assistive technology: the accessible name becomes the control's caption
// (its accessible name as the template gave it), a colon and the value, and
// the accessible description the value alone.
void ExposeValue(QWidget* control, const QString& value);
// The first `count` characters of a UTF-8 text.
std::string FirstCharacters(std::string_view utf8, int count);

class VelmorDialog : public QDialog {
    Q_OBJECT
public:
    explicit VelmorDialog(QWidget* parent = nullptr);

    // Builds the dialog from its Designer form (a uic class with setupUi and
    // retranslateUi, kept alive by the caller for the dialog's lifetime) and
    // binds its controls.
    template <class Form> void SetUpTemplate(Form& form) {
        form.setupUi(this);
        retranslate_ = [this, &form] { form.retranslateUi(this); };
        BindControls();
    }
    // Puts the template's texts into the current language again, then the
    // texts the dialog sets itself (TemplateTranslated).
    void RetranslateTemplate();

    // Finds every control that carries an id and connects its signals to
    // OnCommand. Push buttons get autoDefault off, so only the template's
    // default button (if any) answers the Enter key. Sizes given in dialog
    // units (the property "duSize") become minimum sizes, and the dialog's
    // own one its initial size. Call once after the template has been set up.
    void BindControls();

    // The control with that id, or null.
    QWidget* Control(int id) const;
    template <class T> T* ControlAs(int id) const { return qobject_cast<T*>(Control(id)); }

    // Ends the dialog with `code` (the result of RunModalDialog).
    void EndDialog(int code) { done(code); }

    // Handles a command now, as if the control had sent it.
    void SendCommand(int id, int notification) { OnCommand(id, notification); }
    // Handles a command once control returns to the event loop.
    void PostCommand(int id, int notification);

    // Sets the dialog's size from dialog units: a horizontal unit is a
    // quarter of the font's average character width, a vertical unit an
    // eighth of its height. Never smaller than what the layout needs.
    void SetDialogUnitSize(int width, int height);
    QSize DialogUnitsToPixels(QSize units) const;

protected:
    // Called after the template's texts were put into the current language:
    // a dialog sets here the texts it does not take from its template.
    virtual void TemplateTranslated() {}
    // One command of a control. The default handles nothing.
    virtual void OnCommand(int id, int notification);
    // Escape and the close box arrive as command 2; the dialog ends only when
    // the handler ends it.
    void reject() override;
    // Ctrl+Tab and Ctrl+Shift+Tab move the focus on from any control, also
    // from one that keeps Tab for itself, and from one that ignores them.
    void keyPressEvent(QKeyEvent* event) override;

private:
    void Bind(QWidget* control, int id);
    std::map<int, QWidget*> controls_;
    std::function<void()> retranslate_;
};

// Runs `dialog` modally over its parent and gives its end code.
int RunModalDialog(VelmorDialog& dialog);

// The check state of a button; any checked state counts (never tristate).
bool IsButtonChecked(const VelmorDialog& dialog, int id);
// Checks the button for any nonzero `state`, else unchecks it; a radio
// button can be unchecked too, so a group can end with none checked.
void SetButtonCheck(VelmorDialog& dialog, int id, int state);
// Checks `checkId` and unchecks every other button of first..last; an id
// outside the range clears the whole group.
void CheckRadioButton(VelmorDialog& dialog, int first, int last, int checkId);
// The id of the first checked button of first..last in ascending order;
// `first` when none is checked.
int GetCheckedRadio(const VelmorDialog& dialog, int first, int last);

// Sets the text (caption, title) of a control; the empty text for null.
void SetControlText(VelmorDialog& dialog, int id, const char* text);
void SetControlText(VelmorDialog& dialog, int id, std::string_view text);
// The control's text as UTF-8, at most size-1 characters; the empty text
// when size is below 1.
std::string GetControlText(const VelmorDialog& dialog, int id, int size);
// The control's whole text.
std::string GetControlText(const VelmorDialog& dialog, int id);

// Enables or disables every control of the list, in list order.
void EnableControls(VelmorDialog& dialog, std::initializer_list<int> ids, bool enable);
void EnableControls(VelmorDialog& dialog, const std::vector<int>& ids, bool enable);

// Inserts a list view column whose caption is string `stringId` of the
// string table in the current language.
void InsertListViewColumn(QTableWidget* listView, int column, int stringId, int a, int b);
