#pragma once

#include "dates/countdown.h"
#include "settings/modrilo.h"

#include <QString>

#include <optional>

// The due date and the dates derived from it, between the state, the settings file and the date
// arithmetic of dates/.
namespace settings {

// The due date's three texts as the entry dialog holds them.
struct DueDateFields {
    QString year;
    QString month;
    QString day;
};

// What became of a due date given to StoreDueDate.
enum class StoreResult {
    // The file holds the new set of dates.
    Stored,
    // The due date or its start lies outside the years 0 to 9999, which the file's dates cannot
    // hold: nothing is written and the state is left as it was.
    DateOutOfRange,
    // The file could not be written: it stays as it was, and the new dates are in effect for this
    // run only.
    NotWritten,
};

// Stores a confirmed due date in one atomic replace of the file, so that it holds either the old
// set of dates or the new one: yo_y, yo_m and yo_d as `typed`, start_up "1", then `due` as
// yoteibi and the dates derived from it as hajime, tuki1..tuki10 and inu, in that order. Sets
// StartupDone, DueDate, every MonthStart and DogDay.
[[nodiscard]] StoreResult StoreDueDate(modRilo &state, const DueDateFields &typed, dates::Day due);

// The countdown of the loaded state, or nullopt when the due date or the start date is missing
// or not a date (the window then shows empty texts).
std::optional<dates::CountdownTexts> CountdownFor(const modRilo &state, dates::Day today);

// True when the file holds both the due date and the start date as dates.
bool HasStoredDueDate(const Snapshot &file);

// The due date's texts as the entry dialog shows them: the integer read of yo_y, yo_m and yo_d
// in decimal ("05" shows as "5"), each empty when the file does not have the key (rather than
// the read's default).
DueDateFields StoredDueDateFields(const Snapshot &file);

// Reads the starts of months 2 to 10 (tuki1..tuki9), and inu into DogDay. Month 1's start is
// LoadSettings' and StoreDueDate's.
void LoadMonthStarts(modRilo &state, const Snapshot &file);
void LoadDogDay(modRilo &state, const Snapshot &file);

} // namespace settings
