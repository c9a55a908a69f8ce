#include "settings/duedate.h"

#include "dates/milestones.h"

namespace settings {

bool SaveDueDate(modRilo &state) {
    bool ok = Write(state, Key::DueYear, state.DueYear);
    ok &= Write(state, Key::DueMonth, state.DueMonth);
    ok &= Write(state, Key::DueDay, state.DueDay);
    state.StartupDone = 1;
    ok &= Write(state, Key::StartupDone, QByteArrayView("1"));

    const auto due = dates::DueDateFromFields(state.DueYear, state.DueMonth, state.DueDay);
    if (!due) {
        state.DueDate.reset();
        return false;
    }
    state.DueDate = dates::ToStamp(*due);
    ok &= Write(state, Key::DueDate, dates::FormatDateText(*due));
    return ok;
}

bool ComputeMilestones(modRilo &state) {
    if (!state.DueDate)
        return false;
    const dates::Milestones m = dates::MilestonesFor(dates::ToDay(*state.DueDate));
    state.StartDate = dates::ToStamp(m.start);
    bool ok = Write(state, Key::StartDate, dates::FormatDateText(m.start));
    for (int n = 1; n <= 10; ++n)
        ok &= Write(state, MonthStartKey(n), dates::FormatDateText(m.monthStarts[n - 1]));
    state.DogDay = dates::ToStamp(m.dogDay);
    ok &= Write(state, Key::DogDay, dates::FormatDateText(m.dogDay));
    return ok;
}

std::optional<dates::CountdownTexts> CountdownFor(const modRilo &state, dates::Day today) {
    if (!state.DueDate || !state.StartDate)
        return std::nullopt;
    return dates::ComputeCountdown(*state.DueDate, *state.StartDate, today);
}

bool HasStoredDueDate(const modRilo &state) {
    return ReadDate(state, Key::DueDate) && ReadDate(state, Key::StartDate);
}

DueDateFields StoredDueDateFields(const modRilo &state) {
    auto stored = [&state](Key key, const QString &value) {
        return HasKey(state, key) ? value : QString();
    };
    return {stored(Key::DueYear, state.DueYear), stored(Key::DueMonth, state.DueMonth),
            stored(Key::DueDay, state.DueDay)};
}

void LoadMonthStarts(modRilo &state) {
    for (int n = 1; n <= 9; ++n)
        state.MonthStarts[n] = ReadDate(state, MonthStartKey(n));
}

void LoadDogDay(modRilo &state) {
    state.DogDay = ReadDate(state, Key::DogDay);
}

} // namespace settings
