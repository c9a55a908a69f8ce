#include "dates/milestones.h"

#include <cassert>

namespace dates {
namespace {

using namespace std::chrono;

constexpr Day kDogAnchor = sys_days(2003y / January / 1);
constexpr int kDogCycle = 12;

} // namespace

Day FindDogDay(Day fifthMonth) {
    const int r = int(((fifthMonth - kDogAnchor).count() % kDogCycle + kDogCycle) % kDogCycle);
    return fifthMonth + days(kDogCycle - r);
}

Day Milestones::MonthStart(int month) const {
    assert(month >= 1 && month <= 10);
    return due - days(kPregnancyDays) + days(kMonthDays * (month - 1));
}

Milestones MilestonesFor(Day dueDate) {
    Milestones m{dueDate, {}};
    m.dogDay = FindDogDay(m.MonthStart(5));
    return m;
}

} // namespace dates
