#include "dates/datetext.h"

#include <QDate>

namespace dates {
namespace {

using namespace std::chrono;

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// Reads 1..maxDigits digits at `pos`, advancing it.
std::optional<int> ReadNumber(QByteArrayView text, qsizetype &pos, int maxDigits,
                              int *digitCount = nullptr) {
    int value = 0;
    int count = 0;
    while (pos < text.size() && IsDigit(text[pos]) && count < maxDigits) {
        value = value * 10 + (text[pos] - '0');
        ++pos;
        ++count;
    }
    if (count == 0 || (pos < text.size() && IsDigit(text[pos])))
        return std::nullopt;
    if (digitCount)
        *digitCount = count;
    return value;
}

bool Expect(QByteArrayView text, qsizetype &pos, char c) {
    if (pos < text.size() && text[pos] == c) {
        ++pos;
        return true;
    }
    return false;
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

std::optional<seconds> ParseTimeOfDay(QByteArrayView text, qsizetype &pos) {
    const auto h = ReadNumber(text, pos, 2);
    if (!h || !Expect(text, pos, ':'))
        return std::nullopt;
    const auto m = ReadNumber(text, pos, 2);
    if (!m)
        return std::nullopt;
    int s = 0;
    if (Expect(text, pos, ':')) {
        const auto sec = ReadNumber(text, pos, 2);
        if (!sec)
            return std::nullopt;
        s = *sec;
    }
    if (*h > 23 || *m > 59 || s > 59)
        return std::nullopt;
    return hours(*h) + minutes(*m) + seconds(s);
}

} // namespace

int ExpandYear(int year) {
    if (year < 0 || year >= 100)
        return year;
    return year < 30 ? 2000 + year : 1900 + year;
}

std::optional<Day> MakeDay(int y, int m, int d) {
    if (y < int(year::min()) || y > int(year::max()) || m < 1 || m > 12 || d < 1 || d > 31)
        return std::nullopt;
    const year_month_day ymd{year(y), month(unsigned(m)), day(unsigned(d))};
    if (!ymd.ok())
        return std::nullopt;
    return sys_days(ymd);
}

bool HasFourDigitYear(Day d) {
    const int y = int(year_month_day(d).year());
    return y >= 0 && y <= 9999;
}

QString FormatDateText(Day d) {
    const year_month_day ymd(d);
    return QStringLiteral("%1/%2/%3")
        .arg(int(ymd.year()), 4, 10, QLatin1Char('0'))
        .arg(unsigned(ymd.month()), 2, 10, QLatin1Char('0'))
        .arg(unsigned(ymd.day()), 2, 10, QLatin1Char('0'));
}

QString FormatDateText(DateStamp stamp) {
    return FormatDateText(ToDay(stamp));
}

std::optional<DateStamp> ParseDateText(QByteArrayView text) {
    while (!text.isEmpty() && IsBlank(text.front()))
        text = text.sliced(1);
    while (!text.isEmpty() && IsBlank(text.back()))
        text.chop(1);

    qsizetype pos = 0;
    int yearDigits = 0;
    const auto y = ReadNumber(text, pos, 4, &yearDigits);
    if (!y || !Expect(text, pos, '/'))
        return std::nullopt;
    const auto m = ReadNumber(text, pos, 2);
    if (!m || !Expect(text, pos, '/'))
        return std::nullopt;
    const auto d = ReadNumber(text, pos, 2);
    if (!d)
        return std::nullopt;
    const auto date = MakeDay(yearDigits <= 2 ? ExpandYear(*y) : *y, *m, *d);
    if (!date)
        return std::nullopt;
    if (pos == text.size())
        return DateStamp(*date);

    if (!IsBlank(text[pos]))
        return std::nullopt;
    while (pos < text.size() && IsBlank(text[pos]))
        ++pos;
    const auto time = ParseTimeOfDay(text, pos);
    if (!time || pos != text.size())
        return std::nullopt;
    return DateStamp(*date) + *time;
}

Day LocalDayAt(const QDateTime &at) {
    const QDate day = at.toLocalTime().date();
    return *MakeDay(day.year(), day.month(), day.day());
}

Day LocalToday() {
    return LocalDayAt(QDateTime::currentDateTime());
}

} // namespace dates
