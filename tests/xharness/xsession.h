#pragma once

// A private X server with a window manager: Xvfb on a display it picks itself (-displayfd), so
// that any number of sessions run side by side, and an EWMH window manager on it. Or a headless
// Wayland compositor (GNOME's mutter, KDE's kwin, weston) with its XWayland server, which is then
// the X server the tools talk to, and whose Wayland display the programs see as on a desktop.
// GNOME's mutter also runs as a plain X11 window manager on Xvfb (MutterX11), as on GNOME's
// X11 session and its Flashback.

#include "xharness/process.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace xharness {

enum class WindowManager { Openbox, Metacity, Xfwm4, MutterX11, Mutter, KWin, Weston };

// True for the Wayland compositors.
bool IsWayland(WindowManager wm);

// "openbox", "metacity", "xfwm4", "mutter-x11", "mutter", "kwin", "weston".
std::string_view NameOf(WindowManager wm);
// The window manager of that name (as NameOf spells it); nullopt for any other text.
std::optional<WindowManager> WindowManagerNamed(std::string_view name);

class XSession {
public:
    // Starts Xvfb (1024 x 768, 24 bits, 96 dpi) and `wm` on it, each within `timeout`; logs go
    // into `logDir` as xvfb.log and <wm>.log. ok() tells whether both became ready, error() why
    // not. Both are stopped by pid in Stop() and at the latest on destruction.
    explicit XSession(const fs::path &logDir, WindowManager wm = WindowManager::Openbox,
                      Millis timeout = 15s);
    bool ok() const { return ok_; }
    const std::string &error() const { return error_; }
    // ":<n>"
    const std::string &display() const { return display_; }
    WindowManager windowManager() const { return wm_; }
    // DISPLAY set and XAUTHORITY as that server needs it; under a compositor also its
    // WAYLAND_DISPLAY (an absolute path), and no QT_QPA_PLATFORM, so that programs choose.
    const EnvChanges &env() const { return env_; }
    pid_t windowManagerPid() const { return wmProcess_.pid(); }
    void Stop();

private:
    bool StartServer(const fs::path &logDir, Millis timeout);
    bool StartWindowManager(const fs::path &logDir, Millis timeout);
    bool StartCompositor(const fs::path &logDir, Millis timeout);
    // A private runtime folder and session bus for a window manager that needs them; adds them
    // to `env`.
    bool StartBus(const fs::path &logDir, EnvChanges &env, Millis timeout);

    WindowManager wm_;
    Child xvfb_;
    Child wmProcess_;
    Child bus_;           // the window manager's session bus
    fs::path runtime_;    // the window manager's XDG_RUNTIME_DIR
    pid_t xwayland_ = -1; // the compositor's X server
    std::string display_;
    EnvChanges env_;
    bool ok_ = false;
    std::string error_;
};

} // namespace xharness
