#pragma once

#include <QDateTime>

namespace dates {

// The first instant after `now` at which a new calendar day begins, in `now`'s own time (local
// time, an offset or a time zone). That is the next midnight, except on a day whose midnight a
// daylight-saving jump skips: that day begins at its first existing time (01:00, say). A day
// that does not exist at all (a zone crossing the date line) is passed over. Invalid when `now`
// is invalid.
QDateTime NextStartOfDay(const QDateTime &now);

// The first instant after `now` at which a new day begins in the process's local time zone,
// whatever time `now` is given in.
QDateTime NextLocalStartOfDay(const QDateTime &now);

} // namespace dates
