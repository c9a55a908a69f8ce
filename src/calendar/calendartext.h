#pragma once

#include "dates/datetext.h"

#include <QByteArray>
#include <QString>
#include <QStringView>

#include <array>
#include <optional>

namespace settings {
struct modRilo;
}

// The text of the calendar export.
namespace calendar {

using OptionalDate = std::optional<dates::DateStamp>;

// The sixteen lines of the export, each ended by CR LF: the ten month starts ("1ヶ月　" and the
// start date, then months 2 to 10 from monthStarts), the Day of the Dog and the due date,
// framed by separator lines. A missing date leaves its line's date empty.
QString BuildCalendarText(const OptionalDate &startDate,
                          const std::array<OptionalDate, 9> &monthStarts,
                          const OptionalDate &dogDay, const OptionalDate &dueDate);
QString BuildCalendarText(const settings::modRilo &state);

// `text` in Shift-JIS; nullopt when a character has no Shift-JIS form or no encoder exists.
std::optional<QByteArray> EncodeShiftJis(QStringView text);

} // namespace calendar
