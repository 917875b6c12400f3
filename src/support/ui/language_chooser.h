// The language chooser: a small dialog that offers the interface languages,
// each under its own name, with the current one preselected.
#pragma once

#include <QDialog>
#include <functional>
#include <string>
#include <vector>

class QDialogButtonBox;
class QListWidget;
class QPushButton;

// The name a language goes by in itself ("English", "Deutsch"), so a user
// finds it whatever the interface now shows; other codes by their number.
std::string LanguageName(int language);

class LanguageChooser : public QDialog {
    Q_OBJECT
public:
    // `languages` in the order offered; `current` is preselected when it is
    // one of them, else nothing is (and OK waits for a choice).
    LanguageChooser(QWidget* owner, std::vector<int> languages, int current);

    // The code of the selected language; 0 when none is selected.
    int Chosen() const;
    QListWidget* List() const { return list_; }

private:
    void UpdateOk();

    std::vector<int> languages_;
    QListWidget* list_ = nullptr;
    QDialogButtonBox* buttons_ = nullptr;
    QPushButton* ok_ = nullptr;
};

// Tests answer the chooser through this hook: while one is installed it is
// called instead of showing the dialog, with the languages offered and the
// current one, and its result is the chooser's result.
using LanguageChooserHook = std::function<int(const std::vector<int>& offered, int current)>;
void SetLanguageChooserHook(LanguageChooserHook hook);

// Lets the user choose one of `languages` (a list ended by 0) in a dialog
// modal over `owner`. Gives the chosen code, or `current` when the user
// cancelled. `flags` is reserved (0).
int Velmor_SelectLanguage(QWidget* owner, const int* languages, int current, int flags);
