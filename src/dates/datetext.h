#pragma once

#include <QByteArrayView>
#include <QDateTime>
#include <QString>

#include <chrono>
#include <optional>

// Calendar dates and their text, yyyy/MM/dd.
namespace dates {

using Day = std::chrono::sys_days;
// A calendar date as read from the settings file. Dates the program writes are whole days; a
// hand-edited file may add a time of day, which then counts as a fraction of a day.
using DateStamp = std::chrono::sys_seconds;

inline DateStamp ToStamp(Day day) {
    return DateStamp(day);
}
inline Day ToDay(DateStamp stamp) {
    return std::chrono::floor<std::chrono::days>(stamp);
}

// A year of the entry dialog as a calendar year: below 100 is a two-digit year, 0-29 meaning
// 2000-2029 and 30-99 meaning 1930-1999; 100 and above stand as they are.
int ExpandYear(int year);

// The date with that year, month and day, or nullopt when there is none (month 13, 2005/02/30).
std::optional<Day> MakeDay(int year, int month, int day);

// True when `day` falls in the years 0 to 9999, whose FormatDateText ParseDateText reads back as
// the same day.
bool HasFourDigitYear(Day day);

// "2005/10/10": four-digit year, two-digit month and day.
QString FormatDateText(Day day);
// The date part of a stamp, in the same form.
QString FormatDateText(DateStamp stamp);

// Reads "yyyy/M/d" (one or two digits for month and day; one to four for the year, where one or
// two digits are a two-digit year as in ExpandYear), optionally followed by blanks and a time of
// day "H:mm" or "H:mm:ss". Blanks around the text are ignored. Returns nullopt for anything
// else, including impossible dates such as 2005/02/30.
std::optional<DateStamp> ParseDateText(QByteArrayView text);

// The calendar day in the process's local time zone at the instant `at`, whatever time it is given
// in; LocalToday() is that of now.
Day LocalDayAt(const QDateTime &at);
Day LocalToday();

} // namespace dates
