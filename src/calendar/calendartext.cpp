#include "calendar/calendartext.h"

#include "dates/datetext.h"
#include "settings/duedate.h"

#include <QStringEncoder>

#ifdef Q_OS_WIN
#include <windows.h>
#endif

namespace calendar {
namespace {

QString DateOrEmpty(const std::optional<dates::DateStamp> &date) {
    return date ? dates::FormatDateText(*date) : QString();
}

} // namespace

QString BuildCalendarText(const settings::CalendarDates &dates) {
    const QString eol = QStringLiteral("\r\n");
    const QString separator = QString(22, u'-') + eol;
    const QString monthLabel = QStringLiteral("ヶ月　");

    QString text = separator;
    for (int month = 1; month <= 10; ++month)
        text +=
            QString::number(month) + monthLabel + DateOrEmpty(dates.monthStarts[month - 1]) + eol;
    text += separator;
    text += QStringLiteral("戌の日　") + DateOrEmpty(dates.dogDay) + eol;
    text += separator;
    text += QStringLiteral("予定日　") + DateOrEmpty(dates.due) + eol;
    text += separator;
    return text;
}

#ifdef Q_OS_WIN
// Windows' code page 932, with no best-fit replacements: a character without a Shift-JIS form
// makes the conversion report the default character, and the encoding fails. (Qt for Windows
// has no ICU, so Qt's own encoders know no Shift-JIS there.)
std::optional<QByteArray> EncodeShiftJis(QStringView text) {
    if (text.isEmpty())
        return QByteArray();
    const auto *wide = reinterpret_cast<const wchar_t *>(text.utf16());
    const int length = int(text.size());
    BOOL usedDefault = FALSE;
    const int size = WideCharToMultiByte(932, WC_NO_BEST_FIT_CHARS, wide, length, nullptr, 0,
                                         nullptr, &usedDefault);
    if (size <= 0 || usedDefault)
        return std::nullopt;
    QByteArray bytes(size, Qt::Uninitialized);
    if (WideCharToMultiByte(932, WC_NO_BEST_FIT_CHARS, wide, length, bytes.data(), size, nullptr,
                            &usedDefault) != size ||
        usedDefault)
        return std::nullopt;
    return bytes;
}
#else
std::optional<QByteArray> EncodeShiftJis(QStringView text) {
    QStringEncoder encoder("Shift_JIS", QStringConverter::Flag::Stateless);
    if (!encoder.isValid())
        return std::nullopt;
    QByteArray bytes = encoder.encode(text);
    if (encoder.hasError())
        return std::nullopt;
    return bytes;
}
#endif

} // namespace calendar
