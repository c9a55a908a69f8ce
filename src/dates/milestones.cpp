#include "dates/milestones.h"

#include "settings/modrilo.h"

namespace dates {
namespace {

using namespace std::chrono;

constexpr Day kDogAnchor = sys_days(2003y / January / 1);
constexpr int kDogCycle = 12;

// The decimal value of a text of digits, saturated far above any valid field.
int DigitsValue(const QString &text) {
    long long value = 0;
    for (QChar c : text) {
        if (c < u'0' || c > u'9')
            return -1;
        value = std::min(value * 10 + (c.unicode() - u'0'), 1'000'000'000LL);
    }
    return text.isEmpty() ? -1 : int(value);
}

} // namespace

Day FindDogDay(Day fifthMonth) {
    const int r = int(((fifthMonth - kDogAnchor).count() % kDogCycle + kDogCycle) % kDogCycle);
    return fifthMonth + days(kDogCycle - r);
}

std::optional<Day> DueDateFromFields(const QString &year, const QString &month,
                                     const QString &day) {
    const int y = DigitsValue(year);
    if (y < 0)
        return std::nullopt;
    return MakeDay(ExpandYear(y), DigitsValue(month), DigitsValue(day));
}

bool SaveDueDate(modRilo &state) {
    bool ok = settings::Write(state, "yo_y", state.DueYear);
    ok &= settings::Write(state, "yo_m", state.DueMonth);
    ok &= settings::Write(state, "yo_d", state.DueDay);
    state.StartupDone = 1;
    ok &= settings::Write(state, "start_up", QByteArrayView("1"));

    const auto due = DueDateFromFields(state.DueYear, state.DueMonth, state.DueDay);
    if (!due) {
        state.DueDate.reset();
        return false;
    }
    state.DueDate = ToStamp(*due);
    ok &= settings::Write(state, "yoteibi", FormatDateText(*due));
    return ok;
}

bool ComputeMilestones(modRilo &state) {
    if (!state.DueDate)
        return false;
    const Day start = ToDay(*state.DueDate) - days(kPregnancyDays);
    state.StartDate = ToStamp(start);
    bool ok = settings::Write(state, "hajime", FormatDateText(start));

    for (int n = 1; n <= 10; ++n) {
        const QByteArray key = "tuki" + QByteArray::number(n);
        ok &= settings::Write(state, key, FormatDateText(start + days(kMonthDays * n)));
    }

    const Day dog = FindDogDay(start + days(kMonthDays * 4));
    state.DogDay = ToStamp(dog);
    ok &= settings::Write(state, "inu", FormatDateText(dog));
    return ok;
}

} // namespace dates
