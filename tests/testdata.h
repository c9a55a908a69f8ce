#pragma once

// Dates and settings shared by the suites: the shorthand for a day in tables of dates, and the
// keys the due date 2006/05/01 stores, written out by hand from the calendar rather than
// computed, so that the tests do not share the program's arithmetic.

#include <chrono>
#include <utility>

// The day `y`/`m`/`d` of the proleptic Gregorian calendar (a dates::Day).
inline std::chrono::sys_days D(int y, unsigned m, unsigned d) {
    using namespace std::chrono;
    return sys_days(year(y) / month(m) / day(d));
}

// Every key that confirming 2006/05/01, typed as 2006, 5 and 1, writes, in the order written.
inline constexpr std::pair<const char *, const char *> kWorkedExampleKeyValues[] = {
    {"yo_y", "2006"},
    {"yo_m", "5"},
    {"yo_d", "1"},
    {"start_up", "1"},
    {"yoteibi", "2006/05/01"},
    {"hajime", "2005/07/25"},
    {"tuki1", "2005/08/22"},
    {"tuki2", "2005/09/19"},
    {"tuki3", "2005/10/17"},
    {"tuki4", "2005/11/14"},
    {"tuki5", "2005/12/12"},
    {"tuki6", "2006/01/09"},
    {"tuki7", "2006/02/06"},
    {"tuki8", "2006/03/06"},
    {"tuki9", "2006/04/03"},
    {"tuki10", "2006/05/01"},
    {"inu", "2005/11/22"},
};

// The calendar's text file for that date, in UTF-8 (the program writes it in Shift-JIS): CR LF
// after every line.
inline constexpr char kWorkedExampleExport[] = "----------------------\r\n"
                                               "1ヶ月　2005/07/25\r\n"
                                               "2ヶ月　2005/08/22\r\n"
                                               "3ヶ月　2005/09/19\r\n"
                                               "4ヶ月　2005/10/17\r\n"
                                               "5ヶ月　2005/11/14\r\n"
                                               "6ヶ月　2005/12/12\r\n"
                                               "7ヶ月　2006/01/09\r\n"
                                               "8ヶ月　2006/02/06\r\n"
                                               "9ヶ月　2006/03/06\r\n"
                                               "10ヶ月　2006/04/03\r\n"
                                               "----------------------\r\n"
                                               "戌の日　2005/11/22\r\n"
                                               "----------------------\r\n"
                                               "予定日　2006/05/01\r\n"
                                               "----------------------\r\n";
