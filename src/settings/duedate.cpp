#include "settings/duedate.h"

namespace settings {
namespace {

// Adds yo_y, yo_m, yo_d (as typed), start_up "1" and yoteibi to `out`, in that order.
void SaveDueDate(const DueDateFields &typed, dates::Day due, Values &out) {
    out.emplace_back(Key::DueYear, typed.year.toLocal8Bit());
    out.emplace_back(Key::DueMonth, typed.month.toLocal8Bit());
    out.emplace_back(Key::DueDay, typed.day.toLocal8Bit());
    out.emplace_back(Key::StartupDone, "1");
    out.emplace_back(Key::DueDate, dates::FormatDateText(due).toLocal8Bit());
}

// Adds hajime, tuki1..tuki10 and inu of `m` to `out`, in that order.
void ComputeMilestones(const dates::Milestones &m, Values &out) {
    const auto text = [](dates::Day day) { return dates::FormatDateText(day).toLocal8Bit(); };
    for (int month = 1; month <= 10; ++month)
        out.emplace_back(MonthStartKey(month), text(m.MonthStart(month)));
    out.emplace_back(Key::DueDateCopy, text(m.due));
    out.emplace_back(Key::DogDay, text(m.dogDay));
}

} // namespace

StoreResult StoreDueDate(const modRilo &state, const DueDateFields &typed, dates::Day due) {
    const dates::Milestones milestones = dates::MilestonesFor(due);
    if (!dates::HasFourDigitYear(milestones.MonthStart(1)) || !dates::HasFourDigitYear(due))
        return StoreResult::DateOutOfRange;
    Values values;
    SaveDueDate(typed, due, values);
    ComputeMilestones(milestones, values);
    return WriteAll(state, values) ? StoreResult::Stored : StoreResult::NotWritten;
}

void TakeDueDate(modRilo &state, const dates::Milestones &confirmed) {
    state.StartupDone = 1;
    state.DueDate = dates::ToStamp(confirmed.due);
    state.StartDate = dates::ToStamp(confirmed.MonthStart(1));
}

std::optional<dates::CountdownTexts> CountdownFor(const modRilo &state, dates::Day today) {
    if (!state.DueDate || !state.StartDate)
        return std::nullopt;
    return dates::ComputeCountdown(*state.DueDate, *state.StartDate, today);
}

bool HasStoredDueDate(const Snapshot &file) {
    return file.Date(Key::DueDate) && file.Date(Key::StartDate);
}

DueDateFields StoredDueDateFields(const Snapshot &file) {
    auto stored = [&file](Key key) {
        // A key that holds nothing shows nothing, as one that is missing: the read's default
        // would offer a date she never typed.
        return file.Has(key) && !file.Text(key).trimmed().isEmpty() ? QString::number(file.Int(key))
                                                                    : QString();
    };
    return {stored(Key::DueYear), stored(Key::DueMonth), stored(Key::DueDay)};
}

CalendarDates ReadCalendarDates(const modRilo &state, const Snapshot &file) {
    CalendarDates read;
    read.monthStarts[0] = state.StartDate;
    for (int month = 2; month <= 10; ++month)
        read.monthStarts[month - 1] = file.Date(MonthStartKey(month));
    read.dogDay = file.Date(Key::DogDay);
    read.due = state.DueDate;
    return read;
}

} // namespace settings
