// The face turns over at local midnight by itself: the program runs under libfaketime, whose
// clock starts where the test says and which also moves the program's timers onto that clock.

#include "harness.h"

namespace e2e {
namespace {

const fs::path kFaketime = "/usr/lib/x86_64-linux-gnu/faketime/libfaketime.so.1";

class DayChange : public GadgetTest {
protected:
    // Starts the gadget with its clock at `start` (New York time) and returns it.
    std::optional<std::string> StartAt(const std::string &start) {
        extraProgramEnv = {{"LD_PRELOAD", kFaketime.string()},
                           {"FAKETIME", "@" + start},
                           {"FAKETIME_DONT_FAKE_MONOTONIC", "1"},
                           {"TZ", "America/New_York"}};
        return StartGadget();
    }
    // The face's pixels as the screen shows them.
    std::string Face(const std::string &gadget) const {
        const auto g = screen().GeometryOf(gadget);
        const fs::path png = root() / "screen.png";
        if (!g || !screen().Shot(png))
            return {};
        const std::string crop =
            "130x120+" + std::to_string(g->x + 20) + "+" + std::to_string(g->y + 25);
        return RunCommand({"convert", png.string(), "-crop", crop, "-depth", "8", "rgb:-"}, {}).out;
    }
    // The face once two pictures in a row agree (the first paint may still be on its way).
    std::string SettledFace(const std::string &gadget) const {
        std::string last, now;
        WaitUntil([&] {
            last = std::exchange(now, Face(gadget));
            return !now.empty() && now == last;
        });
        return now;
    }
};

TEST_F(DayChange, TheFaceShowsTheNextDayWithinSecondsOfMidnight) {
    ASSERT_TRUE(fs::exists(kFaketime)) << "libfaketime is not installed";
    WriteIni({{"start_up", "1"},
              {"yoteibi", "2027/06/01"},
              {"hajime", "2026/08/25"},
              {"win_x", "3000"},
              {"win_y", "1500"}});
    // What the face looks like on either day, each from a fresh start.
    std::map<std::string, std::string> faces;
    std::size_t started = 0;
    for (const char *start : {"2027-03-13 12:00:00", "2027-03-14 12:00:00"}) {
        const auto gadget = StartAt(start);
        ASSERT_TRUE(gadget) << "no gadget at " << start;
        faces[start] = SettledFace(*gadget);
        ASSERT_FALSE(faces[start].empty());
        program(started++).Stop();
    }
    const std::string &saturday = faces["2027-03-13 12:00:00"];
    const std::string &sunday = faces["2027-03-14 12:00:00"];
    ASSERT_NE(saturday, sunday) << "the two days look alike; nothing to tell apart";

    // Three seconds before midnight; the next day must show within five seconds of it.
    const auto gadget = StartAt("2027-03-13 23:59:57");
    ASSERT_TRUE(gadget);
    Shot("before-midnight");
    EXPECT_TRUE(WaitUntil([&] { return Face(*gadget) == sunday; }, 8s, 200ms))
        << "the face did not turn over to 2027-03-14";
    Shot("after-midnight");
}

} // namespace
} // namespace e2e
