#include "settings/duedate.h"

#include "settings/inifile.h"

#include "../testutil.h"

namespace {

using namespace std::chrono;
using dates::DateStamp;
using dates::Day;

Day D(int y, unsigned m, unsigned d) {
    return sys_days(year(y) / month(m) / day(d));
}

class DueDate : public TempFolderTest {
protected:
    settings::modRilo Confirm(const char *y, const char *m, const char *d) {
        settings::modRilo state;
        settings::ResolveIniPath(state, Folder(), Path(QStringLiteral("user")));
        state.DueYear = QString::fromLatin1(y);
        state.DueMonth = QString::fromLatin1(m);
        state.DueDay = QString::fromLatin1(d);
        EXPECT_TRUE(settings::StoreDueDate(state));
        return state;
    }
    QByteArray Key(const settings::modRilo &state, const char *key) {
        return settings::ini::ReadString(state.IniPath, "riloini", key, "(missing)");
    }
};

TEST_F(DueDate, TypedFieldsAreStoredAsTyped) {
    const settings::modRilo state = Confirm("2005", "05", "09");
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

TEST_F(DueDate, KeysAreWrittenInOrderIntoANewFile) {
    const settings::modRilo state = Confirm("2006", "5", "1");
    EXPECT_EQ(ReadBytes(state.IniPath), kFile20060501);
}

TEST_F(DueDate, ConfirmingAgainOverwritesEveryKeyInPlace) {
    Confirm("2005", "10", "10");
    const settings::modRilo state = Confirm("2006", "5", "1");
    EXPECT_EQ(ReadBytes(state.IniPath), kFile20060501);
}

TEST_F(DueDate, ShortYearsNeverMoveOnReconfirmation) {
    const std::vector<std::pair<const char *, const char *>> rows = {
        {"5", "2005/05/01"},  {"05", "2005/05/01"},   {"0005", "2005/05/01"},
        {"30", "1930/05/01"}, {"0999", "0999/05/01"},
    };
    for (const auto &[typed, expected] : rows) {
        settings::modRilo state = Confirm(typed, "5", "1");
        EXPECT_EQ(Key(state, "yoteibi"), expected) << typed;
        // The dialog re-opens with the stored numbers; confirming them keeps the date.
        settings::LoadSettings(state, settings::Snapshot::Read(state.IniPath));
        EXPECT_TRUE(settings::StoreDueDate(state));
        EXPECT_EQ(Key(state, "yoteibi"), expected) << typed;
    }
}

TEST_F(DueDate, NoDueDateWritesNoMilestones) {
    settings::modRilo state;
    settings::ResolveIniPath(state, Folder(), Path(QStringLiteral("user")));
    state.DueYear = QStringLiteral("2006");
    state.DueMonth = QStringLiteral("2");
    state.DueDay = QStringLiteral("30");
    EXPECT_FALSE(settings::StoreDueDate(state));
    EXPECT_FALSE(state.DueDate);
    EXPECT_EQ(Key(state, "yo_d"), "30");
    EXPECT_EQ(Key(state, "yoteibi"), "(missing)");
    EXPECT_EQ(Key(state, "hajime"), "(missing)");
}

TEST(CountdownFor, NeedsBothStoredDates) {
    settings::modRilo state;
    EXPECT_FALSE(settings::CountdownFor(state, D(2005, 10, 9)));
    state.DueDate = DateStamp(D(2005, 10, 10));
    EXPECT_FALSE(settings::CountdownFor(state, D(2005, 10, 9)));
    state.StartDate = DateStamp(D(2005, 1, 3));
    ASSERT_TRUE(settings::CountdownFor(state, D(2005, 10, 9)));
    EXPECT_EQ(settings::CountdownFor(state, D(2005, 10, 9))->Number, QStringLiteral("1"));
}

} // namespace
