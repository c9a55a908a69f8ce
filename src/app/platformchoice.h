#pragma once

#include <QByteArray>

namespace app {

// Qt's platform choice on a Linux desktop. Under Wayland a window cannot place itself, so the
// gadget could neither come back where it was left nor be dragged by its own face; through
// XWayland (the xcb platform) it can.

// True when Qt would start on Wayland by itself: the session has a Wayland display and the user
// chose no platform, neither with QT_QPA_PLATFORM (empty counts as unset, as Qt reads it) nor
// with a `-platform <name>` or `--platform <name>` argument.
inline bool ShouldPreferXcb(bool waylandDisplaySet, const QByteArray &qpaPlatform, int argc,
                            const char *const *argv) {
    if (!waylandDisplaySet || !qpaPlatform.isEmpty())
        return false;
    for (int i = 1; i + 1 < argc; ++i) {
        const QByteArray arg(argv[i]);
        if (arg == "-platform" || arg == "--platform")
            return false;
    }
    return true;
}

// The QT_QPA_PLATFORM value that prefers XWayland: Qt tries the platforms in order, so a session
// without an X server still comes up on Wayland rather than not at all.
inline constexpr char kXcbFirstPlatforms[] = "xcb;wayland";

// The DBUS_SESSION_BUS_ADDRESS to set before Qt starts, or empty to leave it as it is. With none
// set, libdbus takes the user's bus at $XDG_RUNTIME_DIR/bus, or else starts a dbus-daemon of its
// own for the X display (dbus-launch --autolaunch) at Qt's first use of the bus (its
// accessibility bridge), and that daemon lives on after the program. "disabled:" names no bus
// libdbus can reach, so the program then goes without one, as it would with no daemon installed.
inline QByteArray SessionBusOverride(const QByteArray &address, bool userBusExists) {
    return address.isEmpty() && !userBusExists ? QByteArray("disabled:") : QByteArray();
}

} // namespace app
