// What a real desktop session does to the program: every way it can end, in every window it can
// be in; secondary windows that stay reachable; a drag's end that survives a kill; and a second
// start that brings the running gadget forward.

#include "harness.h"
#include "workedexample.h"

#include <algorithm>
#include <csignal>
#include <fcntl.h>
#include <ostream>
#include <set>
#include <sys/stat.h>
#include <unistd.h>

namespace e2e {
namespace {

enum class State {
    Face,
    Menu,
    EntryDialog,
    MessageBox, // one of the entry dialog's six rejections
    SaveFailed, // 予定日を保存できませんでした: rilo.ini is a folder, so nothing can be stored
    Calendar,
    SaveAs,
    Replace,      // the Save As dialog's question about an existing file
    ExportFailed, // ファイルを保存できませんでした
    Unplaced      // the face not yet placed: its window manager is held still
};
// The session manager's requests: a checkpoint and a cancelled logout leave the program running,
// a logout that goes ahead ends it.
enum class Ending {
    Quit,
    WindowManager,
    Term,
    Hup,
    Int,
    XServerGone,
    Checkpoint,
    CancelledLogout,
    Logout
};

struct EndingRow {
    const char *name;
    State state;
    Ending ending;
    const char *year = "", *month = "", *day = "", *title = ""; // a rejection and its box
};
void PrintTo(const EndingRow &row, std::ostream *out) {
    *out << row.name;
}

// A stored place between pixels: the gadget sits at pixel (200, 100), where no window manager
// moves it, so an ending that saves its place writes whole pixels, 3000 and 1500 twips, however
// soon it comes after the start.
const IniKeys kPlaceBetweenPixels = {{"win_x", "3007"}, {"win_y", "1507"}};
IniKeys FirstRunKeys() {
    return {{"start_up", "0"}, {"temae", "0"}};
}
IniKeys DatedKeys() {
    IniKeys keys = kWorkedExampleKeys;
    keys.emplace_back("temae", "0");
    return keys;
}

bool NeedsDate(State state) {
    return state == State::Face || state == State::Menu || state >= State::Calendar;
}

class Endings : public GadgetTest, public ::testing::WithParamInterface<EndingRow> {
protected:
    void TearDown() override {
        if (commands_ >= 0)
            ::close(commands_); // the manager ends at the end of its input
        if (manager_)
            manager_->Stop();
        GadgetTest::TearDown();
    }

    static bool FromSessionManager(Ending ending) { return ending >= Ending::Checkpoint; }

    // Starts the tests' session manager; the programs started next register with it.
    void StartSessionManager() {
        const fs::path fifo = root() / "session-commands";
        ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
        managerLog_ = root() / "session-manager.log";
        manager_ =
            Child::Spawn({"sh", "-c", "exec \"$0\" < \"$1\"", SESSION_MANAGER_EXE, fifo.string()},
                         {}, managerLog_);
        commands_ = ::open(fifo.c_str(), O_WRONLY | O_CLOEXEC); // once the manager reads it
        ASSERT_GE(commands_, 0);
        std::string address;
        ASSERT_TRUE(WaitUntil([&] {
            const std::string log = ReadFile(managerLog_).value_or("");
            const auto at = log.find("SESSION_MANAGER=");
            const auto end = log.find('\n', at);
            if (at == std::string::npos || end == std::string::npos)
                return false;
            address = log.substr(at + 16, end - at - 16);
            return true;
        })) << ReadFile(managerLog_).value_or("");
        SetProgramEnv("SESSION_MANAGER", address);
    }
    // Sends `command` once the program has registered, and waits for the manager's `answer`.
    bool AskSession(const std::string &command, const std::string &answer) {
        const auto logHas = [&](const std::string &text) {
            return ReadFile(managerLog_).value_or("").find(text) != std::string::npos;
        };
        const std::string line = command + "\n";
        return WaitUntil([&] { return logHas("registered "); }, 20s) &&
               ::write(commands_, line.data(), line.size()) == ssize_t(line.size()) &&
               WaitUntil([&] { return logHas(answer); }, 30s);
    }

    // A window of the program that is none of `known`, within a few seconds.
    std::optional<std::string> NewWindow(const std::set<std::string> &known) {
        std::optional<std::string> found;
        WaitUntil(
            [&] {
                for (const std::string &w : screen().Find(".*", program().pid()))
                    if (!known.count(w))
                        found = w;
                return found.has_value();
            },
            10s, 100ms);
        return found;
    }

    // Brings the program into `row.state`; the windows it opened go into `windows`.
    void Enter(const EndingRow &row, std::set<std::string> &windows) {
        if (row.state == State::Unplaced) {
            PauseWindowManager(true);
            const pid_t pid = StartProgram().pid();
            // The window is there, still where X created it, its move to the stored place
            // waiting for the window manager.
            ASSERT_TRUE(WaitUntil(
                [&] { return !screen().Find(kGadget, pid, /*onlyVisible=*/false).empty(); },
                kStartTimeout, 50ms));
            return;
        }
        const auto gadget = StartGadget();
        ASSERT_TRUE(gadget);
        gadget_ = *gadget;
        windows.insert(*gadget);
        for (const std::string &w : screen().Find(".*", program().pid()))
            windows.insert(w); // Qt's own hidden helper windows
        switch (row.state) {
        case State::Face:
        case State::Unplaced:
            return;
        case State::Menu:
            ASSERT_TRUE(OpenMenu(*gadget));
            return;
        case State::EntryDialog:
        case State::MessageBox:
        case State::SaveFailed: {
            const auto dialog = screen().WaitFor(kEntryDialog);
            ASSERT_TRUE(dialog);
            windows.insert(*dialog);
            if (row.state == State::EntryDialog)
                return;
            ASSERT_TRUE(screen().Activate(*dialog));
            const bool rejected = row.state == State::MessageBox;
            ASSERT_TRUE(rejected ? TypeDueDate(row.year, row.month, row.day)
                                 : TypeDueDate("2006", "5", "1"));
            ASSERT_TRUE(screen().Key("Tab") && screen().Key("space"));
            if (!rejected) {
                ASSERT_TRUE(ConfirmFarDueDate(screen()));
            }
            const std::string title = rejected ? row.title : "りろ日記";
            ASSERT_TRUE(screen().WaitFor("^" + title + "$")) << "no box titled " << title;
            return;
        }
        case State::Calendar:
        case State::SaveAs:
        case State::Replace:
        case State::ExportFailed: {
            const auto calendar = OpenCalendar(*gadget);
            ASSERT_TRUE(calendar);
            windows.insert(*calendar);
            if (row.state == State::Calendar)
                return;
            ASSERT_TRUE(ClickIn(*calendar, kCalendarSaveX, kCalendarButtonsY));
            const auto saveAs = NewWindow(windows);
            ASSERT_TRUE(saveAs) << "no Save As dialog";
            windows.insert(*saveAs);
            if (row.state == State::SaveAs)
                return;
            const fs::path target = row.state == State::Replace
                                        ? root() / "home" / "dates.txt"
                                        : root() / "no such folder" / "dates.txt";
            if (row.state == State::Replace)
                WriteFile(target, "mine");
            ASSERT_TRUE(screen().Type(target.string()) && screen().Key("Return"));
            ASSERT_TRUE(NewWindow(windows)) << "no box after choosing " << target;
            if (row.state == State::Replace) {
                EXPECT_EQ(ReadFile(target), "mine");
            }
            return;
        }
        }
    }

    void End(Ending ending, const std::string &gadget) {
        switch (ending) {
        case Ending::Quit:
            ASSERT_TRUE(OpenMenu(gadget) && screen().Key("x"));
            break;
        case Ending::WindowManager:
            ASSERT_TRUE(CloseByWindowManager(gadget));
            break;
        case Ending::Term:
            program().Signal(SIGTERM);
            break;
        case Ending::Hup:
            program().Signal(SIGHUP);
            break;
        case Ending::Int:
            program().Signal(SIGINT);
            break;
        case Ending::XServerGone:
            StopXServer();
            break;
        case Ending::Checkpoint:
        case Ending::CancelledLogout: {
            const bool checkpoint = ending == Ending::Checkpoint;
            ASSERT_TRUE(checkpoint ? AskSession("checkpoint", "checkpoint done")
                                   : AskSession("logout-cancel", "cancelled"))
                << ReadFile(managerLog_).value_or("");
            // The place is saved at the request, and the program goes on with its windows.
            EXPECT_TRUE(WaitUntil([&] { return ReadIni(IniPath())["win_x"] == "3000"; }));
            EXPECT_TRUE(program().Running());
            const auto shown = screen().Find(".*", program().pid());
            EXPECT_NE(std::find(shown.begin(), shown.end(), gadget_), shown.end())
                << "the gadget went";
            for (const std::string &window : windowsBefore_)
                EXPECT_NE(std::find(shown.begin(), shown.end(), window), shown.end())
                    << window << " went";
            program().Signal(SIGTERM);
            break;
        }
        case Ending::Logout:
            ASSERT_TRUE(AskSession("logout", "die sent")) << ReadFile(managerLog_).value_or("");
            break;
        }
    }

    std::string gadget_;
    std::set<std::string> windowsBefore_;
    std::optional<Child> manager_;
    fs::path managerLog_;
    int commands_ = -1;
};

TEST_P(Endings, EndCleanlyAndKeepTheSettings) {
    const EndingRow &row = GetParam();
    const IniKeys prepared = NeedsDate(row.state) ? DatedKeys() : FirstRunKeys();
    if (row.state == State::SaveFailed)
        fs::create_directory(IniPath());
    else {
        IniKeys keys = prepared;
        keys.insert(keys.end(), kPlaceBetweenPixels.begin(), kPlaceBetweenPixels.end());
        WriteIni(keys);
    }

    if (FromSessionManager(row.ending))
        StartSessionManager();
    std::set<std::string> windows;
    Enter(row, windows);
    if (HasFatalFailure())
        return;
    windowsBefore_ = windows;
    Shot("state");
    End(row.ending, gadget_);
    PauseWindowManager(false);
    if (HasFatalFailure())
        return;

    const auto code = program().WaitExit(10s);
    ASSERT_TRUE(code) << "still running";
    if (row.ending == Ending::XServerGone)
        EXPECT_GE(*code, 0) << "ended by a signal";
    else
        EXPECT_EQ(*code, 0);
    const std::string log = ReadFile(ProgramLog()).value_or("");
    for (const char *crash : {"free()", "Abort", "abort", "Sanitizer", "runtime error",
                              "Segmentation", "terminate called", "QThread: Destroyed"})
        EXPECT_EQ(log.find(crash), std::string::npos) << crash << " in:\n" << log;

    if (row.state == State::Replace) {
        EXPECT_EQ(ReadFile(root() / "home" / "dates.txt"), "mine") << "replaced while ending";
    }
    if (row.state == State::SaveFailed) {
        EXPECT_TRUE(fs::is_directory(IniPath())) << "the folder named rilo.ini was replaced";
        return;
    }
    const auto ini = ReadIni(IniPath());
    const auto stored = [&](const std::string &key) {
        return ini.count(key) ? ini.at(key) : "(missing)";
    };
    for (const auto &[key, value] : prepared)
        EXPECT_EQ(stored(key), value) << key;
    // No place to save once the display is gone, nor under weston, which places the window
    // itself.
    const bool saved =
        row.ending != Ending::XServerGone && WindowManagerToUse() != WindowManager::Weston;
    EXPECT_EQ(stored("win_x"), saved ? "3000" : "3007");
    EXPECT_EQ(stored("win_y"), saved ? "1500" : "1507");
}

INSTANTIATE_TEST_SUITE_P(
    Table, Endings,
    ::testing::Values(
        EndingRow{"FaceQuit", State::Face, Ending::Quit},
        EndingRow{"FaceWindowManager", State::Face, Ending::WindowManager},
        EndingRow{"FaceTerm", State::Face, Ending::Term},
        EndingRow{"FaceHup", State::Face, Ending::Hup},
        EndingRow{"FaceInt", State::Face, Ending::Int},
        EndingRow{"FaceXServerGone", State::Face, Ending::XServerGone},
        EndingRow{"MenuTerm", State::Menu, Ending::Term},
        EndingRow{"MenuInt", State::Menu, Ending::Int},
        EndingRow{"EntryDialogWindowManager", State::EntryDialog, Ending::WindowManager},
        EndingRow{"EntryDialogHup", State::EntryDialog, Ending::Hup},
        EndingRow{"EmptyYearBoxTerm", State::MessageBox, Ending::Term, "", "5", "1", "入力エラー"},
        EndingRow{"YearBoxHup", State::MessageBox, Ending::Hup, "20a6", "5", "1", "年の入力エラー"},
        EndingRow{"MonthBoxInt", State::MessageBox, Ending::Int, "2006", "a", "1",
                  "月の入力エラー"},
        EndingRow{"DayBoxTerm", State::MessageBox, Ending::Term, "2006", "5", "a",
                  "日の入力エラー"},
        EndingRow{"MonthRangeBoxXServerGone", State::MessageBox, Ending::XServerGone, "2006", "13",
                  "1", "入力エラー"},
        EndingRow{"DayRangeBoxHup", State::MessageBox, Ending::Hup, "2006", "2", "29",
                  "入力エラー"},
        EndingRow{"SaveFailedTerm", State::SaveFailed, Ending::Term},
        EndingRow{"SaveFailedXServerGone", State::SaveFailed, Ending::XServerGone},
        EndingRow{"CalendarWindowManager", State::Calendar, Ending::WindowManager},
        EndingRow{"CalendarInt", State::Calendar, Ending::Int},
        EndingRow{"SaveAsTerm", State::SaveAs, Ending::Term},
        EndingRow{"SaveAsXServerGone", State::SaveAs, Ending::XServerGone},
        EndingRow{"ReplaceHup", State::Replace, Ending::Hup},
        EndingRow{"ReplaceTerm", State::Replace, Ending::Term},
        EndingRow{"ExportFailedInt", State::ExportFailed, Ending::Int},
        EndingRow{"UnplacedTerm", State::Unplaced, Ending::Term},
        EndingRow{"FaceCheckpoint", State::Face, Ending::Checkpoint},
        EndingRow{"CalendarCancelledLogout", State::Calendar, Ending::CancelledLogout},
        EndingRow{"FaceLogout", State::Face, Ending::Logout},
        EndingRow{"SaveAsLogout", State::SaveAs, Ending::Logout}),
    [](const auto &info) { return std::string(info.param.name); });

class Desktop : public GadgetTest {};

// A due date, and the gadget at pixel (200, 100).
const IniKeys kDatedAt200x100 = {{"start_up", "1"},        {"yoteibi", "2006/05/01"},
                                 {"hajime", "2005/07/25"}, {"win_x", "3000"},
                                 {"win_y", "1500"},        {"temae", "0"}};

TEST_F(Desktop, TheFirstRunDialogOpensAboveATopmostFaceThatCoversIt) {
    // The face at (450, 330) covers the middle of the screen, where the dialog opens.
    WriteIni({{"start_up", "0"}, {"temae", "1"}, {"win_x", "6750"}, {"win_y", "4950"}});
    const auto gadget = StartGadget();
    ASSERT_TRUE(gadget);
    const auto dialog = screen().WaitFor(kEntryDialog);
    ASSERT_TRUE(dialog);
    ASSERT_TRUE(screen().WaitManaged(*dialog));
    Shot("started");
    EXPECT_NE(screen().Property(*dialog, "_NET_WM_STATE").find("_NET_WM_STATE_ABOVE"),
              std::string::npos);
    // The dialog takes the pointer where the face lies beneath it.
    ASSERT_TRUE(ClickIn(*dialog, 30, 52));
    ASSERT_TRUE(TypeDueDate("2006", "5", "1"));
    ASSERT_TRUE(ClickIn(*dialog, kEntryOkX, kEntryOkY));
    ASSERT_TRUE(ConfirmFarDueDate(screen()));
    EXPECT_TRUE(screen().WaitGone(kEntryDialog));
    EXPECT_TRUE(WaitUntil([&] { return ReadIni(IniPath())["inu"] == "2005/11/22"; }, 5s));
}

TEST_F(Desktop, AClickOnTheFaceRestoresAMinimizedSecondaryWindow) {
    IniKeys keys = kWorkedExampleKeys;
    keys.emplace_back("temae", "0");
    WriteIni(keys);
    const auto gadget = StartGadget();
    ASSERT_TRUE(gadget);
    const auto calendar = OpenCalendar(*gadget);
    ASSERT_TRUE(calendar);
    ASSERT_TRUE(screen().WaitManaged(*calendar));
    ASSERT_TRUE(screen().Do({"windowminimize", *calendar}));
    ASSERT_TRUE(screen().WaitGone(kCalendar)) << "the window manager did not minimize it";
    Shot("minimized");
    EXPECT_EQ(screen().Find(kGadget), std::vector<std::string>{*gadget})
        << "the face went with the calendar";

    ASSERT_TRUE(ClickIn(*gadget, kFaceX, kFaceY));
    EXPECT_TRUE(screen().WaitFor(kCalendar)) << "the calendar stayed minimized";
    EXPECT_TRUE(WaitUntil([&] { return screen().ActiveWindow() == calendar; }, 5s));
    Shot("restored");
}

TEST_F(Desktop, ADragsEndSurvivesAKill) {
    WriteIni(kDatedAt200x100);
    const auto gadget = StartGadget();
    ASSERT_TRUE(gadget);
    ASSERT_TRUE(screen().Drag(200 + kFaceX, 100 + kFaceY, 60, 45, 1));
    EXPECT_TRUE(WaitUntil([&] {
        auto ini = ReadIni(IniPath());
        return ini["win_x"] == "3900" && ini["win_y"] == "2175";
    })) << "win_x="
        << ReadIni(IniPath())["win_x"] << " win_y=" << ReadIni(IniPath())["win_y"];
    program().Signal(SIGKILL);
    EXPECT_EQ(program().WaitExit(5s), -1 - SIGKILL);
    EXPECT_EQ(ReadIni(IniPath())["win_x"], "3900");
    EXPECT_EQ(ReadIni(IniPath())["win_y"], "2175");
}

// A start while another program's window has the keyboard: the face comes up above that window,
// and the window keeps the keyboard. Window managers that prevent focus stealing (metacity,
// mutter) map a new window that does not take the focus below the active one.
enum class Launch {
    Terminal, // no start-up notice
    Launcher  // a menu or autostart that gives the start-up notice's id and the launch time
};
struct FirstStartRow {
    const char *name;
    Launch launch;
};
void PrintTo(const FirstStartRow &row, std::ostream *out) {
    *out << row.name;
}

class FirstStart : public GadgetTest, public ::testing::WithParamInterface<FirstStartRow> {};

TEST_P(FirstStart, TheFaceComesUpAboveTheActiveWindowWhichKeepsTheKeyboard) {
    IniKeys keys = kWorkedExampleKeys;
    keys.emplace_back("win_x", "3000");
    keys.emplace_back("win_y", "1500");
    keys.emplace_back("temae", "0");
    WriteIni(keys);
    std::optional<std::string> startupId;
    if (GetParam().launch == Launch::Launcher) {
        // She chose the program, then went on typing in the other window while it started.
        const auto launched = screen().ServerTime();
        ASSERT_TRUE(launched);
        startupId = "e2e-launcher_TIME" + std::to_string(*launched);
    }
    SetProgramEnv("DESKTOP_STARTUP_ID", startupId);
    const auto cover = OpenActiveCover();
    ASSERT_TRUE(cover);

    const auto gadget = StartGadget();
    ASSERT_TRUE(gadget);
    EXPECT_TRUE(WaitUntil([&] { return Above({*gadget}, *cover); }))
        << "the face came up below the active window";
    Shot("started");
    EXPECT_EQ(screen().ActiveWindow(), cover) << "the face took the keyboard";
}

INSTANTIATE_TEST_SUITE_P(Table, FirstStart,
                         ::testing::Values(FirstStartRow{"FromATerminal", Launch::Terminal},
                                           FirstStartRow{"FromALauncher", Launch::Launcher}),
                         [](const auto &info) { return std::string(info.param.name); });

// A second start brings the running gadget forward and writes nothing: a minimized face is
// restored; a face and its open calendar under another program's window come above it, the
// calendar with the focus.
enum class Hidden { Minimized, Covered };
struct SecondStartRow {
    const char *name;
    Hidden hidden;
};
void PrintTo(const SecondStartRow &row, std::ostream *out) {
    *out << row.name;
}

class SecondStart : public GadgetTest, public ::testing::WithParamInterface<SecondStartRow> {};

TEST_P(SecondStart, BringsTheRunningGadgetForwardAndWritesNothing) {
    const SecondStartRow &row = GetParam();
    IniKeys keys = kWorkedExampleKeys;
    keys.emplace_back("temae", "0");
    keys.emplace_back("win_x", "3000");
    keys.emplace_back("win_y", "1500");
    WriteIni(keys);
    const auto gadget = StartGadget();
    ASSERT_TRUE(gadget);
    std::vector<std::string> forward = {*gadget};
    std::optional<std::string> cover;
    if (row.hidden == Hidden::Minimized) {
        ASSERT_TRUE(screen().Do({"windowminimize", *gadget}));
        ASSERT_TRUE(screen().WaitGone(kGadget)) << "the window manager did not minimize it";
    } else {
        const auto calendar = OpenCalendar(*gadget);
        ASSERT_TRUE(calendar);
        ASSERT_TRUE(screen().WaitManaged(*calendar));
        forward.push_back(*calendar);
        cover = OpenActiveCover();
        ASSERT_TRUE(cover);
        ASSERT_TRUE(WaitUntil([&] {
            return !Above({*gadget}, *cover) && !Above({*calendar}, *cover);
        })) << "the cover did not come above the gadget and the calendar";
    }
    Shot("hidden");
    const auto before = Snapshot(programFolder());

    Child &second = StartProgram();
    const auto code = second.WaitExit(5s);
    ASSERT_TRUE(code) << "the second copy still runs";
    EXPECT_EQ(*code, 0);
    EXPECT_TRUE(screen().WaitFor(kGadget)) << "the face stayed minimized";
    if (cover) {
        EXPECT_TRUE(WaitUntil([&] { return Above(forward, *cover); }))
            << "not all of the gadget's windows came above the cover";
        EXPECT_TRUE(WaitUntil([&] { return screen().ActiveWindow() == forward.back(); }, 5s));
    }
    Shot("brought-forward");
    const auto g = screen().GeometryOf(*gadget);
    ASSERT_TRUE(g);
    EXPECT_EQ(g->x, 200);
    EXPECT_EQ(g->y, 100);
    EXPECT_EQ(Snapshot(programFolder()), before);
    EXPECT_TRUE(program(0).Running());
}

INSTANTIATE_TEST_SUITE_P(Table, SecondStart,
                         ::testing::Values(SecondStartRow{"MinimizedFace", Hidden::Minimized},
                                           SecondStartRow{"CoveredFaceAndCalendar",
                                                          Hidden::Covered}),
                         [](const auto &info) { return std::string(info.param.name); });

} // namespace
} // namespace e2e
