// The gadget's face as a screen reader, the keyboard and a high-resolution screen meet it: its
// one accessible sentence over AT-SPI, its menu from the keyboard, and its rounded corners at a
// scale factor of 2; and on Qt's own Wayland platform, where the compositor places it.

#include "harness.h"
#include "workedexample.h"

#include <ctime>
#include <sstream>

namespace e2e {
namespace {

class Face : public GadgetTest {};

TEST_F(Face, AScreenReaderReadsTheWindowsNameAndOneSentence) {
    // A session bus of the test's own with the accessibility bus on it, as a desktop has.
    const fs::path bus = root() / "session-bus";
    const std::string address = "unix:path=" + bus.string();
    const EnvChanges busEnv = {{"DBUS_SESSION_BUS_ADDRESS", address},
                               {"HOME", (root() / "home").string()}};
    Child session = Child::Spawn({"dbus-daemon", "--session", "--nofork", "--address=" + address},
                                 busEnv, root() / "dbus.log");
    ASSERT_TRUE(WaitUntil([&] { return fs::exists(bus); }, 10s)) << "no session bus";
    Child a11yBus = Child::Spawn({"/usr/libexec/at-spi-bus-launcher"}, busEnv, root() / "a11y.log");

    SetProgramEnv("DBUS_SESSION_BUS_ADDRESS", address);
    SetProgramEnv("QT_LINUX_ACCESSIBILITY_ALWAYS_ON", "1");
    WriteIni(DueInDays(98));
    ASSERT_TRUE(StartGadget());

    const CommandResult read = RunCommand(
        {"/usr/bin/python3", E2E_SCRIPT_DIR "/read_accessible.py", "りろ日記", "20"}, busEnv, 30s);
    EXPECT_EQ(read.exitCode, 0) << "no window named りろ日記 on the accessibility bus";
    EXPECT_EQ(read.out, "りろ日記\n26週0日、7ヶ月目。予定日まであと98日\n0\n");
}

TEST_F(Face, TheMenuKeyAndShiftF10OpenTheMenuAndItsAccessKeysWork) {
    WriteIni(DueInDays(98));
    const auto gadget = StartGadget();
    ASSERT_TRUE(gadget);
    ASSERT_TRUE(ClickIn(*gadget, kFaceX, kFaceY)); // the face takes the focus
    for (const auto &[keys, temae] : {std::pair{"Menu", "1"}, std::pair{"shift+F10", "0"}}) {
        ASSERT_TRUE(screen().Key(keys));
        std::optional<std::string> menu;
        ASSERT_TRUE(WaitUntil([&] { return (menu = MenuOf(*gadget)).has_value(); }, 5s, 100ms))
            << keys << " opened no menu";
        ASSERT_TRUE(screen().Key("t"));
        EXPECT_TRUE(WaitUntil([&] { return ReadIni(IniPath())["temae"] == temae; }, 5s)) << keys;
        EXPECT_TRUE(WaitUntil([&] { return !MenuOf(*gadget); }, 5s)) << keys;
    }
}

TEST_F(Face, CornersStepByOneDevicePixelAtScaleTwo) {
    SetProgramEnv("QT_SCALE_FACTOR", "2");
    WriteIni(DueInDays(98));
    const auto gadget = StartGadget();
    ASSERT_TRUE(gadget);
    const auto g = screen().GeometryOf(*gadget);
    ASSERT_TRUE(g);
    EXPECT_EQ(g->width, 376);
    EXPECT_EQ(g->height, 344);
    EXPECT_EQ(g->shape, "260x240+40+50");

    // The face's left edge along the top-left corner, row by row, in a screenshot.
    const fs::path png = root() / "scale2.png";
    ASSERT_TRUE(screen().Shot(png));
    const CommandResult pixels =
        RunCommand({"convert", png.string(), "-crop",
                    "40x40+" + std::to_string(g->x + 40) + "+" + std::to_string(g->y + 50),
                    "+repage", "txt:-"},
                   {}, 15s);
    ASSERT_EQ(pixels.exitCode, 0);
    std::map<int, int> leftEdge; // row -> first column of the face
    std::string background;
    std::istringstream lines(pixels.out);
    for (std::string line; std::getline(lines, line);) {
        int x = 0, y = 0;
        const auto hash = line.find('#');
        if (line.empty() || line[0] == '#' || std::sscanf(line.c_str(), "%d,%d:", &x, &y) != 2 ||
            hash == std::string::npos)
            continue;
        const std::string colour = line.substr(hash, 7);
        if (x == 0 && y == 0)
            background = colour; // outside the rounded corner
        if (colour != background && !leftEdge.count(y))
            leftEdge[y] = x;
    }
    bool oddStep = false; // the edge moves between rows 2k and 2k+1 somewhere
    for (int y = 0; y + 1 < 40; y += 2)
        oddStep = oddStep ||
                  (leftEdge.count(y) && leftEdge.count(y + 1) && leftEdge[y] != leftEdge[y + 1]);
    EXPECT_TRUE(oddStep) << "the corner steps in blocks of two device pixels";
}

// Qt's Wayland platform, chosen by the user, under weston (whose screenshots need no input): the
// face is rounded, its corners showing the desktop rather than black, and the place that the
// compositor chose, which the program cannot know, is never stored.
TEST_F(Face, OnNativeWaylandTheFaceIsRoundedAndNoPlaceIsStored) {
    if (WindowManagerToUse() != WindowManager::Weston)
        GTEST_SKIP() << "runs under weston";
    SetProgramEnv("QT_QPA_PLATFORM", "wayland");
    WriteIni(DueInDays(98)); // stored at (100, 100); Qt's idea of the window stays at (0, 0)
    Child &program = StartProgram();

    // The face's colour (Qt's tool-tip base) fills a box of the face's size once it is shown.
    const fs::path png = root() / "wayland.png";
    const std::string face = "FFFFDC";
    std::string box;
    ASSERT_TRUE(WaitUntil(
        [&] {
            RunCommand({"sh", "-c", "cd \"$0\" && weston-screenshooter && mv wayland-*.png \"$1\"",
                        root().string(), png.string()},
                       ProgramEnv(), 10s);
            box = RunCommand({"convert", png.string(), "-fill", "black", "+opaque", "#" + face,
                              "-format", "%@", "info:"},
                             {}, 10s)
                      .out;
            return box.rfind("130x120+", 0) == 0;
        },
        kStartTimeout, 200ms))
        << "no face of 130 x 120 on weston's screen: " << box;
    int left = 0, top = 0;
    ASSERT_EQ(std::sscanf(box.c_str(), "130x120+%d+%d", &left, &top), 2);
    std::string corners;
    for (const int x : {left, left + 129})
        for (const int y : {top, top + 119})
            corners += "%[hex:p{" + std::to_string(x) + "," + std::to_string(y) + "}] ";
    std::istringstream shown(
        RunCommand({"convert", png.string(), "-format", corners, "info:"}, {}, 10s).out);
    int seen = 0;
    for (std::string corner; shown >> corner; ++seen)
        EXPECT_TRUE(corner != face && corner != "000000") << "a square or black corner: " << corner;
    EXPECT_EQ(seen, 4);

    program.Signal(SIGTERM);
    EXPECT_EQ(program.WaitExit(10s), 0);
    const auto ini = ReadIni(IniPath());
    EXPECT_EQ(ini.at("win_x"), "1500");
    EXPECT_EQ(ini.at("win_y"), "1500");
}

} // namespace
} // namespace e2e
