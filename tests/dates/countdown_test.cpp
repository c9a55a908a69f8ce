#include "dates/countdown.h"

#include "../testdata.h"

#include <gtest/gtest.h>

namespace {

using namespace std::chrono;
using dates::CountdownTexts;
using dates::DateStamp;
using dates::Day;

const QString kLeft = QStringLiteral("あと 　　日");
const QString kToday = QStringLiteral("今日は予定日です");
const QString kSince = QStringLiteral("予定日から 　　日");

TEST(ComputeCountdown, DueDate20051010) {
    struct Row {
        Day today;
        CountdownTexts expected;
    };
    const std::vector<Row> rows = {
        {D(2005, 10, 9), {kLeft, "1", "39", "6", "10"}},
        {D(2005, 10, 10), {kToday, "", "40", "0", "11"}},
        {D(2005, 10, 13), {kSince, "3", "40", "3", "11"}},
        {D(2005, 1, 3), {kLeft, "280", "0", "0", "1"}},
        {D(2005, 1, 30), {kLeft, "253", "3", "6", "1"}},
        {D(2005, 1, 31), {kLeft, "252", "4", "0", "2"}},
        {D(2004, 12, 24), {kLeft, "290", "-1", "-3", "1"}},
        {D(2004, 12, 5), {kLeft, "309", "-4", "-1", "0"}},
    };
    for (const Row &row : rows) {
        const CountdownTexts got = dates::ComputeCountdown(DateStamp(D(2005, 10, 10)),
                                                           DateStamp(D(2005, 1, 3)), row.today);
        EXPECT_EQ(got, row.expected)
            << dates::FormatDateText(row.today).toStdString() << ": " << got.Sentence.toStdString()
            << "|" << got.Number.toStdString() << "|" << got.Weeks.toStdString() << "|"
            << got.Days.toStdString() << "|" << got.Month.toStdString();
    }
}

TEST(ComputeCountdown, FractionsRoundHalfToEven) {
    const DateStamp start(D(2005, 1, 3));
    struct Row {
        DateStamp due;
        Day today;
        QString sentence;
        QString number;
    };
    const std::vector<Row> rows = {
        {DateStamp(D(2005, 10, 10)) + hours(12), D(2005, 10, 10), kLeft, "0"}, // 0.5 -> 0
        {DateStamp(D(2005, 10, 11)) + hours(12), D(2005, 10, 10), kLeft, "2"}, // 1.5 -> 2
        {DateStamp(D(2005, 10, 12)) + hours(12), D(2005, 10, 10), kLeft, "2"}, // 2.5 -> 2
        {DateStamp(D(2005, 10, 10)) + hours(13), D(2005, 10, 10), kLeft, "1"}, // 0.54 -> 1
        {DateStamp(D(2005, 10, 9)) + hours(12), D(2005, 10, 10), kSince, "0"}, // -0.5 -> 0
        {DateStamp(D(2005, 10, 8)) + hours(12), D(2005, 10, 10), kSince, "2"}, // -1.5 -> 2
        {DateStamp(D(2005, 10, 7)) + hours(12), D(2005, 10, 10), kSince, "2"}, // -2.5 -> 2
        {DateStamp(D(2005, 10, 9)) + hours(11), D(2005, 10, 10), kSince, "1"}, // -0.54 -> 1
        {DateStamp(D(2005, 10, 8)) + hours(1), D(2005, 10, 10), kSince, "2"},  // -1.96 -> 2
    };
    for (const Row &row : rows) {
        const CountdownTexts got = dates::ComputeCountdown(row.due, start, row.today);
        EXPECT_EQ(got.Sentence, row.sentence);
        EXPECT_EQ(got.Number, row.number);
    }
    // The start date's fraction rounds the pregnancy day the same way: 2.5 days -> 2.
    const auto got = dates::ComputeCountdown(DateStamp(D(2005, 10, 10)),
                                             DateStamp(D(2005, 1, 3)) - hours(12), D(2005, 1, 5));
    EXPECT_EQ(got.Days, QStringLiteral("2"));
    // A negative fraction rounds down as well: a start at 18:00 today is -0.75 days, so -1.
    EXPECT_EQ(dates::ComputeCountdown(DateStamp(D(2005, 10, 10)),
                                      DateStamp(D(2005, 1, 5)) + hours(18), D(2005, 1, 5))
                  .Days,
              QStringLiteral("-1"));
}

TEST(SpokenCountdown, OneSentenceForEveryState) {
    struct Row {
        std::optional<CountdownTexts> texts;
        const char *spoken;
    };
    const std::vector<Row> rows = {
        {CountdownTexts{kLeft, "98", "26", "0", "7"}, "26週0日、7ヶ月目。予定日まであと98日"},
        {CountdownTexts{kToday, "", "40", "0", "11"}, "40週0日、11ヶ月目。今日は予定日です"},
        {CountdownTexts{kSince, "5", "40", "5", "11"}, "40週5日、11ヶ月目。予定日から5日"},
        {CountdownTexts{kLeft, "290", "-1", "-3", "1"}, "-1週-3日、1ヶ月目。予定日まであと290日"},
        {std::nullopt,
         "予定日が入力されていません。メニューの「データ入力・変更」で入力してください"},
    };
    for (const Row &row : rows)
        EXPECT_EQ(dates::SpokenCountdown(row.texts), QString::fromUtf8(row.spoken));
}

} // namespace
