// The Windows zip's program under Wine, on the same X harness as the Linux end-to-end tests:
// Wine's windows are X windows, so they are found, clicked and photographed alike. One test
// per case of what differs on Windows, on one fixture: where rilo.ini lives and how it is written,
// the face and the calendar as drawn by Windows' fonts and the windows platform plugin, the
// export's code page, topmost, single instance, the ways the program ends and the licences shipped.
// VARADADID_UPDATE_GOLDEN=1 writes the golden pictures anew.

#include "../e2e/harness.h"
#include "../e2e/workedexample.h"

#include <algorithm>
#include <cstdlib>
#include <map>
#include <ostream>

namespace e2e {
namespace {

class Windows : public GadgetTest {
protected:
    void SetUp() override {
        // Wine's first start would ask to install Mono and Gecko; neither is needed.
        SetProgramEnv("WINEPREFIX", WINE_PREFIX);
        SetProgramEnv("WINEDEBUG", "-all");
        SetProgramEnv("WINEDLLOVERRIDES", "mscoree,mshtml=");
        SetProgramEnv("LC_ALL", "ja_JP.UTF-8");
        GadgetTest::SetUp();
        if (HasFatalFailure())
            return;
        fs::remove_all(AppDataIni().parent_path());
    }
    // The screen's `width` x `height` pixels at (`x`, `y`) against a golden picture;
    // VARADADID_UPDATE_GOLDEN=1 takes them as the new golden picture.
    void ExpectGolden(int x, int y, int width, int height, const std::string &name) {
        const fs::path shot = root() / "screen.png", cut = root() / (name + ".png");
        ASSERT_TRUE(screen().Shot(shot));
        const std::string crop = std::to_string(width) + "x" + std::to_string(height) + "+" +
                                 std::to_string(x) + "+" + std::to_string(y);
        ASSERT_EQ(
            RunCommand({"convert", shot.string(), "-crop", crop, "+repage", cut.string()}, {}, 15s)
                .exitCode,
            0);
        const std::string golden = WINDOWS_GOLDEN_DIR "/" + name + ".png";
        if (std::getenv("VARADADID_UPDATE_GOLDEN"))
            fs::copy_file(cut, golden, fs::copy_options::overwrite_existing);
        const CommandResult differ = RunCommand(
            {"compare", "-metric", "AE", cut.string(), golden, (root() / "diff.png").string()}, {},
            15s);
        EXPECT_EQ(differ.exitCode, 0) << "pixels differ from " << golden << ": " << differ.out;
    }
    // The calendar's client area on the screen: Wine draws the window's frame and caption inside
    // its X window.
    std::optional<std::pair<int, int>> CalendarClientAt(const std::string &calendar) {
        const auto box = screen().GeometryOf(calendar);
        if (!box)
            return std::nullopt;
        const int border = (box->width - kCalendarClientWidth) / 2;
        return std::pair{box->x + border, box->y + box->height - border - kCalendarClientHeight};
    }
    void TearDown() override {
        // Wine's server and the service processes it started for the program belong to this
        // test's Wine session: they end with it, before the program's own process is reaped.
        if (WorldReady()) {
            RunCommand({"wineserver", "--kill"}, ProgramEnv(), 30s);
            RunCommand({"wineserver", "--wait"}, ProgramEnv(), 30s);
        }
        GadgetTest::TearDown();
        fs::remove_all(AppDataIni().parent_path());
        if (!programFiles_.empty())
            fs::remove_all(programFiles_);
    }

    void InstallProgram(const fs::path &folder) override {
        const fs::path unpacked = folder.parent_path() / "unzipped";
        const CommandResult unzip =
            RunCommand({"unzip", "-q", VARADADID_WINDOWS_ZIP, "-d", unpacked.string()}, {}, 60s);
        ASSERT_EQ(unzip.exitCode, 0) << "unzip " << VARADADID_WINDOWS_ZIP << ": " << unzip.out;
        fs::remove(folder);
        fs::rename(unpacked / "varadadid", folder);
    }
    std::vector<std::string> ProgramCommand(const fs::path &folder) const override {
        const fs::path from = programFiles_.empty() ? folder : programFiles_;
        return {"wine", (from / "varadadid.exe").string()};
    }

    static constexpr int kCalendarClientWidth = 224, kCalendarClientHeight = 376;
    // %APPDATA%\varadadid\rilo.ini of the prefix's user (named after the Unix user).
    static fs::path AppDataIni() {
        const char *user = std::getenv("USER");
        return fs::path(WINE_PREFIX) / "drive_c" / "users" / (user && *user ? user : "root") /
               "AppData" / "Roaming" / "varadadid" / "rilo.ini";
    }
    // The face: Wine shows a frameless tool window as a window of its own, which no window
    // manager takes on, so it is waited for as shown rather than as managed.
    std::optional<std::string> StartFace() {
        StartProgram();
        return screen().WaitFor(kGadget, kStartTimeout);
    }
    // A Windows path of a Unix one, through Wine's Z: drive.
    static std::string WindowsPath(const fs::path &path) {
        std::string text = "Z:" + path.string();
        std::replace(text.begin(), text.end(), '/', '\\');
        return text;
    }
    // The stored settings of most tests: the worked example's date, the face at (200, 100) px.
    void WriteStoredIni() const {
        IniKeys stored = kWorkedExampleKeys;
        stored.insert(stored.end(), {{"temae", "0"}, {"win_x", "3000"}, {"win_y", "1500"}});
        WriteIni(stored);
    }
    // The first start: the entry dialog takes the worked example's date, which is then stored
    // in `written`, CR LF, with every derived key.
    void EnterDueDateOnFirstStart(const fs::path &written) {
        ASSERT_TRUE(StartFace());
        const auto dialog = screen().WaitFor(kEntryDialog, kStartTimeout);
        ASSERT_TRUE(dialog) << "no entry dialog on the first start";
        ASSERT_TRUE(screen().Activate(*dialog) && TypeDueDate("2006", "5", "1"));
        ASSERT_TRUE(screen().Key("Tab") && screen().Key("space"));
        ASSERT_TRUE(ConfirmFarDueDate(screen()));
        ASSERT_TRUE(screen().WaitGone(kEntryDialog)) << "the dialog stayed open";
        const auto text = ReadFile(written).value_or("");
        EXPECT_EQ(text.find('\n'), text.find("\r\n") + 1) << "not CR LF:\n" << text;
        const auto ini = ReadIni(written);
        for (const auto &[key, value] : kWorkedExampleKeys)
            EXPECT_EQ(ini.count(key) ? ini.at(key) : "(missing)", value) << key;
    }
    // Ends the running gadget with `command` (with the calendar open first when asked): it
    // exits with status 0, its place and date kept.
    void ExpectCleanEnd(const std::vector<std::string> &command, bool calendarOpen) {
        WriteStoredIni();
        const auto face = StartFace();
        ASSERT_TRUE(face);
        if (calendarOpen) {
            ASSERT_TRUE(OpenCalendar(*face));
        }
        RunCommand(command, ProgramEnv(), 30s);
        EXPECT_EQ(program().WaitExit(20s), 0);
        EXPECT_EQ(ReadIni(IniPath())["win_x"], "3000");
        EXPECT_EQ(ReadIni(IniPath())["yoteibi"], "2006/05/01");
    }
    fs::path programFiles_; // a copy under the prefix's Program Files, when the row makes one
};

// No rilo.ini: the entry dialog, then rilo.ini beside the exe, CR LF.
TEST_F(Windows, FirstStart) {
    EnterDueDateOnFirstStart(IniPath());
}

// A stored date: the face as the golden picture shows it.
TEST_F(Windows, Face) {
    WriteIni(DueInDays(98));
    const auto face = StartFace();
    ASSERT_TRUE(face);
    const auto g = screen().GeometryOf(*face);
    ASSERT_TRUE(g);
    EXPECT_EQ(g->shape, "130x120+20+25");
    Shot("face");
    ExpectGolden(g->x + 20, g->y + 25, 130, 120, "face-98-days");
}

// The calendar saved through Windows' Save As: the Shift-JIS bytes of the Linux export.
TEST_F(Windows, Export) {
    WriteStoredIni();
    const auto face = StartFace();
    ASSERT_TRUE(face);
    const auto calendar = OpenCalendar(*face);
    ASSERT_TRUE(calendar) << "no calendar window";
    const auto client = CalendarClientAt(*calendar);
    const auto box = screen().GeometryOf(*calendar);
    ASSERT_TRUE(client && box);
    ASSERT_TRUE(ClickIn(*calendar, client->first - box->x + kCalendarSaveX,
                        client->second - box->y + kCalendarButtonsY));
    const auto saveAs = WaitForOtherWindow(program().pid(), {"varadadid", "カレンダー"});
    ASSERT_TRUE(saveAs) << "no Save As dialog";
    const fs::path exported = root() / "dates.txt";
    ASSERT_TRUE(screen().Activate(*saveAs) && screen().Type(WindowsPath(exported)) &&
                screen().Key("Return"));
    ASSERT_TRUE(WaitUntil([&] { return fs::exists(exported); }, 15s)) << "nothing saved";
    EXPECT_EQ(ReadFile(exported), ToShiftJis(WorkedExampleExportUtf8()));
}

// The calendar as the golden picture shows it: dates and captions in Gothic.
TEST_F(Windows, Calendar) {
    WriteStoredIni();
    const auto face = StartFace();
    ASSERT_TRUE(face);
    const auto calendar = OpenCalendar(*face);
    ASSERT_TRUE(calendar) << "no calendar window";
    const auto client = CalendarClientAt(*calendar);
    ASSERT_TRUE(client);
    ExpectGolden(client->first, client->second, kCalendarClientWidth, kCalendarClientHeight,
                 "calendar-worked-example");
}

// 常に手前に表示 stores temae=1.
TEST_F(Windows, Topmost) {
    WriteStoredIni();
    const auto face = StartFace();
    ASSERT_TRUE(face && OpenMenu(*face) && screen().Key("t"));
    EXPECT_TRUE(WaitUntil([&] { return ReadIni(IniPath())["temae"] == "1"; }, 10s));
}

// A drag's end is stored at once.
TEST_F(Windows, DragEnd) {
    WriteStoredIni();
    const auto face = StartFace();
    ASSERT_TRUE(face);
    const auto g = screen().GeometryOf(*face);
    ASSERT_TRUE(g && screen().Drag(g->x + kFaceX, g->y + kFaceY, 40, 30, 1));
    EXPECT_TRUE(WaitUntil([&] { return ReadIni(IniPath())["win_x"] == "3600"; }, 10s));
    EXPECT_EQ(ReadIni(IniPath())["win_y"], "1950");
}

// A second copy ends at once and leaves the first running.
TEST_F(Windows, SecondStart) {
    WriteStoredIni();
    ASSERT_TRUE(StartFace());
    const auto code = StartProgram().WaitExit(30s);
    EXPECT_EQ(code, 0) << "the second copy did not end at once";
    EXPECT_TRUE(program().Running()) << "the first copy ended";
    EXPECT_EQ(screen().Find(kGadget).size(), 1u);
}

// Windows' close (taskkill: WM_CLOSE) ends it cleanly, its place saved.
TEST_F(Windows, Close) {
    ExpectCleanEnd({"wine", "taskkill", "/IM", "varadadid.exe"}, false);
}

// A logout (WM_QUERYENDSESSION, WM_ENDSESSION) with the calendar open.
TEST_F(Windows, EndSession) {
    ExpectCleanEnd({"wine", "wineboot", "--end-session"}, true);
}

// A copy under Program Files keeps its settings in %APPDATA%.
TEST_F(Windows, ProgramFiles) {
    programFiles_ = fs::path(WINE_PREFIX) / "drive_c" / "Program Files" / "varadadid-e2e";
    fs::remove_all(programFiles_);
    fs::create_directories(programFiles_.parent_path());
    fs::copy(programFolder(), programFiles_, fs::copy_options::recursive);
    EnterDueDateOnFirstStart(AppDataIni());
    EXPECT_FALSE(fs::exists(programFiles_ / "rilo.ini")) << "written under Program Files";
}

// Every DLL in the zip has its licence texts in licenses/ (from the zip alone).
TEST_F(Windows, Licenses) {
    // Each DLL the zip ships, by file name, and the texts under licenses/ that cover it.
    const std::vector<std::string> qt = {"LGPL-3.txt", "GPL-3.txt", "qt/SOURCE.txt",
                                         "qt/qtbase-windows.patch", "qt/mingw64.cmake"};
    const std::vector<std::string> gcc = {"GPL-3.txt", "GCC-Runtime-Library-Exception.txt"};
    const std::map<std::string, std::vector<std::string>> covers = {
        {"Qt6Core.dll", qt},
        {"Qt6Gui.dll", qt},
        {"Qt6Widgets.dll", qt},
        {"Qt6Network.dll", qt},
        {"qwindows.dll", qt},
        {"qwindowsvistastyle.dll", qt},
        {"libgcc_s_seh-1.dll", gcc},
        {"libstdc++-6.dll", gcc},
        {"libwinpthread-1.dll", {"winpthreads.txt"}},
    };
    int dlls = 0;
    for (const auto &entry : fs::recursive_directory_iterator(programFolder())) {
        if (entry.path().extension() != ".dll")
            continue;
        ++dlls;
        const std::string dll = entry.path().filename().string();
        const auto covered = covers.find(dll);
        if (covered == covers.end()) {
            ADD_FAILURE() << dll << " is shipped with no licence named for it";
            continue;
        }
        for (const std::string &text : covered->second) {
            const fs::path file = programFolder() / "licenses" / text;
            EXPECT_TRUE(fs::exists(file) && fs::file_size(file) > 0)
                << dll << ": no " << text << " in the zip";
        }
    }
    EXPECT_GE(dlls, 9) << "fewer DLLs than the program loads";
    EXPECT_NE(ReadFile(programFolder() / "licenses" / "qt" / "SOURCE.txt")
                  .value_or("")
                  .find("qt6-base " QT_HOST_VERSION),
              std::string::npos)
        << "the Qt source is not named with its Debian version";
    EXPECT_NE(ReadFile(programFolder() / "README.txt").value_or("").find("licenses"),
              std::string::npos)
        << "the README does not point to the licences";
}

} // namespace
} // namespace e2e
