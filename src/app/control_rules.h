// The main dialog's control rules: which controls are enabled in which
// state, and the checks a job must pass before it starts.
#pragma once

#include "main_controls.h"

#include <vector>

class MainDialogWindow;

// The state of the main dialog that the rules look at.
struct ControlInputs {
    bool replacing = true;                   // 1052 checked
    int dateRadio = kIdAllFiles;             // checked date radio (the first when none)
    int positionRadio = kIdPositionAnywhere; // checked position radio (the first when none)
    bool directorySelected = false;          // an entry of list 1007 is selected
    bool fileGroupSelected = false;          // an entry of list 1005 is selected
    bool replacementSelected = false;        // a row of list view 1058 is selected
};

// One line of the rules: these controls, enabled or disabled. Lines are
// applied in order, so a later line decides for a control named twice.
struct ControlRule {
    std::vector<int> ids;
    bool enable = false;
};

// The rules for `inputs`, in the order they are applied. Controls that no
// line names are never touched.
std::vector<ControlRule> ComputeControlStates(const ControlInputs& inputs);

// The state of `window` as the rules see it.
ControlInputs CaptureControlInputs(const MainDialogWindow& window);

// Reads the dialog's state and enables and disables its controls.
void UpdateControlStates(MainDialogWindow& window);

// Checks the job before Start, in this order: with a date filter, the
// comparison date (message 2001) and time (2002), each rewritten in its
// standard form once valid; at least one directory (2003); at least one file
// group (2004). On a failure the message is shown and the focus goes to the
// control at fault. Gives 1 when the job may start, 2 when it may not.
int CheckStartConditions(MainDialogWindow& window);
