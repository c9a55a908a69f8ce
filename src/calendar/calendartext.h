#pragma once

#include <QByteArray>
#include <QString>
#include <QStringView>

#include <optional>

namespace settings {
struct CalendarDates;
}

// The text of the calendar export.
namespace calendar {

// The sixteen lines of the export, each ended by CR LF: the first days of the ten pregnancy
// months ("1ヶ月　" and month 1's start, and so on), the Day of the Dog and the due date, framed
// by separator lines. A missing date leaves its line's date empty.
QString BuildCalendarText(const settings::CalendarDates &dates);

// `text` in Shift-JIS; nullopt when a character has no Shift-JIS form or no encoder exists.
std::optional<QByteArray> EncodeShiftJis(QStringView text);

} // namespace calendar
