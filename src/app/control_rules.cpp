#include "control_rules.h"

#include "date_time.h"
#include "list_controls.h"
#include "main_dialog.h"
#include "program.h"
#include "string_table.h"

#include <QLineEdit>
#include <QListWidget>

std::vector<ControlRule> ComputeControlStates(const ControlInputs& inputs) {
    bool dated = inputs.dateRadio == kIdNewerOrEqual || inputs.dateRadio == kIdOlder;
    std::vector<ControlRule> rules = {
        {{kIdCompareDate, kIdCompareTime, kIdDateLabel, kIdTimeLabel}, dated},
        {{kIdRemoveDirectory}, inputs.directorySelected},
        {{kIdRemoveFileGroup}, inputs.fileGroupSelected},
        {{kIdReplacementFrame, kIdReplacementList, kIdAddReplacement, kIdRemoveReplacement,
          kIdEditReplacement, kIdPositionFrame, kIdPositionAnywhere, kIdPositionLineStart,
          kIdPositionLineEnd, kIdPositionColumnRadio, kIdPositionColumn, kIdReplaceOptionsFrame,
          kIdExpandEscape, kIdCapsLock, kIdCodeFrame, kIdCodeIso, kIdCodeAscii, kIdCodeUtf8},
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
// The edits hold at most 99 characters of date or time text.
constexpr int kDateTextSize = 100;

int Refuse(MainDialogWindow& window, int messageId, int focusId) {
    ShowMessage(messageId);
    if (QWidget* control = window.Control(focusId)) {
        control->setFocus(Qt::OtherFocusReason);
    }
    return 2;
}
} // namespace

int CheckStartConditions(MainDialogWindow& window) {
    int dateRadio = GetCheckedRadio(window, kIdAllFiles, kIdOlder);
    if (dateRadio == kIdNewerOrEqual || dateRadio == kIdOlder) {
        DateTimeStruct record;
        std::string date = GetControlText(window, kIdCompareDate, kDateTextSize);
        if (FormattedDate_To_DateTimeStruct(date, record, 0) < 0) {
            return Refuse(window, kMsgInvalidDate, kIdCompareDate);
        }
        SetControlText(window, kIdCompareDate, DateTimeStruct_To_FormattedDate(record, 0));
        std::string time = GetControlText(window, kIdCompareTime, kDateTextSize);
        if (FormattedTime_To_DateTimeStruct(time, record, 0) < 0) {
            return Refuse(window, kMsgInvalidTime, kIdCompareTime);
        }
        SetControlText(window, kIdCompareTime, DateTimeStruct_To_FormattedTime(record, 0));
    }
    if (Velmor_GetBoxCount(window.DirectoryList()) <= 0) {
        return Refuse(window, kMsgNoDirectory, kIdDirectoryList);
    }
    if (Velmor_GetBoxCount(window.FileGroupList()) <= 0) {
        return Refuse(window, kMsgNoFileGroup, kIdFileGroupList);
    }
    return 1;
}
