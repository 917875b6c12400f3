#include "profile.h"

#include "escape_notation.h"
#include "list_text.h"
#include "velmor_strings.h"

#include <initializer_list>
#include <utility>

namespace {

constexpr std::size_t kMaxDateTimeText = 99;

// Cuts a date or time text to what its edit field holds, never inside a
// UTF-8 character.
std::string CutEditText(std::string text) {
    if (text.size() <= kMaxDateTimeText) {
        return text;
    }
    std::size_t cut = kMaxDateTimeText;
    while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) {
        --cut;
    }
    text.resize(cut);
    return text;
}

std::string EncodeList(const std::vector<std::string>& entries) {
    return Velmor_EncodeString(JoinWith(entries, '\t'));
}

std::vector<std::string> DecodeList(std::string text) {
    Velmor_DecodeString(text);
    return SplitAt(text, '\t');
}

std::string EncodeRows(const std::vector<ReplacementRow>& rows) {
    std::vector<ListRow> listRows;
    listRows.reserve(rows.size());
    for (const ReplacementRow& row : rows) {
        listRows.emplace_back(row.search, row.replacement);
    }
    return Velmor_EncodeString(ListRowsToText(listRows));
}

std::vector<ReplacementRow> DecodeRows(std::string text) {
    Velmor_DecodeString(text);
    std::vector<ReplacementRow> rows;
    for (ListRow& row : ListRowsFromText(text)) {
        rows.push_back(ReplacementRow{std::move(row.first), std::move(row.second)});
    }
    return rows;
}

// The stored long values, in the order they are written.
struct LongValue {
    const char* name;
    std::int32_t Profile::*field;
    std::int32_t defaultValue;
};

const LongValue kLongValues[] = {
    {"Position", &Profile::Position, 1},
    {"DateDependency", &Profile::DateDependency, 0},
    {"Code", &Profile::Code, 1},
    {"PerformReplace", &Profile::PerformReplace, 1},
    {"DeleteEmptyLines", &Profile::DeleteEmptyLines, 0},
    {"StripLeadingSpaces", &Profile::StripLeadingSpaces, 0},
    {"StripTrailingSpaces", &Profile::StripTrailingSpaces, 0},
    {"StripLeadingTabs", &Profile::StripLeadingTabs, 0},
    {"StripTrailingTabs", &Profile::StripTrailingTabs, 0},
    {"Subdirs", &Profile::Subdirs, 0},
    {"ExpandEscape", &Profile::ExpandEscape, 0},
    {"CapsLock", &Profile::CapsLock, 0},
    {"Confirm", &Profile::Confirm, 0},
};

// A stored number as one of the valid values; any other number reads as the
// first of them (the first radio button of its group).
template <typename Mode> Mode ValidOrFirst(std::int32_t value, std::initializer_list<Mode> valid) {
    for (Mode mode : valid) {
        if (static_cast<std::int32_t>(mode) == value) {
            return mode;
        }
    }
    return *valid.begin();
}

} // namespace

StoreLocation ProfileLocation(const std::string& file) {
    return StoreLocation{RegistryRoot::CurrentUser, {}, file, "General"};
}

bool WriteProfile(const StoreLocation& location, const Profile& profile) {
    std::vector<std::pair<std::string, std::string>> values;
    values.emplace_back("Directories", EncodeList(profile.Directories));
    values.emplace_back("Files", EncodeList(profile.Files));
    values.emplace_back("Replace", EncodeRows(profile.Replace));
    for (const LongValue& value : kLongValues) {
        values.emplace_back(value.name, std::to_string(profile.*value.field));
    }
    values.emplace_back("CompareDate", profile.CompareDate);
    values.emplace_back("CompareTime", profile.CompareTime);
    values.emplace_back("KeepLineEnds", std::to_string(profile.KeepLineEnds));
    values.emplace_back("Regex", std::to_string(profile.Regex));
    return Velmor_WriteValuesToRegistry(location, values);
}

Profile ReadProfile(const StoreLocation& location) {
    Profile profile;
    auto document = LoadSettingsDocument(location);
    if (!document) {
        return profile;
    }
    auto text = [&](const char* name) {
        return document->Get(location.section, name).value_or(std::string());
    };
    auto number = [&](const char* name, std::int32_t defaultValue) {
        auto value = document->Get(location.section, name);
        return value ? ParseStoredLong(*value).value_or(defaultValue) : defaultValue;
    };
    profile.Directories = DecodeList(text("Directories"));
    profile.Files = DecodeList(text("Files"));
    profile.Replace = DecodeRows(text("Replace"));
    for (const LongValue& value : kLongValues) {
        profile.*value.field = number(value.name, value.defaultValue);
    }
    profile.CompareDate = CutEditText(text("CompareDate"));
    profile.CompareTime = CutEditText(text("CompareTime"));
    profile.KeepLineEnds = number("KeepLineEnds", 0);
    // A profile without it comes from a program that knew only literal texts.
    profile.Regex = number("Regex", 0);
    return profile;
}

Job JobFromProfile(const Profile& profile, std::int32_t positionColumn) {
    Job job;
    job.directories = profile.Directories;
    job.files = profile.Files;
    job.replace = profile.Replace;
    job.position = ValidOrFirst(profile.Position, {PositionMode::Anywhere, PositionMode::LineStart,
                                                   PositionMode::LineEnd, PositionMode::AtColumn});
    job.dateDependency =
        ValidOrFirst(profile.DateDependency, {DateDependency::AllFiles,
                                              DateDependency::NewerOrEqual, DateDependency::Older});
    job.code = ValidOrFirst(profile.Code, {CodeMode::Ansi, CodeMode::Oem, CodeMode::Utf8});
    job.performReplace = profile.PerformReplace != 0;
    job.deleteEmptyLines = profile.DeleteEmptyLines != 0;
    job.stripLeadingSpaces = profile.StripLeadingSpaces != 0;
    job.stripTrailingSpaces = profile.StripTrailingSpaces != 0;
    job.stripLeadingTabs = profile.StripLeadingTabs != 0;
    job.stripTrailingTabs = profile.StripTrailingTabs != 0;
    job.subdirs = profile.Subdirs != 0;
    job.expandEscape = profile.ExpandEscape != 0;
    job.capsLock = profile.CapsLock != 0;
    job.confirm = profile.Confirm != 0;
    job.keepLineEnds = profile.KeepLineEnds != 0;
    job.regex = profile.Regex != 0;
    job.compareDate = profile.CompareDate;
    job.compareTime = profile.CompareTime;
    job.positionColumn = positionColumn;
    return job;
}

Profile ProfileFromJob(const Job& job) {
    Profile profile;
    profile.Directories = job.directories;
    profile.Files = job.files;
    profile.Replace = job.replace;
    profile.Position = static_cast<std::int32_t>(job.position);
    profile.DateDependency = static_cast<std::int32_t>(job.dateDependency);
    profile.Code = static_cast<std::int32_t>(job.code);
    profile.PerformReplace = job.performReplace ? 1 : 0;
    profile.DeleteEmptyLines = job.deleteEmptyLines ? 1 : 0;
    profile.StripLeadingSpaces = job.stripLeadingSpaces ? 1 : 0;
    profile.StripTrailingSpaces = job.stripTrailingSpaces ? 1 : 0;
    profile.StripLeadingTabs = job.stripLeadingTabs ? 1 : 0;
    profile.StripTrailingTabs = job.stripTrailingTabs ? 1 : 0;
    profile.Subdirs = job.subdirs ? 1 : 0;
    profile.ExpandEscape = job.expandEscape ? 1 : 0;
    profile.CapsLock = job.capsLock ? 1 : 0;
    profile.Confirm = job.confirm ? 1 : 0;
    profile.KeepLineEnds = job.keepLineEnds ? 1 : 0;
    profile.Regex = job.regex ? 1 : 0;
    profile.CompareDate = job.compareDate;
    profile.CompareTime = job.compareTime;
    return profile;
}
