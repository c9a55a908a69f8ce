#pragma once

#include "dates/datetext.h"

#include <QString>
#include <QStringView>

#include <variant>

// The checks of the due-date entry dialog, free of any window.
namespace entry {

// True when `text` is non-empty and holds only the ASCII digits 0-9 (no signs, blanks, points or
// full-width digits).
bool IsAllDigits(QStringView text);

// The dialog's three boxes.
enum class Field { Year, Month, Day };

// A rejection: the message box's prompt and title, and the box it is about.
struct MessagePair {
    int number = 0; // which check failed, 1 to 6
    QString prompt;
    QString title;
    Field field = Field::Year; // for check 1 the first empty box
};

// The largest year the check takes: the year box holds four digits, and so do the dates of the
// settings file.
inline constexpr int kLastYear = 9999;

// What the check hands back: the due date the texts spell, or the first failure.
using DueDateCheck = std::variant<dates::Day, MessagePair>;

// Checks the dialog's three texts in a fixed order and returns the first failure, or the date
// they spell: (1) none is empty, (2) the year is digits and at most kLastYear, (3) the month and
// (4) the day are digits, (5) the month is 1-12, (6) the day exists in that month as MakeDay
// says. The year reads as in ExpandYear; a date in the past is accepted.
DueDateCheck ValidateDueDateInput(QStringView year, QStringView month, QStringView day);

// True when `due` cannot be the due date of a pregnancy under way on `today`: more than 280 days
// ahead (the pregnancy would begin after today), or more than 365 days behind. Such a date is
// most likely a typing slip, so the dialog asks before storing it; a stored date is never
// questioned.
bool IsFarFromToday(dates::Day due, dates::Day today);

} // namespace entry
