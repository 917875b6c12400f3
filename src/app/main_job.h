// The job as the main dialog holds it: read into a profile or a job record,
// and set from a profile.
#pragma once

#include "job.h"
#include "profile.h"

class MainDialogWindow;

// All eighteen profile values from the controls, as they stand (a radio group
// with no button checked reads as its first button).
Profile ProfileFromDialog(const MainDialogWindow& window);
// Sets every control a profile holds; the position column stays as it is.
// A number that no radio button of a group holds clears that group. The date
// and time come last. The caller applies the control rules afterwards: an
// edit whose text stays the same sends no change notification.
void ApplyProfileToDialog(MainDialogWindow& window, const Profile& profile);
// The job Start hands to the engine: the profile values and the position
// column.
Job ReadJobFromDialog(const MainDialogWindow& window);
