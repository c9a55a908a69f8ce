#include "dates/milestones.h"

#include "../testdata.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace {

using namespace std::chrono;
using dates::Day;

// The design's stepping search, over a signed 16-bit offset from 2003-01-01.
Day SteppingDogDay(Day m) {
    const Day anchor = D(2003, 1, 1);
    std::int16_t offset = 0;
    Day candidate = anchor;
    while (candidate >= m) {
        candidate = anchor + days(offset);
        offset = std::int16_t(offset - 12);
    }
    while (candidate <= m) {
        candidate = anchor + days(offset);
        offset = std::int16_t(offset + 12);
    }
    return candidate;
}

TEST(FindDogDay, MatchesTheSteppingSearchOnEveryDayItReaches) {
    for (Day m = D(1913, 5, 6); m <= D(2092, 8, 28); m += days(1))
        ASSERT_EQ(dates::FindDogDay(m), SteppingDogDay(m))
            << dates::FormatDateText(m).toStdString();
}

TEST(FindDogDay, StaysADogDayOneToTwelveDaysLaterOutsideThatRange) {
    for (Day m : {D(100, 1, 1), D(1000, 7, 7), D(1913, 5, 5), D(2092, 8, 29), D(9999, 12, 1)}) {
        const Day dog = dates::FindDogDay(m);
        const auto gap = (dog - m).count();
        EXPECT_GE(gap, 1);
        EXPECT_LE(gap, 12);
        EXPECT_EQ(((dog - D(2003, 1, 1)).count() % 12 + 12) % 12, 0);
    }
}

// The milestones of worked examples, every date in the order the file stores them.
TEST(MilestonesFor, WorkedExamples) {
    struct Row {
        Day due;
        std::vector<const char *> expected; // hajime, tuki1..tuki10, inu: months 1 to 10, due, dog
    };
    const std::vector<Row> rows = {
        {D(2005, 10, 10),
         {"2005/01/03", "2005/01/31", "2005/02/28", "2005/03/28", "2005/04/25", "2005/05/23",
          "2005/06/20", "2005/07/18", "2005/08/15", "2005/09/12", "2005/10/10", "2005/05/02"}},
        {D(2006, 5, 1),
         {"2005/07/25", "2005/08/22", "2005/09/19", "2005/10/17", "2005/11/14", "2005/12/12",
          "2006/01/09", "2006/02/06", "2006/03/06", "2006/04/03", "2006/05/01", "2005/11/22"}},
    };
    for (const Row &row : rows) {
        const dates::Milestones m = dates::MilestonesFor(row.due);
        std::vector<QString> got;
        for (int month = 1; month <= 10; ++month)
            got.push_back(dates::FormatDateText(m.MonthStart(month)));
        got.push_back(dates::FormatDateText(m.due));
        got.push_back(dates::FormatDateText(m.dogDay));
        ASSERT_EQ(got.size(), row.expected.size());
        for (size_t i = 0; i < got.size(); ++i)
            EXPECT_EQ(got[i], QString::fromLatin1(row.expected[i]))
                << dates::FormatDateText(row.due).toStdString() << " #" << i;
    }
}

TEST(MilestonesFor, DogDayEdgeCases) {
    struct Row {
        Day due, start, fifthMonth, dog;
    };
    const std::vector<Row> rows = {
        {D(2004, 3, 1), D(2003, 5, 26), D(2003, 9, 15), D(2003, 9, 22)}, // across a leap day
        {D(2005, 6, 7), D(2004, 8, 31), D(2004, 12, 21), D(2005, 1, 2)}, // fifth month on a dog day
        {D(2003, 1, 1), D(2002, 3, 27), D(2002, 7, 17), D(2002, 7, 29)}, // before the anchor
    };
    for (const Row &row : rows) {
        const dates::Milestones m = dates::MilestonesFor(row.due);
        EXPECT_EQ(m.MonthStart(1), row.start);
        EXPECT_EQ(m.MonthStart(5), row.fifthMonth);
        EXPECT_EQ(m.dogDay, row.dog);
    }
}

} // namespace
