#include "dates/datetext.h"

#include "../testdata.h"

#include <gtest/gtest.h>

namespace {

using namespace std::chrono;
using dates::DateStamp;
using dates::Day;

TEST(DateText, EveryDayOf1900To2100RoundTrips) {
    for (Day d = D(1900, 1, 1); d <= D(2100, 12, 31); d += days(1)) {
        const QString text = dates::FormatDateText(d);
        ASSERT_EQ(text.size(), 10) << text.toStdString();
        const auto back = dates::ParseDateText(text.toLatin1());
        ASSERT_TRUE(back) << text.toStdString();
        ASSERT_EQ(*back, DateStamp(d)) << text.toStdString();
    }
}

TEST(DateText, FarYearsRoundTripWithFourDigits) {
    for (Day d : {D(1, 1, 1), D(99, 12, 31), D(100, 3, 1), D(999, 6, 15), D(9999, 12, 31)}) {
        const QString text = dates::FormatDateText(d);
        EXPECT_EQ(dates::ParseDateText(text.toLatin1()), DateStamp(d)) << text.toStdString();
    }
    EXPECT_EQ(dates::FormatDateText(D(99, 1, 2)), QStringLiteral("0099/01/02"));
}

TEST(DateText, ParsesWhatTheSettingsFileMayHold) {
    struct Row {
        const char *text;
        std::optional<DateStamp> expected;
    };
    const std::vector<Row> rows = {
        {"2005/10/10", DateStamp(D(2005, 10, 10))},
        {"2005/1/3", DateStamp(D(2005, 1, 3))},
        {"  2005/01/03\t", DateStamp(D(2005, 1, 3))},
        {"2005/10/10 12:00", DateStamp(D(2005, 10, 10)) + hours(12)},
        {"2005/10/10 12:00:30", DateStamp(D(2005, 10, 10)) + hours(12) + seconds(30)},
        {"2005/10/10  0:05", DateStamp(D(2005, 10, 10)) + minutes(5)},
        {"05/10/10", DateStamp(D(2005, 10, 10))},
        {"45/10/10", DateStamp(D(1945, 10, 10))},
        {"2004/02/29", DateStamp(D(2004, 2, 29))},
        {"りろ", std::nullopt},
        {"", std::nullopt},
        {"2005/02/30", std::nullopt},
        {"1900/02/29", std::nullopt},
        {"2005/13/01", std::nullopt},
        {"2005/00/10", std::nullopt},
        {"2005/10/00", std::nullopt},
        {"2005-10-10", std::nullopt},
        {"2005/10/10x", std::nullopt},
        {"2005/10/10 24:00", std::nullopt},
        {"2005/10/10 12:60", std::nullopt},
        {"2005/10/10 12", std::nullopt},
        {"12005/10/10", std::nullopt},
        {"2005/100/10", std::nullopt},
        {"-2005/10/10", std::nullopt},
        {"2005/10/10/", std::nullopt},
    };
    for (const Row &row : rows)
        EXPECT_EQ(dates::ParseDateText(QByteArray(row.text)), row.expected) << row.text;
}

TEST(ExpandYear, UsesTheTwoDigitWindow) {
    const std::vector<std::pair<int, int>> rows = {
        {0, 2000},  {5, 2005},  {29, 2029},   {30, 1930},   {99, 1999},
        {100, 100}, {999, 999}, {2006, 2006}, {9999, 9999},
    };
    for (const auto &[typed, expected] : rows)
        EXPECT_EQ(dates::ExpandYear(typed), expected) << typed;
}

} // namespace
