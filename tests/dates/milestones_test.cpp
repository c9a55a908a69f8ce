#include "dates/milestones.h"

#include "settings/inifile.h"
#include "settings/modrilo.h"

#include "../testutil.h"

#include <cstdint>

namespace {

using namespace std::chrono;
using dates::Day;

Day D(int y, unsigned m, unsigned d) {
    return sys_days(year(y) / month(m) / day(d));
}

// The stepping search over a signed 16-bit offset from 2003-01-01, as the original did it.
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

class Milestones : public TempFolderTest {
protected:
    modRilo Confirm(const char *y, const char *m, const char *d) {
        modRilo state;
        settings::ResolveIniPath(state, Folder(), Path(QStringLiteral("user")));
        state.DueYear = QString::fromLatin1(y);
        state.DueMonth = QString::fromLatin1(m);
        state.DueDay = QString::fromLatin1(d);
        EXPECT_TRUE(dates::SaveDueDate(state));
        EXPECT_TRUE(dates::ComputeMilestones(state));
        return state;
    }
    QByteArray Key(const modRilo &state, const char *key) {
        return ini::ReadString(state.IniPath, "riloini", key, "(missing)");
    }
};

TEST_F(Milestones, WorkedExamplesStoreEveryKey) {
    struct Row {
        const char *y, *m, *d;
        std::vector<const char *> expected; // yoteibi, hajime, tuki1..tuki10, inu
    };
    const std::vector<Row> rows = {
        {"2005",
         "10",
         "10",
         {"2005/10/10", "2005/01/03", "2005/01/31", "2005/02/28", "2005/03/28", "2005/04/25",
          "2005/05/23", "2005/06/20", "2005/07/18", "2005/08/15", "2005/09/12", "2005/10/10",
          "2005/05/02"}},
        {"2006",
         "5",
         "1",
         {"2006/05/01", "2005/07/25", "2005/08/22", "2005/09/19", "2005/10/17", "2005/11/14",
          "2005/12/12", "2006/01/09", "2006/02/06", "2006/03/06", "2006/04/03", "2006/05/01",
          "2005/11/22"}},
    };
    for (const Row &row : rows) {
        const modRilo state = Confirm(row.y, row.m, row.d);
        std::vector<QByteArray> keys = {"yoteibi", "hajime"};
        for (int n = 1; n <= 10; ++n)
            keys.push_back("tuki" + QByteArray::number(n));
        keys.push_back("inu");
        for (size_t i = 0; i < keys.size(); ++i)
            EXPECT_EQ(Key(state, keys[i].constData()), row.expected[i]) << keys[i].constData();
        EXPECT_EQ(dates::FormatDateText(*state.DogDay), QString::fromLatin1(row.expected.back()));
    }
}

TEST_F(Milestones, DogDayEdgeCases) {
    struct Row {
        const char *y, *m, *d, *hajime, *tuki4, *inu;
    };
    const std::vector<Row> rows = {
        {"2004", "03", "01", "2003/05/26", "2003/09/15", "2003/09/22"}, // across a leap day
        {"2005", "6", "7", "2004/08/31", "2004/12/21", "2005/01/02"},   // fifth month on a dog day
        {"2003", "1", "1", "2002/03/27", "2002/07/17", "2002/07/29"},   // before the anchor
    };
    for (const Row &row : rows) {
        const modRilo state = Confirm(row.y, row.m, row.d);
        EXPECT_EQ(Key(state, "hajime"), row.hajime);
        EXPECT_EQ(Key(state, "tuki4"), row.tuki4);
        EXPECT_EQ(Key(state, "inu"), row.inu);
    }
}

TEST_F(Milestones, TypedFieldsAreStoredAsTyped) {
    const modRilo state = Confirm("2005", "05", "09");
    EXPECT_EQ(Key(state, "yo_y"), "2005");
    EXPECT_EQ(Key(state, "yo_m"), "05");
    EXPECT_EQ(Key(state, "yo_d"), "09");
    EXPECT_EQ(Key(state, "start_up"), "1");
    EXPECT_EQ(Key(state, "yoteibi"), "2005/05/09");
    EXPECT_EQ(state.StartupDone, 1);
}

const QByteArray kFile20060501 =
    "[riloini]\r\nyo_y=2006\r\nyo_m=5\r\nyo_d=1\r\nstart_up=1\r\nyoteibi=2006/05/01\r\n"
    "hajime=2005/07/25\r\ntuki1=2005/08/22\r\ntuki2=2005/09/19\r\ntuki3=2005/10/17\r\n"
    "tuki4=2005/11/14\r\ntuki5=2005/12/12\r\ntuki6=2006/01/09\r\ntuki7=2006/02/06\r\n"
    "tuki8=2006/03/06\r\ntuki9=2006/04/03\r\ntuki10=2006/05/01\r\ninu=2005/11/22\r\n";

TEST_F(Milestones, KeysAreWrittenInOrderIntoANewFile) {
    const modRilo state = Confirm("2006", "5", "1");
    EXPECT_EQ(ReadBytes(state.IniPath), kFile20060501);
}

TEST_F(Milestones, ConfirmingAgainOverwritesEveryKeyInPlace) {
    Confirm("2005", "10", "10");
    const modRilo state = Confirm("2006", "5", "1");
    EXPECT_EQ(ReadBytes(state.IniPath), kFile20060501);
}

TEST_F(Milestones, ShortYearsNeverMoveOnReconfirmation) {
    const std::vector<std::pair<const char *, const char *>> rows = {
        {"5", "2005/05/01"},  {"05", "2005/05/01"},   {"0005", "2005/05/01"},
        {"30", "1930/05/01"}, {"0999", "0999/05/01"},
    };
    for (const auto &[typed, expected] : rows) {
        modRilo state = Confirm(typed, "5", "1");
        EXPECT_EQ(Key(state, "yoteibi"), expected) << typed;
        // The dialog re-opens with the stored numbers; confirming them keeps the date.
        settings::LoadSettings(state);
        EXPECT_TRUE(dates::SaveDueDate(state));
        EXPECT_EQ(Key(state, "yoteibi"), expected) << typed;
    }
}

TEST_F(Milestones, NoDueDateWritesNoMilestones) {
    modRilo state;
    settings::ResolveIniPath(state, Folder(), Path(QStringLiteral("user")));
    state.DueYear = QStringLiteral("2006");
    state.DueMonth = QStringLiteral("2");
    state.DueDay = QStringLiteral("30");
    EXPECT_FALSE(dates::SaveDueDate(state));
    EXPECT_FALSE(state.DueDate);
    EXPECT_FALSE(dates::ComputeMilestones(state));
    EXPECT_EQ(Key(state, "yoteibi"), "(missing)");
    EXPECT_EQ(Key(state, "hajime"), "(missing)");
}

} // namespace
