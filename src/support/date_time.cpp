#include "date_time.h"

#include <cstdio>

namespace {

std::string_view Trim(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) {
        text.remove_prefix(1);
    }
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) {
        text.remove_suffix(1);
    }
    return text;
}

// Reads 1 to `maxDigits` decimal digits at the front of `text`; gives the
// number of digits read (0 when there are none) and the value.
int ReadNumber(std::string_view& text, int maxDigits, int& value) {
    int digits = 0;
    value = 0;
    while (digits < maxDigits && !text.empty() && text.front() >= '0' && text.front() <= '9') {
        value = value * 10 + (text.front() - '0');
        text.remove_prefix(1);
        ++digits;
    }
    return digits;
}

bool Expect(std::string_view& text, char c) {
    if (text.empty() || text.front() != c) {
        return false;
    }
    text.remove_prefix(1);
    return true;
}

bool IsLeapYear(int year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int DaysInMonth(int year, int month) {
    static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month == 2 && IsLeapYear(year)) {
        return 29;
    }
    return kDays[month - 1];
}

bool IsValidDate(int year, int month, int day) {
    return year >= 1 && year <= 9999 && month >= 1 && month <= 12 && day >= 1 &&
           day <= DaysInMonth(year, month);
}

bool IsValidTime(int hour, int minute, int second) {
    return hour >= 0 && hour <= 23 && minute >= 0 && minute <= 59 && second >= 0 && second <= 59;
}

} // namespace

int FormattedDate_To_DateTimeStruct(std::string_view text, DateTimeStruct& record, int) {
    text = Trim(text);
    int year = 0;
    int month = 0;
    int day = 0;
    std::string_view rest = text;
    int first = 0;
    int firstDigits = ReadNumber(rest, 4, first);
    if (firstDigits == 4) {
        // YYYY-MM-DD
        year = first;
        if (!Expect(rest, '-') || ReadNumber(rest, 2, month) != 2 || !Expect(rest, '-') ||
            ReadNumber(rest, 2, day) != 2 || !rest.empty()) {
            return -1;
        }
    } else if (firstDigits >= 1 && firstDigits <= 2) {
        // D.M.YYYY or D.M.YY
        day = first;
        if (!Expect(rest, '.') || ReadNumber(rest, 2, month) < 1 || !Expect(rest, '.')) {
            return -1;
        }
        int yearDigits = ReadNumber(rest, 4, year);
        if (!rest.empty()) {
            return -1;
        }
        if (yearDigits == 2) {
            year += year < 70 ? 2000 : 1900;
        } else if (yearDigits != 4) {
            return -1;
        }
    } else {
        return -1;
    }
    if (!IsValidDate(year, month, day)) {
        return -1;
    }
    record.year = year;
    record.month = month;
    record.day = day;
    return 0;
}

int FormattedTime_To_DateTimeStruct(std::string_view text, DateTimeStruct& record, int) {
    text = Trim(text);
    int hour = 0;
    int minute = 0;
    int second = 0;
    if (!text.empty()) {
        std::string_view rest = text;
        if (ReadNumber(rest, 2, hour) < 1) {
            return -1;
        }
        if (Expect(rest, ':')) {
            if (ReadNumber(rest, 2, minute) < 1) {
                return -1;
            }
            if (Expect(rest, ':') && ReadNumber(rest, 2, second) < 1) {
                return -1;
            }
        }
        if (!rest.empty()) {
            return -1;
        }
    }
    if (!IsValidTime(hour, minute, second)) {
        return -1;
    }
    record.hour = hour;
    record.minute = minute;
    record.second = second;
    return 0;
}

std::string DateTimeStruct_To_FormattedDate(const DateTimeStruct& record, int) {
    char text[32];
    std::snprintf(text, sizeof text, "%02d.%02d.%04d", record.day, record.month, record.year);
    return text;
}

std::string DateTimeStruct_To_FormattedTime(const DateTimeStruct& record, int) {
    char text[32];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d", record.hour, record.minute, record.second);
    return text;
}

bool IsValidDateTime(const DateTimeStruct& record) {
    return IsValidDate(record.year, record.month, record.day) &&
           IsValidTime(record.hour, record.minute, record.second);
}

bool DateTimeStruct_To_TimeT(const DateTimeStruct& record, std::time_t& result) {
    if (!IsValidDateTime(record)) {
        return false;
    }
    std::tm tm{};
    tm.tm_year = record.year - 1900;
    tm.tm_mon = record.month - 1;
    tm.tm_mday = record.day;
    tm.tm_hour = record.hour;
    tm.tm_min = record.minute;
    tm.tm_sec = record.second;
    tm.tm_isdst = -1;
    result = std::mktime(&tm);
    return true;
}
