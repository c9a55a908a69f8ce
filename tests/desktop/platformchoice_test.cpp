#include "app/platformchoice.h"

#include <gtest/gtest.h>

#include <tuple>
#include <vector>

namespace {

bool Prefers(bool wayland, const QByteArray &qpa, std::vector<const char *> args) {
    args.insert(args.begin(), "varadadid");
    return app::ShouldPreferXcb(wayland, qpa, int(args.size()), args.data());
}

TEST(PlatformChoice, WaylandSessionWithNothingChosenGoesThroughXWayland) {
    EXPECT_TRUE(Prefers(true, {}, {}));
}

TEST(PlatformChoice, WithoutWaylandDisplayQtKeepsItsOwnChoice) {
    EXPECT_FALSE(Prefers(false, {}, {}));
}

TEST(PlatformChoice, QtQpaPlatformIsTheUsersChoice) {
    EXPECT_FALSE(Prefers(true, "wayland", {}));
    EXPECT_FALSE(Prefers(true, "offscreen", {}));
}

TEST(PlatformChoice, EmptyQtQpaPlatformChoosesNothing) {
    EXPECT_TRUE(Prefers(true, "", {}));
}

TEST(PlatformChoice, PlatformArgumentIsTheUsersChoiceWithOneOrTwoDashes) {
    EXPECT_FALSE(Prefers(true, {}, {"-platform", "wayland"}));
    EXPECT_FALSE(Prefers(true, {}, {"--platform", "wayland"}));
    EXPECT_FALSE(Prefers(true, {}, {"-style", "fusion", "-platform", "wayland"}));
}

TEST(PlatformChoice, PlatformWithoutValueOrAsAValueChoosesNothing) {
    // Qt takes `-platform` only with a name after it.
    EXPECT_TRUE(Prefers(true, {}, {"-platform"}));
    EXPECT_TRUE(Prefers(true, {}, {"-style", "fusion"}));
    EXPECT_TRUE(Prefers(true, {}, {"-platformtheme", "gtk3"}));
}

// A bus the session names, or the user's bus, is used; no bus at all starts none of its own.
TEST(SessionBus, IsNeverStartedForTheProgramAlone) {
    const std::vector<std::tuple<QByteArray, bool, QByteArray>> rows = {
        {"unix:path=/run/user/1000/bus", false, ""},
        {"unix:path=/run/user/1000/bus", true, ""},
        {"", true, ""},
        {"", false, "disabled:"},
    };
    for (const auto &[address, userBus, set] : rows)
        EXPECT_EQ(app::SessionBusOverride(address, userBus), set) << address.constData() << userBus;
}

} // namespace
