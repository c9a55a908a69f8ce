#pragma once

#include "dates/countdown.h"
#include "settings/modrilo.h"

#include <QString>

#include <optional>

// The due date and the dates derived from it, between the state, the settings file and the date
// arithmetic of dates/.
namespace settings {

// Writes yo_y, yo_m, yo_d (as typed), start_up "1" and yoteibi, in that order, and sets
// StartupDone and DueDate. Returns false when the fields spell no date (yoteibi is then not
// written and DueDate is cleared) or a write failed.
bool SaveDueDate(modRilo &state);

// From DueDate, sets StartDate (280 days earlier) and DogDay and writes hajime, tuki1..tuki10 and
// inu, in that order. Returns false without writing when there is no due date, or when a write
// failed.
bool ComputeMilestones(modRilo &state);

// The countdown of the loaded state, or nullopt when the due date or the start date is missing
// or not a date (the window then shows empty texts).
std::optional<dates::CountdownTexts> CountdownFor(const modRilo &state, dates::Day today);

// True when the settings file holds both the due date and the start date as dates.
bool HasStoredDueDate(const modRilo &state);

// The due date's fields as the entry dialog shows them after LoadSettings: DueYear, DueMonth and
// DueDay, each empty when the file never stored it (rather than the read's default).
struct DueDateFields {
    QString year;
    QString month;
    QString day;
};
DueDateFields StoredDueDateFields(const modRilo &state);

// Reads tuki1..tuki9 into MonthStarts[1..9] and inu into DogDay, as the file holds them now.
void LoadMonthStarts(modRilo &state);
void LoadDogDay(modRilo &state);

} // namespace settings
