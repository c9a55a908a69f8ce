#pragma once

// Reading and driving the windows of an X display from outside, as a user would, through the
// command-line tools xdotool, xwininfo, xprop and ImageMagick's import.

#include "xharness/process.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace xharness {

struct Geometry {
    int x = 0, y = 0, width = 0, height = 0; // the client area in root coordinates
    std::string shape;                       // the bounding shape's extents, "WxH+X+Y"
};

class Screen {
public:
    // `env` names the display (XSession::env()).
    explicit Screen(const EnvChanges &env) : env_(env) {}

    // Visible windows whose name matches the regular expression; with `pid`, only that
    // process's windows; with `onlyVisible` false, unmapped ones too.
    std::vector<std::string> Find(const std::string &nameRegex, pid_t pid = 0,
                                  bool onlyVisible = true) const;
    // The first visible window of that name within `timeout`.
    std::optional<std::string> WaitFor(const std::string &nameRegex, Millis timeout = 10s) const;
    // Waits until no visible window of that name is left.
    bool WaitGone(const std::string &nameRegex, Millis timeout = 10s) const;
    std::optional<Geometry> GeometryOf(const std::string &window) const;
    std::string Property(const std::string &window, const std::string &name) const;
    std::optional<std::string> ActiveWindow() const;
    // The managed windows from the bottom of the stack to its top (_NET_CLIENT_LIST_STACKING),
    // in xdotool's decimal ids.
    std::vector<std::string> Stacking() const;
    // Waits until the window manager has taken the window on.
    bool WaitManaged(const std::string &window, Millis timeout = 5s) const;

    // xdotool commands, e.g. {"mousemove", "10", "20", "click", "3"}.
    bool Do(const std::vector<std::string> &args) const;
    bool Key(const std::string &keys) const { return Do({"key", "--clearmodifiers", keys}); }
    bool Type(const std::string &text) const;
    bool Click(int x, int y, int button = 1) const;
    // Presses `button` at (x, y), moves to (x + dx, y + dy) in `steps` moves, and releases.
    bool Drag(int x, int y, int dx, int dy, int button, int steps = 6) const;
    bool Activate(const std::string &window) const;
    // The X server's time now (the time stamp of a property change).
    std::optional<std::uint32_t> ServerTime() const;
    // Sets the window's _NET_WM_USER_TIME to the server's time now, as a program does on each
    // key press: the window counts as the one the user is working in.
    bool MarkAsJustUsed(const std::string &window) const;
    // A picture of the whole screen.
    bool Shot(const fs::path &png) const;

private:
    EnvChanges env_;
};

} // namespace xharness
