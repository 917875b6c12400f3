// The tester of the replacement list: for sample lines typed or pasted by the
// user, what the chain of pairs does to each line, pair by pair, under the
// options of the job it is given (position, column, coding, letter case,
// escapes, regular expressions, strips). Read-only: it never changes the job.
#pragma once

#include "job.h"
#include "velmor_dialog.h"

#include <memory>
#include <string>

namespace Ui {
class ReplacementTesterDialog;
}

enum ReplacementTesterControl : int {
    kIdSampleLines = 1080,
    kIdTesterResult = 1081,
};

class ReplacementTesterDialog : public VelmorDialog {
    Q_OBJECT
public:
    ReplacementTesterDialog(QWidget* owner, const Job& job);
    ~ReplacementTesterDialog() override;

    // The result for the sample lines as they stand now, as plain text (what
    // the result view shows, without the highlighting).
    QString ResultText() const;

protected:
    void OnCommand(int id, int notification) override;
    void TemplateTranslated() override;

private:
    void ShowResult();

    Job job_;
    std::unique_ptr<Ui::ReplacementTesterDialog> ui_;
};

// The result of the tester for `sample` (lines separated by LF, UTF-8) under
// `job`, as HTML with the changed parts highlighted.
QString TraceAsHtml(const Job& job, const std::string& sample);

// Runs the tester modally over `owner`.
void RunReplacementTester(QWidget* owner, const Job& job);
