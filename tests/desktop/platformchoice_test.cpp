#include "app/platformchoice.h"

#include <gtest/gtest.h>

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

} // namespace
