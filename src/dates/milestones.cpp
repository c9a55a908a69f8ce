#include "dates/milestones.h"

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

Milestones MilestonesFor(Day dueDate) {
    Milestones m;
    m.start = dueDate - days(kPregnancyDays);
    for (int n = 1; n <= 10; ++n)
        m.monthStarts[n - 1] = m.start + days(kMonthDays * n);
    m.dogDay = FindDogDay(m.monthStarts[3]);
    return m;
}

} // namespace dates
