#include "calendar/calendartext.h"

#include "settings/modrilo.h"

#include <QStringEncoder>

namespace calendar {
namespace {

QString DateOrEmpty(const OptionalDate &date) {
    return date ? dates::FormatDateText(*date) : QString();
}

} // namespace

QString BuildCalendarText(const OptionalDate &startDate,
                          const std::array<OptionalDate, 12> &monthStarts,
                          const OptionalDate &dogDay, const OptionalDate &dueDate) {
    const QString eol = QStringLiteral("\r\n");
    const QString separator = QString(22, u'-') + eol;
    const QString monthLabel = QStringLiteral("ヶ月　");

    QString text = separator;
    text += QStringLiteral("1") + monthLabel + DateOrEmpty(startDate) + eol;
    for (int n = 2; n <= 10; ++n)
        text += QString::number(n) + monthLabel + DateOrEmpty(monthStarts[n - 1]) + eol;
    text += separator;
    text += QStringLiteral("戌の日　") + DateOrEmpty(dogDay) + eol;
    text += separator;
    text += QStringLiteral("予定日　") + DateOrEmpty(dueDate) + eol;
    text += separator;
    return text;
}

QString BuildCalendarText(const modRilo &state) {
    return BuildCalendarText(state.StartDate, state.MonthStarts, state.DogDay, state.DueDate);
}

std::optional<QByteArray> EncodeShiftJis(QStringView text) {
    QStringEncoder encoder("Shift_JIS", QStringConverter::Flag::Stateless);
    if (!encoder.isValid())
        return std::nullopt;
    QByteArray bytes = encoder.encode(text);
    if (encoder.hasError())
        return std::nullopt;
    return bytes;
}

} // namespace calendar
