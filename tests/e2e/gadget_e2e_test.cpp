// The gadget window of the real program: start-up from a prepared settings file, the single
// instance, dragging and closing, starting from missing, broken or read-only settings, and the
// settings folder named on the command line.

#include "harness.h"
#include "workedexample.h"

#include <algorithm>
#include <csignal>
#include <ostream>

#include <unistd.h>

namespace e2e {
namespace {

// A file with a due date already entered, so that start-up goes straight to the gadget.
IniKeys DatedIni(const IniKeys &extra) {
    IniKeys keys = {{"start_up", "1"}, {"yoteibi", "2006/05/01"}, {"hajime", "2005/07/25"}};
    keys.insert(keys.end(), extra.begin(), extra.end());
    return keys;
}

struct StartupRow {
    const char *name;
    std::optional<std::string> temae, winX, winY;
    int x, y;   // expected top-left in pixels: the stored twips / 15, rounded
    bool above; // _NET_WM_STATE_ABOVE
    const char *temaeAfter;
};
void PrintTo(const StartupRow &row, std::ostream *out) {
    *out << row.name;
}

class Startup : public GadgetTest, public ::testing::WithParamInterface<StartupRow> {};

TEST_P(Startup, ShapesPlacesAndLayersTheGadgetAsStored) {
    const StartupRow &row = GetParam();
    IniKeys extra;
    for (const auto &[key, value] :
         {std::pair{"temae", row.temae}, {"win_x", row.winX}, {"win_y", row.winY}})
        if (value)
            extra.emplace_back(key, *value);
    WriteIni(DatedIni(extra));

    const auto gadget = StartGadget();
    ASSERT_TRUE(gadget) << "no visible window titled varadadid";
    Shot("started");
    const auto g = screen().GeometryOf(*gadget);
    ASSERT_TRUE(g);
    EXPECT_EQ(g->width, 188);
    EXPECT_EQ(g->height, 172);
    EXPECT_EQ(g->shape, "130x120+20+25");
    if (WindowManagerToUse() == WindowManager::Weston) {
        // weston places the window itself: a place the program cannot know is never stored.
        program().Signal(SIGTERM);
        EXPECT_EQ(program().WaitExit(10s), 0);
        EXPECT_EQ(ReadIni(IniPath())["win_x"], row.winX.value_or(""));
        return;
    }
    EXPECT_EQ(g->x, row.x);
    // Metacity, its heir mutter and kwin keep every window's top edge on the screen, whatever the
    // program asks for.
    const auto wm = WindowManagerToUse();
    const bool clampsTop = wm == WindowManager::Metacity || wm == WindowManager::MutterX11 ||
                           wm == WindowManager::Mutter || wm == WindowManager::KWin;
    EXPECT_EQ(g->y, clampsTop ? std::max(row.y, 0) : row.y);
    const std::string state = screen().Property(*gadget, "_NET_WM_STATE");
    EXPECT_EQ(state.find("_NET_WM_STATE_ABOVE") != std::string::npos, row.above) << state;
    EXPECT_TRUE(WaitUntil([&] { return ReadIni(IniPath())["temae"] == row.temaeAfter; }, 5s))
        << "temae=" << ReadIni(IniPath())["temae"];
    EXPECT_EQ(screen().Find(kEntryDialog), std::vector<std::string>{})
        << "the entry dialog opened although a due date is stored";
}

const auto kNone = std::nullopt;

INSTANTIATE_TEST_SUITE_P(
    Table, Startup,
    ::testing::Values(StartupRow{"TemaeOne", "1", "3000", "1500", 200, 100, true, "1"},
                      StartupRow{"Origin", "0", "0", "0", 0, 0, false, "0"},
                      StartupRow{"TemaeZero", "0", "4503", "2258", 300, 151, false, "0"},
                      StartupRow{"TemaeTwo", "2", "1234.5", "-300", 82, -20, false, "0"},
                      StartupRow{"TemaeMinusOne", "-1", kNone, kNone, 1, 1, false, "0"},
                      StartupRow{"TemaeMissing", kNone, "7508", "7", 501, 0, false, "0"},
                      StartupRow{"TemaeText", "abc", "15", "37", 1, 2, false, "0"}),
    [](const auto &info) { return std::string(info.param.name); });

class SingleInstance : public GadgetTest {};

// Started on another settings folder, the second copy says which settings file the running one
// keeps; on the same one it says nothing. When the running copy's channel is gone (taken over
// and closed by another program), the second copy says that nothing could be brought forward.
TEST_F(SingleInstance, ASecondCopyEndsAtOnceAndChangesNoFile) {
    WriteIni(DatedIni({{"win_x", "3000"}, {"win_y", "1500"}, {"temae", "0"}}));
    const fs::path other = root() / "other";
    fs::create_directory(other);
    const auto gadget = StartGadget();
    ASSERT_TRUE(gadget);
    const auto before = Snapshot(root());

    struct Row {
        std::vector<std::string> args;
        bool channelGone;
        std::string said;
    };
    const std::vector<Row> rows = {
        {{}, false, ""},
        {{"--settings-dir", other.string()},
         false,
         "varadadid: a copy is already running, with the settings file " + IniPath().string() +
             "\n"},
        {{}, true, "varadadid: a copy is already running, but cannot be asked to come forward\n"},
    };
    for (std::size_t i = 0; i < rows.size(); ++i) {
        if (rows[i].channelGone) {
            ASSERT_TRUE(fs::remove(root() / "run" / "varadadid.socket"));
        }
        Child &second = StartProgram(false, rows[i].args);
        const auto code = second.WaitExit(2s);
        ASSERT_TRUE(code) << "the second copy still runs after two seconds";
        EXPECT_EQ(*code, 0);
        // The program's own line, among whatever Qt may log.
        const std::string log = ReadFile(ProgramLog(i + 1)).value_or("");
        const std::size_t said = log.find("varadadid: ");
        EXPECT_EQ(said == std::string::npos ? ""
                                            : log.substr(said, log.find('\n', said) + 1 - said),
                  rows[i].said);
    }
    EXPECT_EQ(Snapshot(root()), before);
    EXPECT_TRUE(program(0).Running());
    EXPECT_EQ(screen().Find(kGadget), std::vector<std::string>{*gadget});
    Shot("after-second-copy");
}

enum class CloseBy { WindowManager, Sigterm };

struct DragRow {
    const char *name;
    int button, dx, dy;
    CloseBy close;
};
void PrintTo(const DragRow &row, std::ostream *out) {
    *out << row.name;
}

class Drag : public GadgetTest, public ::testing::WithParamInterface<DragRow> {};

TEST_P(Drag, MovesByThePointersMovementAndClosingStoresThePlace) {
    const DragRow &row = GetParam();
    WriteIni(DatedIni({{"win_x", "3000"}, {"win_y", "1500"}, {"temae", "0"}}));
    const auto gadget = StartGadget();
    ASSERT_TRUE(gadget);
    const auto start = screen().GeometryOf(*gadget);
    ASSERT_TRUE(start);
    ASSERT_EQ(start->x, 200);

    ASSERT_TRUE(screen().Drag(start->x + kFaceX, start->y + kFaceY, row.dx, row.dy, row.button));
    std::optional<Geometry> moved;
    EXPECT_TRUE(WaitUntil(
        [&] {
            moved = screen().GeometryOf(*gadget);
            return moved && moved->x == start->x + row.dx && moved->y == start->y + row.dy;
        },
        3s))
        << "at " << (moved ? moved->x : 0) << "," << (moved ? moved->y : 0);
    Shot("dragged");
    ASSERT_TRUE(moved);
    const int x = moved->x, y = moved->y;

    if (row.close == CloseBy::WindowManager)
        ASSERT_TRUE(CloseByWindowManager(*gadget));
    else
        program().Signal(SIGTERM);
    EXPECT_EQ(program().WaitExit(5s), 0);
    const auto ini = ReadIni(IniPath());
    EXPECT_EQ(ini.at("win_x"), std::to_string(x * 15));
    EXPECT_EQ(ini.at("win_y"), std::to_string(y * 15));
}

INSTANTIATE_TEST_SUITE_P(
    Table, Drag,
    ::testing::Values(DragRow{"LeftThenWindowManagerClose", 1, 73, 41, CloseBy::WindowManager},
                      DragRow{"MiddleThenSigterm", 2, -57, 88, CloseBy::Sigterm}),
    [](const auto &info) { return std::string(info.param.name); });

// A stored place that no screen shows, or shows only in part: whatever the window manager makes
// of it at the start (moves it onto the screen, keeps its top edge on it, or leaves it), the place
// she sees after a drag, or without one, is what an ending stores and where the next start shows
// the face.
enum class EndBy { Menu, Sigterm };
struct ConstrainedRow {
    const char *name;
    std::string winX, winY;
    bool drag;
    EndBy end;
};
void PrintTo(const ConstrainedRow &row, std::ostream *out) {
    *out << row.name;
}

class Constrained : public GadgetTest, public ::testing::WithParamInterface<ConstrainedRow> {
protected:
    // Ends the program as the row says; the gadget's own windows are gone after it.
    void End(const std::string &gadget, EndBy end) {
        if (end == EndBy::Menu)
            ASSERT_TRUE(OpenMenu(gadget) && screen().Key("x"));
        else
            program().Signal(SIGTERM);
        ASSERT_EQ(program().WaitExit(10s), 0);
    }
};

TEST_P(Constrained, ThePlaceSheSeesIsStoredAndShownAgain) {
    const ConstrainedRow &row = GetParam();
    WriteIni(DatedIni({{"win_x", row.winX}, {"win_y", row.winY}, {"temae", "0"}}));
    auto gadget = StartGadget();
    ASSERT_TRUE(gadget);
    std::optional<Geometry> seen = screen().GeometryOf(*gadget);
    ASSERT_TRUE(seen);
    if (row.drag) {
        // Towards the middle of the 1024 x 768 screen, so that no window manager holds it back.
        const int dx = seen->x < 400 ? 70 : -70, dy = seen->y < 300 ? 50 : -50;
        const Geometry from = *seen;
        ASSERT_TRUE(screen().Drag(from.x + kFaceX, from.y + kFaceY, dx, dy, 1));
        EXPECT_TRUE(WaitUntil(
            [&] {
                seen = screen().GeometryOf(*gadget);
                return seen && seen->x == from.x + dx && seen->y == from.y + dy;
            },
            3s));
        ASSERT_TRUE(seen);
    }
    Shot("before-ending");
    const Geometry place = *seen;
    End(*gadget, row.end);
    if (HasFatalFailure())
        return;
    EXPECT_EQ(ReadIni(IniPath())["win_x"], std::to_string(place.x * 15));
    EXPECT_EQ(ReadIni(IniPath())["win_y"], std::to_string(place.y * 15));

    gadget = StartGadget();
    ASSERT_TRUE(gadget);
    const auto again = screen().GeometryOf(*gadget);
    ASSERT_TRUE(again);
    EXPECT_EQ(std::pair(again->x, again->y), std::pair(place.x, place.y)) << "the next start";
    Shot("started-again");
    End(*gadget, EndBy::Sigterm);
}

INSTANTIATE_TEST_SUITE_P(
    Table, Constrained,
    ::testing::Values(
        ConstrainedRow{"AboveAndLeftDraggedMenu", "-6750", "-9000", true, EndBy::Menu},
        ConstrainedRow{"AboveAndLeftDraggedTerm", "-6750", "-9000", true, EndBy::Sigterm},
        ConstrainedRow{"BeyondRightAndBottomDraggedMenu", "30000", "15000", true, EndBy::Menu},
        ConstrainedRow{"BeyondRightAndBottomDraggedTerm", "30000", "15000", true, EndBy::Sigterm},
        ConstrainedRow{"NegativeDraggedMenu", "-600", "-300", true, EndBy::Menu},
        ConstrainedRow{"NegativeDraggedTerm", "-600", "-300", true, EndBy::Sigterm},
        ConstrainedRow{"AboveTheTopMenu", "3000", "-4500", false, EndBy::Menu},
        ConstrainedRow{"AboveTheTopTerm", "3000", "-4500", false, EndBy::Sigterm}),
    [](const auto &info) { return std::string(info.param.name); });

struct DamagedRow {
    const char *name;
    std::optional<std::string> file; // nullopt: no settings file at all
};
void PrintTo(const DamagedRow &row, std::ostream *out) {
    *out << row.name;
}

// A UTF-16 byte-order mark and a line of noise before the section, a key without a name,
// dates that are none, numbers that overflow or are only a sign, control characters, and a
// last line with NULs and no line end, after which new keys must still land on lines of their
// own.
const std::string kGarbled = std::string("\xFF\xFEgarbage\r\n=\r\n[riloini]\r\nyoteibi=りろ\r\n"
                                         "hajime=2005/13/45\r\nstart_up=abc\r\n"
                                         "win_x=99999999999999999999\r\nwin_y=-\r\n"
                                         "temae=\x01\x02\r\n=2006/02/30\r\n") +
                             std::string("\0\0junk", 6);

class DamagedSettings : public GadgetTest, public ::testing::WithParamInterface<DamagedRow> {};

TEST_P(DamagedSettings, StartsWithTheEntryDialogAndRecovers) {
    if (GetParam().file)
        WriteFile(IniPath(), *GetParam().file);
    const auto gadget = StartGadget();
    ASSERT_TRUE(gadget);
    const auto dialog = screen().WaitFor(kEntryDialog);
    ASSERT_TRUE(dialog) << "no entry dialog for a file without a usable due date";
    Shot("started");
    ASSERT_TRUE(program().Running());

    ASSERT_TRUE(screen().Activate(*dialog));
    ASSERT_TRUE(TypeDueDate("2006", "5", "1"));
    ASSERT_TRUE(ClickIn(*dialog, kEntryOkX, kEntryOkY));
    ASSERT_TRUE(ConfirmFarDueDate(screen()));
    EXPECT_TRUE(screen().WaitGone(kEntryDialog));
    EXPECT_TRUE(WaitUntil([&] { return ReadIni(IniPath())["inu"] == "2005/11/22"; }, 5s));
    EXPECT_EQ(ReadIni(IniPath())["yoteibi"], "2006/05/01");
    Shot("entered");

    ASSERT_TRUE(CloseByWindowManager(*gadget));
    EXPECT_EQ(program().WaitExit(5s), 0);
}

INSTANTIATE_TEST_SUITE_P(Table, DamagedSettings,
                         ::testing::Values(DamagedRow{"NoFile", std::nullopt},
                                           DamagedRow{"EmptyFile", ""},
                                           DamagedRow{"Garbled", kGarbled}),
                         [](const auto &info) { return std::string(info.param.name); });

// --settings-dir <folder>: the settings file lives in that folder, which is made when missing;
// a name that is no folder ends the program at once with a message and changes nothing.
enum class Given { DatedFolder, MissingFolder, AFile };
struct SettingsDirRow {
    const char *name;
    Given given;
};
void PrintTo(const SettingsDirRow &row, std::ostream *out) {
    *out << row.name;
}

class SettingsDir : public GadgetTest, public ::testing::WithParamInterface<SettingsDirRow> {};

TEST_P(SettingsDir, KeepsTheSettingsFileInTheNamedFolder) {
    const Given given = GetParam().given;
    const fs::path folder = root() / "chosen" / "varadadid";
    const fs::path ini = folder / "rilo.ini";
    if (given == Given::DatedFolder) {
        fs::create_directories(folder);
        WriteFile(ini, IniText(DatedIni({})));
    } else if (given == Given::AFile) {
        fs::create_directories(folder.parent_path());
        WriteFile(folder, "not a folder\n");
    }

    Child &program = StartProgram(false, {"--settings-dir", folder.string()});
    if (given == Given::AFile) {
        EXPECT_EQ(program.WaitExit(10s), 2);
        EXPECT_EQ(ReadFile(folder), "not a folder\n");
        EXPECT_FALSE(fs::exists(IniPath()));
        return;
    }
    ASSERT_TRUE(screen().WaitFor(kGadget, kStartTimeout));
    if (given == Given::DatedFolder)
        EXPECT_EQ(screen().Find(kEntryDialog), std::vector<std::string>{})
            << "the due date in " << ini << " was not read";
    else
        EXPECT_TRUE(screen().WaitFor(kEntryDialog));
    Shot("started");
    program.Signal(SIGTERM);
    ASSERT_EQ(program.WaitExit(10s), 0);
    EXPECT_EQ(ReadIni(ini).count("win_x"), 1u) << "closing stored the place elsewhere";
    EXPECT_FALSE(fs::exists(IniPath())) << "a settings file beside the program";
}

INSTANTIATE_TEST_SUITE_P(Table, SettingsDir,
                         ::testing::Values(SettingsDirRow{"DatedFolder", Given::DatedFolder},
                                           SettingsDirRow{"MissingFolder", Given::MissingFolder},
                                           SettingsDirRow{"AFile", Given::AFile}),
                         [](const auto &info) { return std::string(info.param.name); });

class ReadOnlyFolder : public GadgetTest {};

TEST_F(ReadOnlyFolder, TheDueDateSurvivesARestartInTheUserFile) {
    WriteIni({{"start_up", "0"}, {"win_x", "3000"}, {"win_y", "1500"}, {"temae", "0"}});
    std::string why;
    if (!MakeProgramFolderReadOnly(why))
        GTEST_SKIP() << why;
    const bool unprivileged = ::geteuid() == 0;
    const auto programIni = ReadFile(IniPath());

    StartProgram(unprivileged);
    ASSERT_TRUE(screen().WaitFor(kGadget, kStartTimeout));
    const auto dialog = screen().WaitFor(kEntryDialog);
    ASSERT_TRUE(dialog);
    ASSERT_TRUE(screen().Activate(*dialog));
    ASSERT_TRUE(TypeDueDate("2006", "5", "1"));
    ASSERT_TRUE(ClickIn(*dialog, kEntryOkX, kEntryOkY));
    ASSERT_TRUE(ConfirmFarDueDate(screen()));
    ASSERT_TRUE(WaitUntil([&] { return ReadIni(UserIniPath())["inu"] == "2005/11/22"; }, 5s))
        << "the due date did not reach " << UserIniPath();
    for (const auto &[key, value] : kWorkedExampleKeys)
        EXPECT_EQ(ReadIni(UserIniPath())[key], value) << key;
    Shot("entered");
    program(0).Signal(SIGTERM);
    ASSERT_EQ(program(0).WaitExit(5s), 0);
    EXPECT_EQ(ReadFile(IniPath()), programIni) << "the read-only folder's file was changed";

    // The second run finds the date: no entry dialog, and the calendar exports its dates.
    StartProgram(unprivileged);
    const auto gadget = screen().WaitFor(kGadget, kStartTimeout);
    ASSERT_TRUE(gadget);
    screen().WaitManaged(*gadget);
    const auto calendar = OpenCalendar(*gadget);
    ASSERT_TRUE(calendar);
    EXPECT_EQ(screen().Find(kEntryDialog), std::vector<std::string>{});
    Shot("restarted");
    const fs::path exported = root() / "home" / "dates.txt";
    ASSERT_TRUE(ClickIn(*calendar, kCalendarSaveX, kCalendarButtonsY));
    const auto saveAs = WaitForOtherWindow(program(1).pid(), {"varadadid", "カレンダー"});
    ASSERT_TRUE(saveAs);
    ASSERT_TRUE(screen().Activate(*saveAs) && screen().Type(exported.string()) &&
                screen().Key("Return"));
    EXPECT_TRUE(WaitUntil([&] { return fs::exists(exported); }, 5s));
    EXPECT_EQ(ReadFile(exported), ToShiftJis(WorkedExampleExportUtf8()));
}

} // namespace
} // namespace e2e
