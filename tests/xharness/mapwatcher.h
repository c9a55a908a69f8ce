#pragma once

// Watches an X display for a window of a given name becoming viewable, with X events rather
// than polling: every top-level window created after construction is followed through its
// reparenting by the window manager, and the check runs on each event that could make it
// viewable. So the moment a window shows is seen within a round trip, not rounded up to a
// polling step (`xdotool search --sync` polls every half second).

#include "xharness/process.h"

#include <cstdint>
#include <set>
#include <string>

struct xcb_connection_t;

namespace xharness {

class MapWatcher {
public:
    // Connects to `display` (":<n>"); ok() tells whether that worked.
    explicit MapWatcher(const std::string &display);
    ~MapWatcher();
    MapWatcher(const MapWatcher &) = delete;
    MapWatcher &operator=(const MapWatcher &) = delete;
    bool ok() const { return ok_; }

    // Waits until a window named exactly `name` (_NET_WM_NAME or WM_NAME) that was created after
    // construction is viewable; false after `timeout` or when the connection broke.
    bool WaitViewable(const std::string &name, Millis timeout);

    // Reads the pending events, so that windows of programs that have ended are forgotten.
    void Drain();

private:
    using Window = std::uint32_t;
    using Atom = std::uint32_t;
    Atom Intern(const char *name);
    // Follows the pending events' windows; true when there was any event.
    bool ReadEvents();
    std::string Name(Window window, Atom property, Atom type);
    bool AnyViewable(const std::string &name);

    xcb_connection_t *connection_ = nullptr;
    Window root_ = 0;
    Atom netWmName_ = 0;
    Atom utf8_ = 0;
    std::set<Window> windows_;
    bool ok_ = false;
};

} // namespace xharness
