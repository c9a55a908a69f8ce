#pragma once

#include "dates/datetext.h"

#include <QString>

namespace dates {

// The five texts of the main window's countdown.
struct CountdownTexts {
    QString Sentence; // "あと 　　日", "今日は予定日です" or "予定日から 　　日"
    QString Number;   // days left or passed; empty on the due date itself
    QString Weeks;    // completed pregnancy weeks
    QString Days;     // days past them
    QString Month;    // pregnancy month

    bool operator==(const CountdownTexts &) const = default;
};

// The countdown for `today`. Fractions of a day (a stored date with a time of day) round to the
// nearest whole day, ties to even; only an exact difference of 0 is the due date itself. Week and
// day truncate toward zero, so the days before the start show negative weeks and days.
CountdownTexts ComputeCountdown(DateStamp dueDate, DateStamp startDate, Day today);

} // namespace dates
