// Fuzz target: reading dates and times. What is accepted is a real calendar
// date or clock time and comes back from its standard form; every date and
// time written in one of the accepted forms is read as exactly that date or
// time, and an impossible one is refused.
#include "date_time.h"
#include "fuzz_input.h"

#include <cstdint>
#include <cstdio>
#include <string>

namespace {

bool Leap(int year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

bool RealDate(int year, int month, int day) {
    static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1) {
        return false;
    }
    return day <= kDays[month - 1] + (month == 2 && Leap(year) ? 1 : 0);
}

std::string Format(const char* format, int a, int b, int c) {
    char text[64];
    std::snprintf(text, sizeof text, format, a, b, c);
    return text;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzInput input(data, size);
    // A date in one of the accepted forms, possibly impossible.
    const int day = static_cast<int>(input.Below(33));
    const int month = static_cast<int>(input.Below(14));
    const int year = static_cast<int>(input.Below(10001));
    const int shortYear = year % 100;
    const std::size_t form = input.Below(4);
    std::string dateText;
    int expectedYear = year;
    switch (form) {
    case 0:
        dateText = Format("%d.%d.%04d", day, month, year);
        break;
    case 1:
        dateText = Format("%02d.%02d.%04d", day, month, year);
        break;
    case 2:
        dateText = Format("%d.%d.%02d", day, month, shortYear);
        expectedYear = shortYear < 70 ? 2000 + shortYear : 1900 + shortYear;
        break;
    default:
        dateText = Format("%04d-%02d-%02d", year, month, day);
        break;
    }
    DateTimeStruct record;
    const bool real = RealDate(expectedYear, month, day);
    FUZZ_CHECK((FormattedDate_To_DateTimeStruct(dateText, record) == 0) == real);
    if (real) {
        FUZZ_CHECK(record.year == expectedYear && record.month == month && record.day == day);
    }

    // A time in one of the accepted forms, possibly impossible.
    const int hour = static_cast<int>(input.Below(26));
    const int minute = static_cast<int>(input.Below(62));
    const int second = static_cast<int>(input.Below(62));
    const std::size_t timeForm = input.Below(3);
    std::string timeText = timeForm == 0   ? Format("%d", hour, 0, 0)
                           : timeForm == 1 ? Format("%d:%02d", hour, minute, 0)
                                           : Format("%02d:%d:%02d", hour, minute, second);
    const int wantMinute = timeForm == 0 ? 0 : minute;
    const int wantSecond = timeForm == 2 ? second : 0;
    const bool realTime = hour <= 23 && wantMinute <= 59 && wantSecond <= 59;
    DateTimeStruct timeRecord;
    FUZZ_CHECK((FormattedTime_To_DateTimeStruct(timeText, timeRecord) == 0) == realTime);
    if (realTime) {
        FUZZ_CHECK(timeRecord.hour == hour && timeRecord.minute == wantMinute &&
                   timeRecord.second == wantSecond);
    }

    // Any text: what is accepted is valid and comes back from its standard form.
    const std::string text = input.Rest("0123456789.-: \t");
    DateTimeStruct any;
    if (FormattedDate_To_DateTimeStruct(text, any) == 0) {
        DateTimeStruct again;
        FUZZ_CHECK(FormattedDate_To_DateTimeStruct(DateTimeStruct_To_FormattedDate(any), again) ==
                   0);
        FUZZ_CHECK(again.year == any.year && again.month == any.month && again.day == any.day);
        FUZZ_CHECK(RealDate(any.year, any.month, any.day));
    }
    DateTimeStruct anyTime;
    if (FormattedTime_To_DateTimeStruct(text, anyTime) == 0) {
        DateTimeStruct again;
        FUZZ_CHECK(
            FormattedTime_To_DateTimeStruct(DateTimeStruct_To_FormattedTime(anyTime), again) == 0);
        FUZZ_CHECK(again.hour == anyTime.hour && again.minute == anyTime.minute &&
                   again.second == anyTime.second);
        FUZZ_CHECK(anyTime.hour >= 0 && anyTime.hour <= 23 && anyTime.minute >= 0 &&
                   anyTime.minute <= 59 && anyTime.second >= 0 && anyTime.second <= 59);
    }
    return 0;
}
