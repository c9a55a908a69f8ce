#include "dates/nextmidnight.h"

#include <QTimeZone>

namespace dates {

QDateTime NextStartOfDay(const QDateTime &now) {
    if (!now.isValid())
        return {};
    // A zone may skip at most one whole day (Samoa left out 2011-12-30); look a little further.
    const Qt::TimeSpec timeSpec = now.timeSpec();
    for (int ahead = 1; ahead <= 3; ++ahead) {
        const QDate day = now.date().addDays(ahead);
        const QDateTime start =
            timeSpec == Qt::TimeZone
                ? day.startOfDay(now.timeZone())
                : day.startOfDay(timeSpec, timeSpec == Qt::OffsetFromUTC ? now.offsetFromUtc() : 0);
        if (start.isValid() && start > now)
            return start;
    }
    return {};
}

QDateTime NextLocalStartOfDay(const QDateTime &now) {
    return NextStartOfDay(now.toLocalTime());
}

} // namespace dates
