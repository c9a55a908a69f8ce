// The date-text reader on arbitrary bytes: it never fails unsafely, every date it accepts is the
// one whose numbers the text spells, and it comes back as the same day through the text the
// program writes.
#include "dates/datetext.h"

#include <QByteArrayView>
#include <QString>

#include <chrono>
#include <cstdio>
#include <cstdlib>

namespace {

void Require(bool ok, const char *what, QByteArrayView input) {
    if (!ok) {
        std::fprintf(stderr, "datetext_fuzz: %s for \"%.*s\"\n", what, int(input.size()),
                     input.data());
        std::abort();
    }
}

// The number of the digits at the start of `text`.
int LeadingNumber(QByteArrayView text, int *digits = nullptr) {
    int value = 0;
    int count = 0;
    for (; count < text.size() && text[count] >= '0' && text[count] <= '9'; ++count)
        value = value * 10 + (text[count] - '0');
    if (digits)
        *digits = count;
    return value;
}

// Year, month and day as the accepted text "y/m/d ..." spells them.
void CheckFields(QByteArrayView input, dates::Day day) {
    QByteArrayView text = input.trimmed();
    int yearDigits = 0;
    const int year = LeadingNumber(text, &yearDigits);
    text = text.sliced(text.indexOf('/') + 1);
    const int month = LeadingNumber(text);
    text = text.sliced(text.indexOf('/') + 1);
    const int dayOfMonth = LeadingNumber(text);

    const std::chrono::year_month_day ymd(day);
    Require(unsigned(ymd.month()) == unsigned(month) && unsigned(ymd.day()) == unsigned(dayOfMonth),
            "the month or day is not the one written", input);
    Require(yearDigits <= 2 ? int(ymd.year()) % 100 == year : int(ymd.year()) == year,
            "the year is not the one written", input);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    const QByteArrayView input(reinterpret_cast<const char *>(data), qsizetype(size));
    const auto stamp = dates::ParseDateText(input);
    if (!stamp)
        return 0;

    const dates::Day day = dates::ToDay(*stamp);
    CheckFields(input, day);
    const auto timeOfDay = *stamp - dates::ToStamp(day);
    Require(timeOfDay >= std::chrono::seconds(0) && timeOfDay < std::chrono::days(1),
            "the time of day is not within the day", input);

    const QString text = dates::FormatDateText(*stamp);
    Require(text.size() == 10, "the date text is not yyyy/MM/dd", input);
    const auto back = dates::ParseDateText(text.toLatin1());
    Require(back.has_value(), "the written date text is refused", input);
    Require(*back == dates::ToStamp(day), "the written date text is another day", input);
    return 0;
}
