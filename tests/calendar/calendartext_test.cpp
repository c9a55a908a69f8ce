#include "calendar/calendartext.h"

#include "dates/milestones.h"
#include "settings/duedate.h"

#include "../testdata.h"

#include <gtest/gtest.h>

#include <QFile>

namespace {

using namespace std::chrono;
using dates::DateStamp;
using dates::Day;

// The dates the program derives for a due date, as the calendar window holds them.
settings::CalendarDates For(Day due) {
    settings::CalendarDates dates;
    const Day start = due - days(280);
    for (int month = 1; month <= 10; ++month)
        dates.monthStarts[month - 1] = DateStamp(start + days(28 * (month - 1)));
    dates.dogDay = DateStamp(dates::FindDogDay(start + days(112)));
    dates.due = DateStamp(due);
    return dates;
}

TEST(BuildCalendarText, WorkedExampleLineForLine) {
    EXPECT_EQ(calendar::BuildCalendarText(For(D(2006, 5, 1))),
              QString::fromUtf8(kWorkedExampleExport));
}

TEST(BuildCalendarText, WorkedExampleIs327ShiftJisBytes) {
    const auto bytes = calendar::EncodeShiftJis(calendar::BuildCalendarText(For(D(2006, 5, 1))));
    ASSERT_TRUE(bytes);
    EXPECT_EQ(bytes->size(), 327);
    // 1ヶ月　 in Shift-JIS: '1', ヶ 83 96, 月 8C 8E, 　 81 40.
    EXPECT_EQ(bytes->mid(24, 7), QByteArray("1\x83\x96\x8c\x8e\x81\x40"));
    EXPECT_EQ(bytes->mid(24 + 7, 12), QByteArray("2005/07/25\r\n"));
    EXPECT_TRUE(bytes->endsWith("----------------------\r\n"));
    EXPECT_FALSE(bytes->contains('?'));
    EXPECT_EQ(bytes->count("\r\n"), 16);
    EXPECT_EQ(bytes->count('\n'), 16);
}

TEST(BuildCalendarText, MissingDatesLeaveTheirLinesEmpty) {
    settings::CalendarDates dates = For(D(2006, 5, 1));
    dates.monthStarts[3].reset();
    dates.dogDay.reset();
    const QStringList lines = calendar::BuildCalendarText(dates).split(QStringLiteral("\r\n"));
    ASSERT_EQ(lines.size(), 17); // sixteen lines and the empty rest after the last CR LF
    EXPECT_EQ(lines[4], QStringLiteral("4ヶ月　"));
    EXPECT_EQ(lines[12], QStringLiteral("戌の日　"));
    EXPECT_EQ(lines[14], QStringLiteral("予定日　2006/05/01"));
}

TEST(EncodeShiftJis, ReportsCharactersWithoutAShiftJisForm) {
    EXPECT_FALSE(calendar::EncodeShiftJis(QStringLiteral("予定日 😀")));
    EXPECT_FALSE(calendar::EncodeShiftJis(QStringLiteral("한국어")));
    EXPECT_EQ(calendar::EncodeShiftJis(QStringLiteral("戌の日")),
              QByteArray("\x9c\xfa\x82\xcc\x93\xfa"));
}

} // namespace
