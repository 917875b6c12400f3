// The application object and the main dialog (template 107).
#pragma once

#include "job.h"
#include "velmor_dialog.h"

#include <memory>
#include <string>

class QLineEdit;
class QListWidget;
class QTableWidget;
class MainDialogWindow;

namespace Ui {
class MainDialog;
}

// The application object: one per process, created before the first main
// dialog and kept across its re-creation after a change of language.
class MainDialog {
public:
    // The main dialog now shown; null between two showings.
    MainDialogWindow* window = nullptr;
    // The counters of the last run.
    RunStatistics statistics;
    // True while a job runs; the main dialog takes no command then.
    bool runUnderWay = false;
    // A profile named on the command line: the first main dialog starts
    // with it loaded (then it is cleared, so a change of language does not
    // load it again).
    std::string startProfile;
};

class MainDialogWindow : public VelmorDialog {
    Q_OBJECT
public:
    explicit MainDialogWindow(MainDialog& app, QWidget* parent = nullptr);
    ~MainDialogWindow() override;

    MainDialog& App() const { return app_; }
    QListWidget* DirectoryList() const;
    QListWidget* FileGroupList() const;
    QTableWidget* ReplacementList() const;

protected:
    void OnCommand(int id, int notification) override;
    // The program title and the list view's column captions follow the
    // template's language.
    void TemplateTranslated() override;

private:
    void Initialize();
    void OpenStartProfile(const std::string& path);
    // The notifications of the replacement list view.
    void OnListViewNotify(int code);

    MainDialog& app_;
    std::unique_ptr<Ui::MainDialog> ui_;
};

// Sets the main dialog's caption: the program title, two blanks and the
// version, at most 99 characters.
void UpdateTitle(MainDialogWindow& window);
// The caption UpdateTitle makes from a title and a version text.
std::string ComposeTitle(const std::string& title, const std::string& version);

// Shows the main dialog once and gives its end code.
int RunMainDialog(MainDialog& app);
// The process after start-up: the main dialog (with `profile` loaded when
// one is named), again after each change of language, then the end. Gives
// the exit code (0).
int RunProgram(const std::string& profile = {});
