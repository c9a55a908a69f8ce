#include "settings/duedate.h"

#include "entry/validation.h"
#include "settings/inikeys.h"

#include "../testdata.h"
#include "../testutil.h"

namespace {

using namespace std::chrono;
using dates::DateStamp;
using dates::Day;

class DueDate : public TempFolderTest {
protected:
    settings::modRilo Resolved() {
        settings::modRilo state;
        settings::ResolveIniPath(state, Folder(), Path(QStringLiteral("user")));
        return state;
    }
    // Stores the texts as the entry dialog does once they pass its check.
    static void Confirm(settings::modRilo &state, const settings::DueDateFields &typed) {
        const entry::DueDateCheck checked =
            entry::ValidateDueDateInput(typed.year, typed.month, typed.day);
        ASSERT_TRUE(std::holds_alternative<Day>(checked)) << typed.year.toStdString();
        EXPECT_EQ(settings::StoreDueDate(state, typed, std::get<Day>(checked)),
                  settings::StoreResult::Stored);
    }
    settings::modRilo Confirm(const char *y, const char *m, const char *d) {
        settings::modRilo state = Resolved();
        Confirm(state, {QString::fromLatin1(y), QString::fromLatin1(m), QString::fromLatin1(d)});
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
}

const QByteArray kFile20060501 = [] {
    QByteArray file = "[riloini]\r\n";
    for (const auto &[key, value] : kWorkedExampleKeyValues)
        file += QByteArray(key) + '=' + value + "\r\n";
    return file;
}();

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
        Confirm(state, settings::StoredDueDateFields(settings::Snapshot::Read(state.IniPath)));
        EXPECT_EQ(Key(state, "yoteibi"), expected) << typed;
    }
}

// A due date the file's four-digit dates cannot hold is refused whole; a file that cannot be
// written keeps its old dates. The state is the gadget's: storing leaves it alone.
TEST_F(DueDate, FailuresSayWhyAndWriteNothing) {
    const QByteArray before = "[riloini]\r\nyo_y=2005\r\n";
    struct Row {
        Day due;
        bool blocked; // the file's name taken by a folder
        settings::StoreResult error;
    };
    const std::vector<Row> rows = {
        {D(10000, 1, 1), false, settings::StoreResult::DateOutOfRange},
        {D(0, 9, 1), false, settings::StoreResult::DateOutOfRange}, // starts in year -1
        {D(2006, 5, 1), true, settings::StoreResult::NotWritten},
    };
    for (const Row &row : rows) {
        const QString label = dates::FormatDateText(row.due);
        settings::modRilo state = Resolved();
        QFile::remove(state.IniPath);
        if (row.blocked)
            ASSERT_TRUE(QDir(Folder()).mkdir(QStringLiteral("rilo.ini")));
        else
            WriteBytes(state.IniPath, before);
        EXPECT_EQ(settings::StoreDueDate(state, {"1", "1", "1"}, row.due), row.error)
            << label.toStdString();
        if (!row.blocked) {
            EXPECT_EQ(ReadBytes(state.IniPath), before) << label.toStdString();
        }
        EXPECT_FALSE(state.DueDate || state.StartDate || state.StartupDone) << label.toStdString();
    }
}

// What the calendar shows and exports: each of months 2 to 10 and the Day of the Dog as the file
// holds them now, month 1's start and the due date as the gadget holds them.
TEST_F(DueDate, TheCalendarReadsMonths2To10AndTheDogDayFromTheFile) {
    settings::modRilo state = Resolved();
    WriteBytes(state.IniPath, kFile20060501);
    state.StartDate = DateStamp(D(2001, 1, 1));
    state.DueDate = DateStamp(D(2001, 10, 8));
    const settings::CalendarDates read =
        settings::ReadCalendarDates(state, settings::Snapshot::Read(state.IniPath));
    EXPECT_EQ(read.monthStarts[0], state.StartDate);
    for (int month = 2; month <= 10; ++month)
        EXPECT_EQ(read.monthStarts[month - 1], DateStamp(D(2005, 7, 25) + days(28 * (month - 1))))
            << "month " << month;
    EXPECT_EQ(read.dogDay, DateStamp(D(2005, 11, 22)));
    EXPECT_EQ(read.due, state.DueDate);
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
