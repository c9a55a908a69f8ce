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
#include <set>
#include <sstream>

namespace e2e {
namespace {

class Windows : public GadgetTest {
protected:
    void SetUp() override {
        // Wine's first start would ask to install Mono and Gecko; neither is needed.
        SetProgramEnv("WINEPREFIX", WINE_PREFIX);
        SetProgramEnv("WINEDEBUG", "-all");
        // Wine's menu builder would write the host's menus for the installer's shortcuts.
        SetProgramEnv("WINEDLLOVERRIDES", "mscoree,mshtml=;winemenubuilder.exe=d");
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
    // The worked example's calendar opened from a started face: its window and the client area's
    // place on the screen.
    struct OpenedCalendar {
        std::string window;
        std::pair<int, int> client;
    };
    std::optional<OpenedCalendar> OpenStoredCalendar() {
        WriteStoredIni();
        const auto face = StartFace();
        const auto calendar = face ? OpenCalendar(*face) : std::nullopt;
        const auto client = calendar ? CalendarClientAt(*calendar) : std::nullopt;
        if (!client)
            return std::nullopt;
        return OpenedCalendar{*calendar, *client};
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
        if (!startCommand_.empty())
            return startCommand_;
        const fs::path from = programFiles_.empty() ? folder : programFiles_;
        return {"wine", (from / "varadadid.exe").string()};
    }

    static constexpr int kCalendarClientWidth = 224, kCalendarClientHeight = 376;
    // The prefix's user's profile folder (named after the Unix user), and in it
    // %APPDATA%\varadadid\rilo.ini.
    fs::path UserFolder() const {
        const char *user = std::getenv("USER");
        return prefix_ / "drive_c" / "users" / (user && *user ? user : "root");
    }
    fs::path AppDataIni() const {
        return UserFolder() / "AppData" / "Roaming" / "varadadid" / "rilo.ini";
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
        // The dialog's window may go before the stored keys are seen through Wine: wait for them.
        WaitUntil([&] { return ReadIni(written).count("inu") > 0; }, 15s);
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
    fs::path prefix_ = WINE_PREFIX;
    std::vector<std::string> startCommand_; // what starts the program, when not the zip's copy

    // The installer's cases: a Wine prefix of the test's own, made afresh.
    void UseFreshPrefix() {
        prefix_ = root() / "wine-prefix";
        const CommandResult made =
            RunCommand({WINE_PREFIX_SCRIPT, prefix_.string()}, ProgramEnv(), 180s);
        ASSERT_EQ(made.exitCode, 0) << made.out;
        SetProgramEnv("WINEPREFIX", prefix_.string());
    }
    CommandResult Wine(std::vector<std::string> args, Millis timeout = 120s) const {
        args.insert(args.begin(), "wine");
        return RunCommand(args, ProgramEnv(), timeout);
    }
    // Runs a Windows program to its end, its output into a log of the test's own: a program it
    // starts (the installer starts the gadget again) would hold a pipe open past the end.
    std::optional<int> RunToEnd(const std::vector<std::string> &args, Millis timeout = 120s) {
        std::vector<std::string> argv = {"wine"};
        argv.insert(argv.end(), args.begin(), args.end());
        Child child = Child::Spawn(argv, ProgramEnv(), root() / "wine-commands.log");
        return child.WaitExit(timeout);
    }
    void InstallSilently() {
        ASSERT_EQ(RunToEnd({VARADADID_WINDOWS_SETUP, "/S"}), 0)
            << ReadFile(root() / "wine-commands.log").value_or("");
    }
    fs::path InstallFolder() const {
        return UserFolder() / "AppData" / "Local" / "Programs" / "varadadid";
    }
    fs::path Shortcut() const {
        return UserFolder() / "AppData" / "Roaming" / "Microsoft" / "Windows" / "Start Menu" /
               "Programs" / "りろ日記.lnk";
    }
    static constexpr const char *kInstalledExe =
        "\\AppData\\Local\\Programs\\varadadid\\varadadid.exe";
    static constexpr const char *kUninstallKey =
        "HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\varadadid";
    static constexpr const char *kRunKey =
        "HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Run";
    // The values of a registry key as `reg query` lists them ("name" to "value"); empty when the
    // key is missing.
    std::map<std::string, std::string> Registry(const std::string &key) const {
        std::map<std::string, std::string> values;
        std::istringstream lines(Wine({"reg", "query", key}, 60s).out);
        for (std::string line; std::getline(lines, line);) {
            if (!line.empty() && line.back() == '\r')
                line.pop_back();
            const auto type = line.find("    REG_");
            if (line.rfind("    ", 0) != 0 || type == std::string::npos)
                continue;
            const auto value = line.find("    ", type + 4);
            values[line.substr(4, type - 4)] =
                value == std::string::npos ? "" : line.substr(value + 4);
        }
        return values;
    }
    // The files and folders under the user's profile, relative to it, but for the temporary
    // folder (where the uninstaller runs as a copy of itself, which Windows removes later).
    std::set<std::string> ProfileFiles() const {
        std::set<std::string> files;
        for (const auto &entry : fs::recursive_directory_iterator(UserFolder())) {
            const std::string path = entry.path().lexically_relative(UserFolder()).string();
            if (path.rfind("Temp", 0) != 0 && path.rfind("AppData/Local/Temp", 0) != 0)
                files.insert(path);
        }
        return files;
    }
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
    const auto calendar = OpenStoredCalendar();
    ASSERT_TRUE(calendar) << "no calendar window";
    const auto box = screen().GeometryOf(calendar->window);
    ASSERT_TRUE(box);
    ASSERT_TRUE(ClickIn(calendar->window, calendar->client.first - box->x + kCalendarSaveX,
                        calendar->client.second - box->y + kCalendarButtonsY));
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
    const auto calendar = OpenStoredCalendar();
    ASSERT_TRUE(calendar) << "no calendar window";
    ExpectGolden(calendar->client.first, calendar->client.second, kCalendarClientWidth,
                 kCalendarClientHeight, "calendar-worked-example");
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

// Every DLL in the zip has its licence texts in licenses/, with the notices of the third-party
// code compiled into Qt's, and every text file has Windows line ends (from the zip alone).
TEST_F(Windows, Licenses) {
    // Each DLL the zip ships, by file name, and the texts under licenses/ that cover it.
    const std::vector<std::string> qt = {"LGPL-3.txt",       "GPL-3.txt",
                                         "qt/SOURCE.txt",    "qt/qtbase-windows.patch",
                                         "qt/mingw64.cmake", "qt-third-party/README.txt"};
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
    // What a look into the DLLs found compiled in, each with its notice and its DLL named.
    const std::string index =
        ReadFile(programFolder() / "licenses" / "qt-third-party" / "README.txt").value_or("");
    for (const char *component :
         {"zlib.txt", "pcre2.txt", "libpng.txt", "freetype.txt", "harfbuzz-ng.txt",
          "icc-sRGB-color-profile.txt", "sha3_keccak.txt", "blake2.txt", "md4c.txt"}) {
        EXPECT_NE(index.find(component), std::string::npos) << "no notice named " << component;
        EXPECT_TRUE(fs::exists(programFolder() / "licenses" / "qt-third-party" / component))
            << component;
    }
    const std::string terms = ReadFile(programFolder() / "licenses" / "README.txt").value_or("");
    for (const char *part :
         {"varadadid.exe", "Qt6Core.dll", "qwindows.dll", "libwinpthread-1.dll", "ipag.ttf"})
        EXPECT_NE(terms.find(part), std::string::npos) << "licenses/README.txt names no " << part;
    for (const auto &entry : fs::recursive_directory_iterator(programFolder())) {
        const std::string ext = entry.path().extension().string();
        if (ext != ".txt" && ext != ".patch" && ext != ".cmake")
            continue;
        const std::string text = ReadFile(entry.path()).value_or("");
        EXPECT_NE(text.find("\r\n"), std::string::npos)
            << entry.path().lexically_relative(programFolder()) << " has no line ends";
        for (auto at = text.find('\n'); at != std::string::npos; at = text.find('\n', at + 1))
            if (at == 0 || text[at - 1] != '\r') {
                ADD_FAILURE() << entry.path().lexically_relative(programFolder())
                              << ": a line ends in LF alone";
                break;
            }
    }
}

// The installer's silent install (/S, the default choices): the program's files with the marker
// that keeps its settings in %APPDATA%, the Start menu shortcut to the exe, the start at logon
// and the Uninstall entry of Windows' apps list.
TEST_F(Windows, SetupInstallsSilently) {
    ASSERT_NO_FATAL_FAILURE(UseFreshPrefix());
    ASSERT_NO_FATAL_FAILURE(InstallSilently());
    for (const char *file :
         {"varadadid.exe", "varadadid-installed.txt", "uninstall.exe", "Qt6Core.dll",
          "platforms/qwindows.dll", "licenses/README.txt", "licenses/qt-third-party/README.txt"})
        EXPECT_TRUE(fs::is_regular_file(InstallFolder() / file)) << file;
    EXPECT_FALSE(fs::exists(InstallFolder() / "rilo.ini"));
    const std::string exe = "C:\\users\\" + UserFolder().filename().string() + kInstalledExe;
    const std::string folder = exe.substr(0, exe.rfind('\\'));
    // A shortcut names its target in UTF-16.
    std::string target;
    for (const char c : exe)
        target += {c, '\0'};
    EXPECT_NE(ReadFile(Shortcut()).value_or("").find(target), std::string::npos)
        << "no shortcut to " << exe;
    EXPECT_EQ(Registry(kRunKey)["varadadid"], "\"" + exe + "\"");
    auto values = Registry(kUninstallKey);
    const std::map<std::string, std::string> expected = {
        {"DisplayName", ToShiftJis("りろ日記")}, // reg speaks the console's code page, 932
        {"DisplayVersion", VARADADID_VERSION},
        {"DisplayIcon", exe + ",0"},
        {"InstallLocation", folder},
        {"UninstallString", "\"" + folder + "\\uninstall.exe\""},
        {"QuietUninstallString", "\"" + folder + "\\uninstall.exe\" /S"},
        {"NoModify", "0x1"},
        {"NoRepair", "0x1"},
    };
    for (const auto &[name, value] : expected)
        EXPECT_EQ(values[name], value) << name;
    EXPECT_FALSE(values["Publisher"].empty());
    // In KiB: the program with its DLLs and fonts is well over 10 MiB.
    EXPECT_GT(
        std::stoul(values["EstimatedSize"].empty() ? "0" : values["EstimatedSize"], nullptr, 16),
        10240u);
}

// The installed gadget, started through the Start menu shortcut, keeps its settings in
// %APPDATA%, never beside the exe.
TEST_F(Windows, SetupsShortcutStartsTheGadgetWithItsSettingsInAppData) {
    ASSERT_NO_FATAL_FAILURE(UseFreshPrefix());
    ASSERT_NO_FATAL_FAILURE(InstallSilently());
    // As a click on the entry would: `start` opens the shortcut, which starts its target.
    startCommand_ = {"wine", "start", "/unix", Shortcut().string()};
    EnterDueDateOnFirstStart(AppDataIni());
    EXPECT_FALSE(fs::exists(InstallFolder() / "rilo.ini")) << "written beside the installed exe";
}

// An upgrade over the installed copy while its gadget runs: the gadget is asked to end and ends
// cleanly (status 0, its settings and place as stored), the files are replaced, the logon choice
// (here: switched off) stays, and the gadget runs again.
TEST_F(Windows, SetupUpgradesOverARunningGadget) {
    ASSERT_NO_FATAL_FAILURE(UseFreshPrefix());
    ASSERT_NO_FATAL_FAILURE(InstallSilently());
    ASSERT_EQ(Wine({"reg", "delete", kRunKey, "/v", "varadadid", "/f"}).exitCode, 0);
    IniKeys stored = kWorkedExampleKeys;
    stored.insert(stored.end(), {{"temae", "0"}, {"win_x", "3000"}, {"win_y", "1500"}});
    fs::create_directories(AppDataIni().parent_path());
    WriteFile(AppDataIni(), IniText(stored));
    startCommand_ = {"wine", (InstallFolder() / "varadadid.exe").string()};
    const auto face = StartFace();
    ASSERT_TRUE(face);
    const auto g = screen().GeometryOf(*face);
    ASSERT_TRUE(g && screen().Drag(g->x + kFaceX, g->y + kFaceY, 40, 30, 1));
    ASSERT_TRUE(WaitUntil([&] { return ReadIni(AppDataIni())["win_x"] == "3600"; }, 10s));

    ASSERT_NO_FATAL_FAILURE(InstallSilently());
    EXPECT_EQ(program().WaitExit(30s), 0) << "the running gadget did not end cleanly";
    const auto ini = ReadIni(AppDataIni());
    EXPECT_EQ(ini.count("yoteibi") ? ini.at("yoteibi") : "", "2006/05/01");
    EXPECT_EQ(ini.count("win_y") ? ini.at("win_y") : "", "1950");
    EXPECT_EQ(Registry(kRunKey).count("varadadid"), 0u) << "the logon choice was not kept";
    EXPECT_TRUE(screen().WaitFor(kGadget, kStartTimeout)) << "the gadget was not started again";
}

// The silent uninstall leaves nothing of the program in the profile or the registry but the
// settings, which it keeps (the per-user Programs folder is Windows' own).
TEST_F(Windows, SetupsUninstallerKeepsTheSettingsWhenSilent) {
    ASSERT_NO_FATAL_FAILURE(UseFreshPrefix());
    std::set<std::string> before = ProfileFiles();
    ASSERT_NO_FATAL_FAILURE(InstallSilently());
    fs::create_directories(AppDataIni().parent_path());
    WriteFile(AppDataIni(), IniText(kWorkedExampleKeys));
    // The uninstaller runs on as a copy of itself in Temp, so its end is seen in the folder.
    RunToEnd({(InstallFolder() / "uninstall.exe").string(), "/S"});
    EXPECT_TRUE(WaitUntil([&] { return !fs::exists(InstallFolder()); }, 60s));
    before.insert({"AppData/Local/Programs", "AppData/Roaming/varadadid",
                   "AppData/Roaming/varadadid/rilo.ini"});
    const std::set<std::string> after = ProfileFiles();
    for (const std::string &file : after)
        EXPECT_TRUE(before.count(file)) << "left behind: " << file;
    for (const std::string &file : before)
        EXPECT_TRUE(after.count(file)) << "gone: " << file;
    EXPECT_EQ(ReadIni(AppDataIni())["yoteibi"], "2006/05/01");
    EXPECT_TRUE(Registry(kUninstallKey).empty());
    EXPECT_EQ(Registry(kRunKey).count("varadadid"), 0u);
}

// The uninstaller with its pages asks whether to delete the settings too; answered yes, they go.
TEST_F(Windows, SetupsUninstallerDeletesTheSettingsWhenAsked) {
    ASSERT_NO_FATAL_FAILURE(UseFreshPrefix());
    ASSERT_NO_FATAL_FAILURE(InstallSilently());
    fs::create_directories(AppDataIni().parent_path());
    WriteFile(AppDataIni(), IniText(kWorkedExampleKeys));
    startCommand_ = {"wine", (InstallFolder() / "uninstall.exe").string()};
    StartProgram();
    const auto pages = screen().WaitFor("アンインストール", kStartTimeout);
    ASSERT_TRUE(pages) << "no uninstaller";
    ASSERT_TRUE(screen().Activate(*pages) && screen().Key("Return"));
    // The question comes once the program's files are gone, in a box of the same caption.
    std::string question;
    ASSERT_TRUE(WaitUntil(
        [&] {
            for (const std::string &window : screen().Find("アンインストール"))
                if (window != *pages)
                    question = window;
            return !question.empty();
        },
        60s))
        << "no question about the settings";
    EXPECT_FALSE(fs::exists(InstallFolder() / "varadadid.exe"));
    ASSERT_TRUE(screen().Activate(question) && screen().Key("y"));
    EXPECT_TRUE(WaitUntil([&] { return !fs::exists(AppDataIni().parent_path()); }, 30s))
        << "the settings were kept";
    EXPECT_TRUE(WaitUntil([&] { return !fs::exists(InstallFolder()); }, 30s));
}

// The installer's first page, in Japanese, as the golden picture shows it.
TEST_F(Windows, SetupsFirstPage) {
    startCommand_ = {"wine", VARADADID_WINDOWS_SETUP};
    StartProgram();
    const auto page =
        screen().WaitFor("^りろ日記 " VARADADID_VERSION " セットアップ$", kStartTimeout);
    ASSERT_TRUE(page) << "no installer window";
    const auto g = screen().GeometryOf(*page);
    ASSERT_TRUE(g);
    Shot("setup");
    ExpectGolden(g->x, g->y, g->width, g->height, "setup-first-page");
}

} // namespace
} // namespace e2e
