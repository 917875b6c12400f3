#include "date_time.h"

#include <gtest/gtest.h>
#include <string>

namespace {

TEST(DateTime, AcceptedDateForms) {
    struct Case {
        const char* text;
        int year, month, day;
    };
    const Case cases[] = {
        {"1.2.2026", 2026, 2, 1},   {"01.02.2026", 2026, 2, 1},   {"31.12.1999", 1999, 12, 31},
        {"5.6.69", 2069, 6, 5},     {"5.6.70", 1970, 6, 5},       {"5.6.00", 2000, 6, 5},
        {"2026-02-01", 2026, 2, 1}, {" 29.2.2024 ", 2024, 2, 29}, {"29.02.2000", 2000, 2, 29},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        DateTimeStruct record;
        record.hour = 7;
        ASSERT_EQ(FormattedDate_To_DateTimeStruct(c.text, record, 0), 0);
        EXPECT_EQ(record.year, c.year);
        EXPECT_EQ(record.month, c.month);
        EXPECT_EQ(record.day, c.day);
        EXPECT_EQ(record.hour, 7) << "the time part is left alone";
    }
}

TEST(DateTime, RefusedDates) {
    const char* cases[] = {"",          "  ",        "29.02.2023", "29.02.1900",  "31.04.2026",
                           "1.13.2026", "0.1.2026",  "1.0.2026",   "1.1.202",     "1.1.20266",
                           "1.1.",      "1/1/2026",  "2026-2-01",  "2026-02-01x", "a.b.c",
                           "-1.1.2026", "1.1.2026.", "2026-13-01", "0000-01-01"};
    for (const char* text : cases) {
        SCOPED_TRACE(text);
        DateTimeStruct record{1999, 9, 9, 0, 0, 0};
        EXPECT_LT(FormattedDate_To_DateTimeStruct(text, record, 0), 0);
        EXPECT_EQ(record.year, 1999) << "an invalid text leaves the record unchanged";
    }
}

TEST(DateTime, TimeForms) {
    struct Case {
        const char* text;
        int result, hour, minute, second;
    };
    const Case cases[] = {
        {"", 0, 0, 0, 0},          {"7", 0, 7, 0, 0},
        {"07:05", 0, 7, 5, 0},     {"23:59:59", 0, 23, 59, 59},
        {"0:00:00", 0, 0, 0, 0},   {" 12:30 ", 0, 12, 30, 0},
        {"24:00:00", -1, 0, 0, 0}, {"12:60", -1, 0, 0, 0},
        {"12:00:60", -1, 0, 0, 0}, {"12:", -1, 0, 0, 0},
        {"12:00:", -1, 0, 0, 0},   {"1:2:3:4", -1, 0, 0, 0},
        {"noon", -1, 0, 0, 0},     {"123", -1, 0, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        DateTimeStruct record{2026, 1, 1, 9, 9, 9};
        int result = FormattedTime_To_DateTimeStruct(c.text, record, 0);
        EXPECT_EQ(result < 0 ? -1 : 0, c.result);
        if (c.result == 0) {
            EXPECT_EQ(record.hour, c.hour);
            EXPECT_EQ(record.minute, c.minute);
            EXPECT_EQ(record.second, c.second);
            EXPECT_EQ(record.year, 2026);
        }
    }
}

TEST(DateTime, TextWrittenBackReadsAsTheSameDateAndTime) {
    DateTimeStruct record;
    for (int year : {1, 999, 1900, 1970, 2000, 2024, 2026, 2100, 9999}) {
        for (int month = 1; month <= 12; ++month) {
            for (int day = 1; day <= 31; ++day) {
                DateTimeStruct in{year, month, day, 0, 0, 0};
                if (!IsValidDateTime(in)) {
                    continue;
                }
                std::string text = DateTimeStruct_To_FormattedDate(in);
                ASSERT_EQ(FormattedDate_To_DateTimeStruct(text, record), 0) << text;
                ASSERT_EQ(record.year, year);
                ASSERT_EQ(record.month, month);
                ASSERT_EQ(record.day, day);
            }
        }
    }
    EXPECT_EQ(DateTimeStruct_To_FormattedDate({2026, 2, 1, 0, 0, 0}), "01.02.2026");
    for (int second = 0; second < 24 * 3600; second += 7) {
        DateTimeStruct in{2026, 1, 1, second / 3600, second / 60 % 60, second % 60};
        std::string text = DateTimeStruct_To_FormattedTime(in);
        ASSERT_EQ(FormattedTime_To_DateTimeStruct(text, record), 0) << text;
        ASSERT_EQ(DateTimeStruct_To_FormattedTime(record), text);
    }
    EXPECT_EQ(DateTimeStruct_To_FormattedTime({2026, 1, 1, 7, 5, 0}), "07:05:00");
}

TEST(DateTime, ConvertsToLocalTimeToTheSecond) {
    DateTimeStruct a{2026, 3, 1, 10, 0, 0};
    DateTimeStruct b{2026, 3, 1, 10, 0, 1};
    std::time_t ta = 0;
    std::time_t tb = 0;
    ASSERT_TRUE(DateTimeStruct_To_TimeT(a, ta));
    ASSERT_TRUE(DateTimeStruct_To_TimeT(b, tb));
    EXPECT_EQ(tb - ta, 1);
    std::tm local{};
    localtime_r(&ta, &local);
    EXPECT_EQ(local.tm_hour, 10);
    EXPECT_EQ(local.tm_mday, 1);
    EXPECT_FALSE(DateTimeStruct_To_TimeT(DateTimeStruct{}, ta));
}

} // namespace
