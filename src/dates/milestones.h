#pragma once

#include "dates/datetext.h"

// The dates derived from the due date.
namespace dates {

inline constexpr int kPregnancyDays = 280;
inline constexpr int kMonthDays = 28;

// The Day of the Dog after `fifthMonth`: the earliest date strictly later than it whose distance
// from 2003-01-01 is a whole multiple of 12 days; always 1 to 12 days later. Valid for any date.
Day FindDogDay(Day fifthMonth);

// The dates derived from one due date.
struct Milestones {
    Day due;
    Day dogDay; // FindDogDay of the fifth month's start

    // The first day of pregnancy month `month`, 1 <= month <= 10: month 1 starts 280 days before
    // the due date, each later one 28 days after the one before, and month 10 ends on the due
    // date.
    Day MonthStart(int month) const;

    bool operator==(const Milestones &) const = default;
};

// The milestones of `dueDate`. Valid for any date.
Milestones MilestonesFor(Day dueDate);

} // namespace dates
