// The entry dialog and the calendar window of the real program, driven from the keyboard and the
// pointer: the first run's due date, rejected input, and saving the calendar as text.

#include "harness.h"
#include "workedexample.h"

#include <ostream>

#include <algorithm>

namespace e2e {
namespace {

const IniKeys kFirstRun = {{"start_up", "0"}, {"win_x", "3000"}, {"win_y", "1500"}, {"temae", "0"}};

class EntryDialog : public GadgetTest {};

TEST_F(EntryDialog, FirstRunTakesTheDueDateWhileTheGadgetIgnoresTheMouse) {
    WriteIni(kFirstRun);
    const auto gadget = StartGadget();
    ASSERT_TRUE(gadget);
    const auto dialog = screen().WaitFor(kEntryDialog);
    ASSERT_TRUE(dialog);
    const auto box = screen().GeometryOf(*dialog);
    ASSERT_TRUE(box);
    EXPECT_EQ(box->width, 224);
    EXPECT_EQ(box->height, 160);
    EXPECT_TRUE(WaitUntil([&] { return screen().ActiveWindow() == dialog; }, 5s));

    // No click before typing: the year box has the focus from the start.
    ASSERT_TRUE(TypeDueDate("2006", "5", "1"));
    Shot("typed");

    // The disabled gadget neither moves nor opens its menu.
    const auto g = screen().GeometryOf(*gadget);
    ASSERT_TRUE(g);
    ASSERT_TRUE(screen().Drag(g->x + kFaceX, g->y + kFaceY, 40, 30, 1));
    ASSERT_TRUE(ClickIn(*gadget, kFaceX, kFaceY, 3));
    EXPECT_FALSE(WaitUntil([&] { return MenuOf(*gadget).has_value(); }, 700ms))
        << "the menu opened on the disabled gadget";
    if (MenuOf(*gadget))
        screen().Key("Escape");
    const auto after = screen().GeometryOf(*gadget);
    ASSERT_TRUE(after);
    EXPECT_EQ(after->x, g->x) << "the disabled gadget was dragged";
    EXPECT_EQ(after->y, g->y) << "the disabled gadget was dragged";
    Shot("gadget-poked");

    ASSERT_TRUE(ClickIn(*dialog, kEntryOkX, kEntryOkY));
    ASSERT_TRUE(ConfirmFarDueDate(screen())) << "no question for a date years before today";
    EXPECT_TRUE(screen().WaitGone(kEntryDialog));
    ASSERT_TRUE(WaitUntil([&] { return ReadIni(IniPath())["inu"] == "2005/11/22"; }, 5s));
    const auto ini = ReadIni(IniPath());
    for (const auto &[key, value] : kWorkedExampleKeys)
        EXPECT_EQ(ini.count(key) ? ini.at(key) : "(missing)", value) << key;
    Shot("confirmed");

    // Enabled again: the menu opens, and its last item ends the program, storing the place.
    ASSERT_TRUE(OpenMenu(*gadget)) << "the gadget stayed disabled after the dialog closed";
    ASSERT_TRUE(screen().Key("x"));
    EXPECT_EQ(program().WaitExit(5s), 0);
    EXPECT_EQ(ReadIni(IniPath())["win_x"], std::to_string(after->x * 15));
}

struct RejectedRow {
    const char *name;
    const char *year, *month, *day;
    const char *title; // of the message box, whose default button Return presses
};
void PrintTo(const RejectedRow &row, std::ostream *out) {
    *out << row.name;
}

class RejectedInput : public GadgetTest, public ::testing::WithParamInterface<RejectedRow> {};

TEST_P(RejectedInput, ShowsItsMessageAndKeepsTheDialogAndTheFile) {
    const RejectedRow &row = GetParam();
    WriteIni(kFirstRun);
    ASSERT_TRUE(StartGadget());
    const auto dialog = screen().WaitFor(kEntryDialog);
    ASSERT_TRUE(dialog);
    const auto before = ReadFile(IniPath());

    // Keys go to the window with the keyboard focus: type only once the dialog has it.
    // Tab from the day box reaches "O  K"; Space presses it.
    ASSERT_TRUE(screen().Activate(*dialog));
    ASSERT_TRUE(TypeDueDate(row.year, row.month, row.day));
    ASSERT_TRUE(screen().Key("Tab") && screen().Key("space"));
    const auto message = screen().WaitFor(std::string("^") + row.title + "$");
    ASSERT_TRUE(message) << "no box titled " << row.title;
    Shot("message");
    EXPECT_EQ(ReadFile(IniPath()), before);

    ASSERT_TRUE(screen().Activate(*message) && screen().Key("Return"));
    EXPECT_TRUE(screen().WaitGone(std::string("^") + row.title + "$"));
    EXPECT_EQ(screen().Find(kEntryDialog), std::vector<std::string>{*dialog});
    EXPECT_EQ(ReadFile(IniPath()), before);
}

INSTANTIATE_TEST_SUITE_P(
    Table, RejectedInput,
    ::testing::Values(RejectedRow{"MonthThirteen", "2006", "13", "1", "入力エラー"},
                      RejectedRow{"February29In2006", "2006", "2", "29", "入力エラー"},
                      RejectedRow{"LetterInYear", "20a6", "5", "1", "年の入力エラー"},
                      RejectedRow{"EmptyDay", "2006", "5", "", "入力エラー"},
                      // The question for a date far from today, answered いいえ.
                      RejectedRow{"FarFromTodayNo", "2072", "3", "15", "りろ日記"}),
    [](const auto &info) { return std::string(info.param.name); });

class CalendarWindow : public GadgetTest {
protected:
    void SetUp() override {
        GadgetTest::SetUp();
        if (HasFatalFailure())
            return;
        IniKeys keys = kWorkedExampleKeys;
        keys.insert(keys.end(), {{"win_x", "3000"}, {"win_y", "1500"}, {"temae", "0"}});
        WriteIni(keys);
    }
};

TEST_F(CalendarWindow, SavesTheDatesAsShiftJisTextAndClosesWithOk) {
    const auto gadget = StartGadget();
    ASSERT_TRUE(gadget);
    const auto calendar = OpenCalendar(*gadget);
    ASSERT_TRUE(calendar) << "no window titled カレンダー after choosing カレンダー表示(&C)";
    const auto box = screen().GeometryOf(*calendar);
    ASSERT_TRUE(box);
    EXPECT_EQ(box->width, 224);
    EXPECT_EQ(box->height, 376);
    Shot("calendar");
    const auto settings = ReadFile(IniPath());

    ASSERT_TRUE(ClickIn(*calendar, kCalendarSaveX, kCalendarButtonsY));
    const auto saveAs = WaitForOtherWindow(program().pid(), {"varadadid", "カレンダー"});
    ASSERT_TRUE(saveAs) << "no Save As dialog after 保 存";
    // Qt's own texts speak the user's language.
    const bool japanese = ProgramLocale().rfind("ja_JP", 0) == 0;
    const std::string title = screen().Property(*saveAs, "_NET_WM_NAME");
    EXPECT_NE(title.find(japanese ? "\"名前を付けて保存\"" : "\"Save As\""), std::string::npos)
        << title;
    Shot("save-as");
    const fs::path exported = root() / "out" / "dates.txt";
    fs::create_directories(exported.parent_path());
    WriteFile(exported, "mine");
    ASSERT_TRUE(screen().Activate(*saveAs) && screen().Type(exported.string()) &&
                screen().Key("Return"));
    // The name is taken: the dialog asks under its own title, and "y" says はい(&Y) / &Yes.
    std::optional<std::string> question;
    ASSERT_TRUE(WaitUntil([&] {
        for (const std::string &w :
             screen().Find(japanese ? "^名前を付けて保存$" : "^Save As$", program().pid()))
            if (w != *saveAs)
                question = w;
        return question.has_value();
    })) << "no question before replacing a file";
    ASSERT_TRUE(screen().Activate(*question) && screen().Key("y"));
    const std::string expected = ToShiftJis(WorkedExampleExportUtf8());
    ASSERT_EQ(expected.size(), 327u);
    ASSERT_TRUE(WaitUntil([&] { return ReadFile(exported) == expected; }, 5s)) << "not replaced";
    EXPECT_TRUE(WaitUntil([&] {
        const auto windows = screen().Find(".*", program().pid());
        return std::find(windows.begin(), windows.end(), *saveAs) == windows.end();
    })) << "the Save As dialog stayed open";
    EXPECT_EQ(screen().Find(kCalendar), std::vector<std::string>{*calendar});
    // Openbox sometimes hands the focus back by itself, so this alone misses a calendar that does
    // not take it back: FrmCrndr.TakesTheFocusBackAfterSaveAs pins that.
    EXPECT_TRUE(WaitUntil([&] { return screen().ActiveWindow() == calendar; }, 5s))
        << "the focus did not come back to the calendar";
    // The dialog leaves none of Qt's own settings behind.
    EXPECT_FALSE(fs::exists(root() / "home" / ".config" / "QtProject.conf"));

    ASSERT_TRUE(ClickIn(*calendar, kCalendarOkX, kCalendarButtonsY));
    EXPECT_TRUE(screen().WaitGone(kCalendar));
    EXPECT_EQ(ReadFile(IniPath()), settings) << "the calendar changed the settings";
    Shot("closed");
    EXPECT_TRUE(OpenMenu(*gadget)) << "the gadget stayed disabled after the calendar closed";
}

TEST_F(CalendarWindow, OpensWithTheFocusOnOk) {
    const auto gadget = StartGadget();
    ASSERT_TRUE(gadget);
    const auto calendar = OpenCalendar(*gadget);
    ASSERT_TRUE(calendar);
    EXPECT_TRUE(WaitUntil([&] { return screen().ActiveWindow() == calendar; }, 5s));
    ASSERT_TRUE(screen().Key("space"));
    EXPECT_TRUE(screen().WaitGone(kCalendar)) << "Space did not press O  K";
    EXPECT_EQ(screen().Find(".*", program().pid()), std::vector<std::string>{*gadget});
}

} // namespace
} // namespace e2e
