// The date-time record and its text forms.
//
// Dates are read as D.M.YYYY, D.M.YY (00-69 mean 20xx, 70-99 mean 19xx) or
// YYYY-MM-DD and written as DD.MM.YYYY. Times are read as h, h:mm or h:mm:ss
// and written as hh:mm:ss; an empty time is midnight, an empty date is
// invalid. Blanks around the text are ignored. Impossible dates and times
// (31.02., month 13, 24:00) are invalid.
#pragma once

#include <ctime>
#include <string>
#include <string_view>

struct DateTimeStruct {
    int year = 0;
    int month = 0; // 1-12
    int day = 0;   // 1-31
    int hour = 0;
    int minute = 0;
    int second = 0;
};

// Fill the date part (respectively the time part) of `record` from `text`.
// Return 0 on success and -1 for text that is no valid date (time); the
// record is left unchanged then. `flags` is reserved and must be 0.
int FormattedDate_To_DateTimeStruct(std::string_view text, DateTimeStruct& record, int flags = 0);
int FormattedTime_To_DateTimeStruct(std::string_view text, DateTimeStruct& record, int flags = 0);

// The standard forms DD.MM.YYYY and hh:mm:ss of the record's date and time.
std::string DateTimeStruct_To_FormattedDate(const DateTimeStruct& record, int flags = 0);
std::string DateTimeStruct_To_FormattedTime(const DateTimeStruct& record, int flags = 0);

// True for a record whose date and time exist in the calendar.
bool IsValidDateTime(const DateTimeStruct& record);

// The record as a point in time, read as local time. False for an invalid
// record.
bool DateTimeStruct_To_TimeT(const DateTimeStruct& record, std::time_t& result);
