#include "control_rules.h"

#include "list_controls.h"
#include "main_dialog.h"
#include "main_job.h"
#include "message_box.h"
#include "start_check.h"
#include "string_table.h"

#include <QLineEdit>
#include <QListWidget>

std::vector<ControlRule> ComputeControlStates(const ControlInputs& inputs) {
    bool dated = inputs.dateRadio == kIdNewerOrEqual || inputs.dateRadio == kIdOlder;
    std::vector<ControlRule> rules = {
        {{kIdCompareDate, kIdCompareTime, kIdDateLabel, kIdTimeLabel}, dated},
        {{kIdRemoveDirectory}, inputs.directorySelected},
        {{kIdRemoveFileGroup}, inputs.fileGroupSelected},
        {{kIdReplacementFrame,
          kIdReplacementList,
          kIdAddReplacement,
          kIdRemoveReplacement,
          kIdEditReplacement,
          kIdTestReplacements,
          kIdPositionFrame,
          kIdPositionAnywhere,
          kIdPositionLineStart,
          kIdPositionLineEnd,
          kIdPositionColumnRadio,
          kIdPositionColumn,
          kIdReplaceOptionsFrame,
          kIdExpandEscape,
          kIdCapsLock,
          kIdRegex,
          kIdCodeFrame,
          kIdCodeIso,
          kIdCodeAscii,
          kIdCodeUtf8},
         inputs.replacing},
    };
    if (inputs.replacing) {
        rules.push_back({{kIdRemoveReplacement, kIdEditReplacement}, inputs.replacementSelected});
        rules.push_back({{kIdPositionColumn}, inputs.positionRadio == kIdPositionColumnRadio});
    }
    return rules;
}

ControlInputs CaptureControlInputs(const MainDialogWindow& window) {
    ControlInputs inputs;
    inputs.replacing = IsButtonChecked(window, kIdPerformReplace);
    inputs.dateRadio = GetCheckedRadio(window, kIdAllFiles, kIdOlder);
    inputs.positionRadio = GetCheckedRadio(window, kIdPositionAnywhere, kIdPositionColumnRadio);
    inputs.directorySelected = Velmor_GetBoxIndex(window.DirectoryList()) >= 0;
    inputs.fileGroupSelected = Velmor_GetBoxIndex(window.FileGroupList()) >= 0;
    inputs.replacementSelected = ListViewNextSelected(window.ReplacementList(), -1) >= 0;
    return inputs;
}

void UpdateControlStates(MainDialogWindow& window) {
    for (const ControlRule& rule : ComputeControlStates(CaptureControlInputs(window))) {
        EnableControls(window, rule.ids, rule.enable);
    }
}

namespace {

// The control the focus goes to when the start is refused.
int ControlOf(StartProblem problem) {
    switch (problem) {
    case StartProblem::InvalidDate:
        return kIdCompareDate;
    case StartProblem::InvalidTime:
        return kIdCompareTime;
    case StartProblem::NoDirectory:
        return kIdDirectoryList;
    default:
        return kIdFileGroupList;
    }
}

} // namespace

int CheckStartConditions(MainDialogWindow& window) {
    const Job job = ReadJobFromDialog(window);
    const StartCheck check = CheckStart(job);
    if (HasDateFilter(job)) {
        // What is valid is shown in its standard form, also when the start
        // is refused for another reason.
        if (check.problem != StartProblem::InvalidDate) {
            SetControlText(window, kIdCompareDate, check.compareDate);
            if (check.problem != StartProblem::InvalidTime) {
                SetControlText(window, kIdCompareTime, check.compareTime);
            }
        }
    }
    if (check.ok()) {
        return 1;
    }
    ShowMessage(StartProblemMessage(check.problem));
    if (QWidget* control = window.Control(ControlOf(check.problem))) {
        control->setFocus(Qt::OtherFocusReason);
    }
    return 2;
}
