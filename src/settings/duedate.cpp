#include "settings/duedate.h"

#include "dates/milestones.h"

namespace settings {

bool SaveDueDate(modRilo &state, Values &out) {
    out.emplace_back(Key::DueYear, state.DueYear.toLocal8Bit());
    out.emplace_back(Key::DueMonth, state.DueMonth.toLocal8Bit());
    out.emplace_back(Key::DueDay, state.DueDay.toLocal8Bit());
    state.StartupDone = 1;
    out.emplace_back(Key::StartupDone, "1");

    const auto due = dates::DueDateFromFields(state.DueYear, state.DueMonth, state.DueDay);
    if (!due) {
        state.DueDate.reset();
        return false;
    }
    state.DueDate = dates::ToStamp(*due);
    out.emplace_back(Key::DueDate, dates::FormatDateText(*due).toLocal8Bit());
    return true;
}

bool ComputeMilestones(modRilo &state, Values &out) {
    if (!state.DueDate)
        return false;
    const auto text = [](dates::Day day) { return dates::FormatDateText(day).toLocal8Bit(); };
    const dates::Milestones m = dates::MilestonesFor(dates::ToDay(*state.DueDate));
    state.StartDate = dates::ToStamp(m.start);
    out.emplace_back(Key::StartDate, text(m.start));
    for (int n = 1; n <= 10; ++n)
        out.emplace_back(MonthStartKey(n), text(m.monthStarts[n - 1]));
    for (std::size_t i = 0; i < state.MonthStarts.size(); ++i)
        state.MonthStarts[i] = dates::ToStamp(m.monthStarts[i]);
    state.DogDay = dates::ToStamp(m.dogDay);
    out.emplace_back(Key::DogDay, text(m.dogDay));
    return true;
}

bool StoreDueDate(modRilo &state) {
    Values values;
    const bool complete = SaveDueDate(state, values) && ComputeMilestones(state, values);
    return WriteAll(state, values) && complete;
}

std::optional<dates::CountdownTexts> CountdownFor(const modRilo &state, dates::Day today) {
    if (!state.DueDate || !state.StartDate)
        return std::nullopt;
    return dates::ComputeCountdown(*state.DueDate, *state.StartDate, today);
}

bool HasStoredDueDate(const Snapshot &file) {
    return file.Date(Key::DueDate) && file.Date(Key::StartDate);
}

DueDateFields StoredDueDateFields(const modRilo &state, const Snapshot &file) {
    auto stored = [&file](Key key, const QString &value) {
        return file.Has(key) ? value : QString();
    };
    return {stored(Key::DueYear, state.DueYear), stored(Key::DueMonth, state.DueMonth),
            stored(Key::DueDay, state.DueDay)};
}

void LoadMonthStarts(modRilo &state, const Snapshot &file) {
    for (int n = 1; n <= int(state.MonthStarts.size()); ++n)
        state.MonthStarts[n - 1] = file.Date(MonthStartKey(n));
}

void LoadDogDay(modRilo &state, const Snapshot &file) {
    state.DogDay = file.Date(Key::DogDay);
}

} // namespace settings
