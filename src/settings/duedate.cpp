#include "settings/duedate.h"

#include "dates/milestones.h"

namespace settings {
namespace {

// Sets StartupDone and DueDate and adds yo_y, yo_m, yo_d (as typed), start_up "1" and yoteibi to
// `out`, in that order.
void SaveDueDate(modRilo &state, const DueDateFields &typed, dates::Day due, Values &out) {
    out.emplace_back(Key::DueYear, typed.year.toLocal8Bit());
    out.emplace_back(Key::DueMonth, typed.month.toLocal8Bit());
    out.emplace_back(Key::DueDay, typed.day.toLocal8Bit());
    state.StartupDone = 1;
    out.emplace_back(Key::StartupDone, "1");
    state.DueDate = dates::ToStamp(due);
    out.emplace_back(Key::DueDate, dates::FormatDateText(due).toLocal8Bit());
}

// Sets the month starts and DogDay to `m` and adds hajime, tuki1..tuki10 and inu to `out`, in
// that order.
void ComputeMilestones(modRilo &state, const dates::Milestones &m, Values &out) {
    const auto text = [](dates::Day day) { return dates::FormatDateText(day).toLocal8Bit(); };
    for (int month = 1; month <= 10; ++month) {
        state.MonthStart(month) = dates::ToStamp(m.MonthStart(month));
        out.emplace_back(MonthStartKey(month), text(m.MonthStart(month)));
    }
    out.emplace_back(Key::DueDateCopy, text(m.due));
    state.DogDay = dates::ToStamp(m.dogDay);
    out.emplace_back(Key::DogDay, text(m.dogDay));
}

} // namespace

StoreResult StoreDueDate(modRilo &state, const DueDateFields &typed, dates::Day due) {
    const dates::Milestones milestones = dates::MilestonesFor(due);
    if (!dates::HasFourDigitYear(milestones.MonthStart(1)) || !dates::HasFourDigitYear(due))
        return StoreResult::DateOutOfRange;
    Values values;
    SaveDueDate(state, typed, due, values);
    ComputeMilestones(state, milestones, values);
    return WriteAll(state, values) ? StoreResult::Stored : StoreResult::NotWritten;
}

std::optional<dates::CountdownTexts> CountdownFor(const modRilo &state, dates::Day today) {
    const std::optional<dates::DateStamp> &start = state.MonthStart(1);
    if (!state.DueDate || !start)
        return std::nullopt;
    return dates::ComputeCountdown(*state.DueDate, *start, today);
}

bool HasStoredDueDate(const Snapshot &file) {
    return file.Date(Key::DueDate) && file.Date(Key::StartDate);
}

DueDateFields StoredDueDateFields(const Snapshot &file) {
    auto stored = [&file](Key key) {
        return file.Has(key) ? QString::number(file.Int(key)) : QString();
    };
    return {stored(Key::DueYear), stored(Key::DueMonth), stored(Key::DueDay)};
}

void LoadMonthStarts(modRilo &state, const Snapshot &file) {
    for (int month = 2; month <= 10; ++month)
        state.MonthStart(month) = file.Date(MonthStartKey(month));
}

void LoadDogDay(modRilo &state, const Snapshot &file) {
    state.DogDay = file.Date(Key::DogDay);
}

} // namespace settings
