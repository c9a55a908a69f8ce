#pragma once

#include "dates/datetext.h"

#include <array>

// The dates derived from the due date.
namespace dates {

inline constexpr int kPregnancyDays = 280;
inline constexpr int kMonthDays = 28;

// The Day of the Dog after `fifthMonth`: the earliest date strictly later than it whose distance
// from 2003-01-01 is a whole multiple of 12 days; always 1 to 12 days later. Valid for any date.
Day FindDogDay(Day fifthMonth);

// The dates derived from one due date.
struct Milestones {
    Day start;                       // the start of the pregnancy, 280 days before the due date
    std::array<Day, 10> monthStarts; // [n - 1]: start + 28 n days; the last is the due date
    Day dogDay;                      // FindDogDay of the fifth month's start, monthStarts[3]

    bool operator==(const Milestones &) const = default;
};

// The milestones of `dueDate`. Valid for any date.
Milestones MilestonesFor(Day dueDate);

} // namespace dates
