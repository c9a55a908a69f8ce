#pragma once

#include "dates/countdown.h"
#include "settings/modrilo.h"

#include <QString>

#include <optional>

// The due date and the dates derived from it, between the state, the settings file and the date
// arithmetic of dates/.
namespace settings {

// Sets StartupDone and DueDate from the typed fields and adds yo_y, yo_m, yo_d (as typed),
// start_up "1" and yoteibi to `out`, in that order. Returns false when the fields spell no date
// (yoteibi is then not added and DueDate is cleared).
bool SaveDueDate(modRilo &state, Values &out);

// From DueDate, sets StartDate (280 days earlier), MonthStarts and DogDay and adds hajime,
// tuki1..tuki10 and inu to `out`, in that order. Returns false, adding nothing, when there is
// no due date.
bool ComputeMilestones(modRilo &state, Values &out);

// A confirmed due date: both of the above, written in one atomic replace, so that the file
// holds either the old set of dates or the new one. False when the fields spell no date (the
// typed fields are stored even then) or the file could not be written.
bool StoreDueDate(modRilo &state);

// The countdown of the loaded state, or nullopt when the due date or the start date is missing
// or not a date (the window then shows empty texts).
std::optional<dates::CountdownTexts> CountdownFor(const modRilo &state, dates::Day today);

// True when the file holds both the due date and the start date as dates.
bool HasStoredDueDate(const Snapshot &file);

// The due date's fields as the entry dialog shows them after LoadSettings: DueYear, DueMonth and
// DueDay, each empty when the file never stored it (rather than the read's default).
struct DueDateFields {
    QString year;
    QString month;
    QString day;
};
DueDateFields StoredDueDateFields(const modRilo &state, const Snapshot &file);

// Reads tuki1..tuki9 into MonthStarts and inu into DogDay.
void LoadMonthStarts(modRilo &state, const Snapshot &file);
void LoadDogDay(modRilo &state, const Snapshot &file);

} // namespace settings
