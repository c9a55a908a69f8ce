#include "dates/countdown.h"

#include <algorithm>
#include <limits>

namespace dates {
namespace {

using namespace std::chrono;

constexpr std::int64_t kSecondsPerDay = 86400;

// Whole days in a span of seconds, rounded to the nearest, ties to even.
std::int64_t RoundToDays(seconds span) {
    std::int64_t q = span.count() / kSecondsPerDay;
    std::int64_t r = span.count() % kSecondsPerDay;
    if (r < 0) {
        --q;
        r += kSecondsPerDay;
    }
    if (2 * r > kSecondsPerDay || (2 * r == kSecondsPerDay && q % 2 != 0))
        ++q;
    return q;
}

} // namespace

CountdownTexts ComputeCountdown(DateStamp dueDate, DateStamp startDate, Day today) {
    CountdownTexts texts;
    const seconds toDue = dueDate - DateStamp(today);
    if (toDue > seconds::zero()) {
        texts.Sentence = QStringLiteral("あと 　　日");
        texts.Number = QString::number(RoundToDays(toDue));
    } else if (toDue == seconds::zero()) {
        texts.Sentence = QStringLiteral("今日は予定日です");
    } else {
        texts.Sentence = QStringLiteral("予定日から 　　日");
        texts.Number = QString::number(RoundToDays(-toDue));
    }

    const std::int32_t d = std::int32_t(std::clamp<std::int64_t>(
        RoundToDays(DateStamp(today) - startDate), std::numeric_limits<std::int32_t>::min(),
        std::numeric_limits<std::int32_t>::max()));
    const std::int32_t weeks = d / 7;
    texts.Weeks = QString::number(weeks);
    texts.Days = QString::number(d % 7);
    texts.Month = QString::number(weeks / 4 + 1);
    return texts;
}

} // namespace dates
