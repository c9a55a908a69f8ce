#include "entry/validation.h"

#include "dates/datetext.h"

#include <algorithm>
#include <cstdint>

namespace entry {
namespace {

// The value of a text of digits, saturated at the 32-bit maximum.
std::int32_t DigitsValue(QStringView digits) {
    std::int64_t value = 0;
    for (QChar c : digits)
        value = std::min<std::int64_t>(value * 10 + (c.unicode() - u'0'), INT32_MAX);
    return std::int32_t(value);
}

constexpr std::chrono::days kMostDaysAhead{280};
constexpr std::chrono::days kMostDaysBehind{365};

MessagePair Pair(int number, Field field) {
    static const QString kNumberPrompt = QStringLiteral("数値を入力して下さい");
    static const QString kInputError = QStringLiteral("入力エラー");
    switch (number) {
    case 1:
        return {1, QStringLiteral("予定日を入力してね"), kInputError, field};
    case 2:
        return {2, kNumberPrompt, QStringLiteral("年の入力エラー"), field};
    case 3:
        return {3, kNumberPrompt, QStringLiteral("月の入力エラー"), field};
    case 4:
        return {4, kNumberPrompt, QStringLiteral("日の入力エラー"), field};
    case 5:
        return {5, QStringLiteral("月の入力エラーです"), kInputError, field};
    default:
        return {6, QStringLiteral("日の入力エラーです"), kInputError, field};
    }
}

} // namespace

bool IsAllDigits(QStringView text) {
    return !text.isEmpty() &&
           std::all_of(text.begin(), text.end(), [](QChar c) { return c >= u'0' && c <= u'9'; });
}

DueDateCheck ValidateDueDateInput(QStringView year, QStringView month, QStringView day) {
    if (year.isEmpty())
        return Pair(1, Field::Year);
    if (month.isEmpty())
        return Pair(1, Field::Month);
    if (day.isEmpty())
        return Pair(1, Field::Day);
    if (!IsAllDigits(year) || DigitsValue(year) > kLastYear)
        return Pair(2, Field::Year);
    if (!IsAllDigits(month))
        return Pair(3, Field::Month);
    if (!IsAllDigits(day))
        return Pair(4, Field::Day);

    const std::int32_t m = DigitsValue(month);
    if (m < 1 || m > 12)
        return Pair(5, Field::Month);
    const auto due = dates::MakeDay(dates::ExpandYear(DigitsValue(year)), m, DigitsValue(day));
    if (!due)
        return Pair(6, Field::Day);
    return *due;
}

bool IsFarFromToday(dates::Day due, dates::Day today) {
    return due > today + kMostDaysAhead || due < today - kMostDaysBehind;
}

} // namespace entry
