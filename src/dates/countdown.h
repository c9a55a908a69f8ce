#pragma once

#include "dates/datetext.h"

#include <QString>

#include <optional>

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

// The face read aloud as one sentence, for screen readers: "26週0日、7ヶ月目。予定日まであと98日",
// "…。今日は予定日です", "…。予定日から5日"; without texts (no usable due date), a sentence saying
// that no due date is entered and where the menu enters it.
QString SpokenCountdown(const std::optional<CountdownTexts> &texts);

} // namespace dates
