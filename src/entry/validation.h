#pragma once

#include "dates/datetext.h"

#include <QString>
#include <QStringView>

#include <optional>

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

// Checks the dialog's three texts in a fixed order and returns the first failure, or nullopt
// when they spell a valid due date: all non-empty, all digits, month 1-12, day within that month
// (Gregorian leap years). The year has no range of its own; a date in the past is accepted.
std::optional<MessagePair> ValidateDueDateInput(QStringView year, QStringView month,
                                                QStringView day);

// True when `due` cannot be the due date of a pregnancy under way on `today`: more than 300 days
// after it, or more than 365 days before it. Such a date is most likely a typing slip, so the
// dialog asks before storing it; a stored date is never questioned.
bool IsFarFromToday(dates::Day due, dates::Day today);

} // namespace entry
