#pragma once

#include "dates/datetext.h"

struct modRilo;

// The dates derived from the due date and stored when the user confirms one.
namespace dates {

inline constexpr int kPregnancyDays = 280;
inline constexpr int kMonthDays = 28;

// The Day of the Dog after `fifthMonth`: the earliest date strictly later than it whose distance
// from 2003-01-01 is a whole multiple of 12 days; always 1 to 12 days later. Valid for any date.
Day FindDogDay(Day fifthMonth);

// The due date that the entry dialog's three texts spell (digits only, validated); the year as
// in ExpandYear. Nullopt when they spell no date.
std::optional<Day> DueDateFromFields(const QString &year, const QString &month, const QString &day);

// Writes yo_y, yo_m, yo_d (as typed), start_up "1" and yoteibi, in that order, and sets
// StartupDone and DueDate. Returns false when the fields spell no date (yoteibi is then not
// written and DueDate is cleared) or a write failed.
bool SaveDueDate(modRilo &state);

// From DueDate, sets StartDate (280 days earlier) and DogDay and writes hajime, tuki1..tuki10 and
// inu, in that order. Returns false without writing when there is no due date, or when a write
// failed.
bool ComputeMilestones(modRilo &state);

} // namespace dates
