#include "dates/milestones.h"

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

Milestones MilestonesFor(Day dueDate) {
    Milestones m;
    m.start = dueDate - days(kPregnancyDays);
    for (int n = 1; n <= 10; ++n)
        m.monthStarts[n - 1] = m.start + days(kMonthDays * n);
    m.dogDay = FindDogDay(m.monthStarts[3]);
    return m;
}

} // namespace dates
