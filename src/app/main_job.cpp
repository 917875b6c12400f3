#include "main_job.h"

#include "list_controls.h"
#include "main_controls.h"
#include "main_dialog.h"

#include <QTableWidget>

namespace {

// The check boxes of a profile with their controls.
struct CheckValue {
    int id;
    std::int32_t Profile::*value;
};

const CheckValue kCheckValues[] = {
    {kIdPerformReplace, &Profile::PerformReplace},
    {kIdDeleteEmptyLines, &Profile::DeleteEmptyLines},
    {kIdStripLeadingSpaces, &Profile::StripLeadingSpaces},
    {kIdStripTrailingSpaces, &Profile::StripTrailingSpaces},
    {kIdStripLeadingTabs, &Profile::StripLeadingTabs},
    {kIdStripTrailingTabs, &Profile::StripTrailingTabs},
    {kIdSubdirs, &Profile::Subdirs},
    {kIdExpandEscape, &Profile::ExpandEscape},
    {kIdCapsLock, &Profile::CapsLock},
    {kIdConfirm, &Profile::Confirm},
    {kIdKeepLineEnds, &Profile::KeepLineEnds},
    {kIdRegex, &Profile::Regex},
};

// A date or time edit holds at most 99 characters of a profile's text.
constexpr int kDateTextSize = 100;

} // namespace

Profile ProfileFromDialog(const MainDialogWindow& window) {
    Profile profile;
    profile.Directories = BoxEntries(window.DirectoryList());
    profile.Files = BoxEntries(window.FileGroupList());
    for (const ListRow& row : ListViewRows(window.ReplacementList())) {
        profile.Replace.push_back({row.first, row.second});
    }
    profile.Position = ValueOfRadio(
        GetCheckedRadio(window, kIdPositionAnywhere, kIdPositionColumnRadio), PositionValues);
    profile.DateDependency =
        ValueOfRadio(GetCheckedRadio(window, kIdAllFiles, kIdOlder), DateDependencyValues);
    profile.Code = ValueOfRadio(GetCheckedRadio(window, kIdCodeIso, kIdCodeUtf8), CodeValues);
    for (const CheckValue& check : kCheckValues) {
        profile.*check.value = IsButtonChecked(window, check.id) ? 1 : 0;
    }
    profile.CompareDate = GetControlText(window, kIdCompareDate, kDateTextSize);
    profile.CompareTime = GetControlText(window, kIdCompareTime, kDateTextSize);
    return profile;
}

void ApplyProfileToDialog(MainDialogWindow& window, const Profile& profile) {
    Velmor_FillBox(window.DirectoryList(), profile.Directories);
    Velmor_FillBox(window.FileGroupList(), profile.Files);
    QTableWidget* list = window.ReplacementList();
    ListViewDeleteAll(list);
    for (const ReplacementRow& row : profile.Replace) {
        ListViewAppendRow(list, {row.search, row.replacement});
    }
    CheckRadioButton(window, kIdPositionAnywhere, kIdPositionColumnRadio,
                     RadioOfValue(profile.Position, PositionValues));
    CheckRadioButton(window, kIdAllFiles, kIdOlder,
                     RadioOfValue(profile.DateDependency, DateDependencyValues));
    CheckRadioButton(window, kIdCodeIso, kIdCodeUtf8, RadioOfValue(profile.Code, CodeValues));
    for (const CheckValue& check : kCheckValues) {
        SetButtonCheck(window, check.id, profile.*check.value);
    }
    SetControlText(window, kIdCompareDate, FirstCharacters(profile.CompareDate, kDateTextSize - 1));
    SetControlText(window, kIdCompareTime, FirstCharacters(profile.CompareTime, kDateTextSize - 1));
}

Job ReadJobFromDialog(const MainDialogWindow& window) {
    return JobFromProfile(ProfileFromDialog(window),
                          ParseColumnNumber(GetControlText(window, kIdPositionColumn)));
}
