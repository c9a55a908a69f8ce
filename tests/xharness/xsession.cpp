#include "xharness/xsession.h"

#include "xharness/files.h"

#include <xcb/xcb.h>

#include <csignal>
#include <cstdlib>

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

namespace xharness {
namespace {

std::vector<std::string> WindowManagerCommand(WindowManager wm) {
    switch (wm) {
    case WindowManager::Openbox:
        return {"openbox", "--sm-disable"};
    case WindowManager::Metacity:
        return {"metacity", "--sm-disable"};
    case WindowManager::Xfwm4:
        return {"xfwm4", "--sm-client-disable", "--compositor=off"};
    case WindowManager::MutterX11:
        return {"mutter", "--x11", "--replace", "--sm-disable"};
    case WindowManager::Mutter:
    case WindowManager::KWin:
    case WindowManager::Weston:
        break;
    }
    return {};
}

constexpr const char *kSocket = "wayland-xharness";

// The text between `before` and the next `end` in the file, once it is there.
std::optional<std::string> Grep(const fs::path &file, const std::string &before, char end) {
    const std::string text = ReadFile(file).value_or("");
    const auto at = text.find(before);
    if (at == std::string::npos)
        return std::nullopt;
    const auto stop = text.find(end, at + before.size());
    if (stop == std::string::npos)
        return std::nullopt;
    return text.substr(at + before.size(), stop - at - before.size());
}

// The first line written to `fd` within `timeout`, without its line end; empty when the
// writer closed it or the time ran out first.
std::string ReadLine(int fd, Millis timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    std::string line;
    for (;;) {
        const auto left =
            std::chrono::duration_cast<Millis>(deadline - std::chrono::steady_clock::now());
        pollfd p{fd, POLLIN, 0};
        if (left.count() <= 0 || ::poll(&p, 1, int(left.count())) <= 0)
            return {};
        char c;
        if (::read(fd, &c, 1) != 1)
            return {};
        if (c == '\n')
            return line;
        line += c;
    }
}

// Whether the window manager on `display` frames a newly mapped window within `timeout`. A
// manager announces itself before its start-up is over, and openbox can then sit on a map request
// it read during start-up until some other event wakes it: a window mapped in that moment never
// shows. So a probe window is mapped and, while it waits, the root window gets a property change
// every half second to wake the manager; once the probe is framed the manager handles maps.
bool FramesNewWindows(const std::string &display, const std::optional<std::string> &xauthority,
                      Millis timeout) {
    // The connection takes its credentials from XAUTHORITY, as any X client does.
    const char *own = std::getenv("XAUTHORITY");
    const std::optional<std::string> saved = own ? std::optional<std::string>(own) : std::nullopt;
    if (xauthority)
        ::setenv("XAUTHORITY", xauthority->c_str(), 1);
    else
        ::unsetenv("XAUTHORITY");
    xcb_connection_t *c = xcb_connect(display.c_str(), nullptr);
    if (saved)
        ::setenv("XAUTHORITY", saved->c_str(), 1);
    else
        ::unsetenv("XAUTHORITY");
    if (xcb_connection_has_error(c)) {
        xcb_disconnect(c);
        return false;
    }
    const xcb_screen_t *screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    const xcb_window_t probe = xcb_generate_id(c);
    const uint32_t mask = XCB_EVENT_MASK_STRUCTURE_NOTIFY;
    xcb_create_window(c, XCB_COPY_FROM_PARENT, probe, screen->root, 0, 0, 1, 1, 0,
                      XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual, XCB_CW_EVENT_MASK, &mask);
    xcb_map_window(c, probe);
    const char wakeName[] = "_XHARNESS_WAKE";
    auto *atom = xcb_intern_atom_reply(
        c, xcb_intern_atom(c, 0, uint16_t(sizeof wakeName - 1), wakeName), nullptr);
    const xcb_atom_t wake = atom ? atom->atom : xcb_atom_t(XCB_ATOM_NONE);
    std::free(atom);

    const auto deadline = std::chrono::steady_clock::now() + timeout;
    bool framed = false;
    uint32_t count = 0;
    while (!framed && !xcb_connection_has_error(c) && std::chrono::steady_clock::now() < deadline) {
        while (xcb_generic_event_t *event = xcb_poll_for_event(c)) {
            framed = framed || (event->response_type & 0x7f) == XCB_REPARENT_NOTIFY;
            std::free(event);
        }
        pollfd p{xcb_get_file_descriptor(c), POLLIN, 0};
        if (!framed && ::poll(&p, 1, 500) == 0 && wake != XCB_ATOM_NONE) {
            ++count;
            xcb_change_property(c, XCB_PROP_MODE_REPLACE, screen->root, wake, XCB_ATOM_CARDINAL, 32,
                                1, &count);
            xcb_flush(c);
        }
    }
    xcb_destroy_window(c, probe);
    xcb_delete_property(c, screen->root, wake);
    xcb_disconnect(c);
    return framed;
}

} // namespace

bool IsWayland(WindowManager wm) {
    return wm == WindowManager::Mutter || wm == WindowManager::KWin || wm == WindowManager::Weston;
}

std::string_view NameOf(WindowManager wm) {
    switch (wm) {
    case WindowManager::MutterX11:
        return "mutter-x11";
    case WindowManager::Mutter:
        return "mutter";
    case WindowManager::KWin:
        return "kwin";
    case WindowManager::Weston:
        return "weston";
    case WindowManager::Openbox:
        return "openbox";
    case WindowManager::Metacity:
        return "metacity";
    case WindowManager::Xfwm4:
        return "xfwm4";
    }
    return {};
}

std::optional<WindowManager> WindowManagerNamed(std::string_view name) {
    for (const WindowManager wm :
         {WindowManager::Openbox, WindowManager::Metacity, WindowManager::Xfwm4,
          WindowManager::MutterX11, WindowManager::Mutter, WindowManager::KWin,
          WindowManager::Weston})
        if (NameOf(wm) == name)
            return wm;
    return std::nullopt;
}

XSession::XSession(const fs::path &logDir, WindowManager wm, Millis timeout) : wm_(wm) {
    ok_ = IsWayland(wm) ? StartCompositor(logDir, timeout)
                        : StartServer(logDir, timeout) && StartWindowManager(logDir, timeout);
    if (!ok_)
        Stop();
}

bool XSession::StartServer(const fs::path &logDir, Millis timeout) {
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) {
        error_ = "no pipe for -displayfd";
        return false;
    }
    xvfb_ = Child::Spawn({"Xvfb", "-displayfd", "3", "-screen", "0", "1024x768x24", "-dpi", "96",
                          "-nolisten", "tcp", "-noreset"},
                         {}, logDir / "xvfb.log", fds[1]);
    ::close(fds[1]);
    const std::string number = ReadLine(fds[0], timeout);
    ::close(fds[0]);
    if (number.empty()) {
        error_ = "Xvfb did not announce a display within " + std::to_string(timeout.count()) +
                 " ms (is it installed? see " + (logDir / "xvfb.log").string() + ")";
        return false;
    }
    display_ = ":" + number;
    env_ = {{"DISPLAY", display_}, {"XAUTHORITY", std::nullopt}};
    return true;
}

bool XSession::StartWindowManager(const fs::path &logDir, Millis timeout) {
    const std::string name(NameOf(wm_));
    const fs::path log = logDir / (name + ".log");
    EnvChanges env = env_;
    if (wm_ == WindowManager::MutterX11) {
        // GNOME's manager keeps away from the user's own session bus and settings.
        if (!StartBus(logDir, env, timeout))
            return false;
        env["GSETTINGS_BACKEND"] = "memory";
    }
    wmProcess_ = Child::Spawn(WindowManagerCommand(wm_), env, log);
    // An EWMH window manager announces itself on the root window once it manages the screen.
    const bool ready =
        WaitUntil(
            [&] {
                return RunCommand({"xprop", "-root", "_NET_SUPPORTING_WM_CHECK"}, env_, 2s)
                               .out.find("window id") != std::string::npos ||
                       !wmProcess_.Running();
            },
            timeout) &&
        wmProcess_.Running() && FramesNewWindows(display_, std::nullopt, timeout);
    if (!ready)
        error_ = name + " did not come up on " + display_ + " (is it installed? see " +
                 log.string() + ")";
    return ready;
}

bool XSession::StartBus(const fs::path &logDir, EnvChanges &env, Millis timeout) {
    std::string pattern = (fs::temp_directory_path() / "xharness-wm-XXXXXX").string();
    if (!::mkdtemp(pattern.data())) {
        error_ = "no runtime folder for the window manager";
        return false;
    }
    runtime_ = pattern;
    const fs::path home = runtime_ / "home"; // kwin and mutter keep their configuration there
    fs::create_directories(home);
    env["XDG_RUNTIME_DIR"] = runtime_.string();
    env["HOME"] = home.string();
    env["XDG_CONFIG_HOME"] = (home / ".config").string();
    if (wm_ == WindowManager::Weston)
        return true;
    const fs::path bus = runtime_ / "bus";
    bus_ = Child::Spawn({"dbus-daemon", "--session", "--nofork", "--nopidfile",
                         "--address=unix:path=" + bus.string()},
                        env, logDir / "dbus.log");
    if (!WaitUntil([&] { return fs::exists(bus); }, timeout)) {
        error_ = "no session bus for " + std::string(NameOf(wm_)) + " (is dbus installed?)";
        return false;
    }
    env["DBUS_SESSION_BUS_ADDRESS"] = "unix:path=" + bus.string();
    return true;
}

// The compositor runs headless on its own session bus and runtime folder, and starts its XWayland
// server; it is ready once that server has a window manager that frames new windows.
bool XSession::StartCompositor(const fs::path &logDir, Millis timeout) {
    const std::string name(NameOf(wm_));
    const fs::path log = logDir / (name + ".log");
    EnvChanges env = {
        {"DISPLAY", std::nullopt}, {"WAYLAND_DISPLAY", std::nullopt}, {"XAUTHORITY", std::nullopt}};
    if (!StartBus(logDir, env, timeout))
        return false;
    std::vector<std::string> command;
    switch (wm_) {
    case WindowManager::Mutter:
        command = {"mutter",   "--headless", "--virtual-monitor",
                   "1024x768", "--wayland",  std::string("--wayland-display=") + kSocket};
        break;
    case WindowManager::KWin: {
        // Debian's kwin_wayland carries a file capability that a container may not grant; a copy
        // without it runs the same.
        std::string kwin = "kwin_wayland";
        if (RunCommand({kwin, "--version"}, env, 10s).exitCode != 0) {
            fs::copy_file("/usr/bin/kwin_wayland", runtime_ / "kwin_wayland");
            kwin = (runtime_ / "kwin_wayland").string();
        }
        env["KWIN_WAYLAND_NO_PERMISSION_CHECKS"] = "1";
        // kwin runs its last argument once Wayland and XWayland are up: it tells the display.
        const fs::path told = runtime_ / "display";
        command = {kwin,
                   "--virtual",
                   "--xwayland",
                   "--no-lockscreen",
                   "--no-global-shortcuts",
                   "--no-kactivities",
                   "--width",
                   "1024",
                   "--height",
                   "768",
                   "--socket",
                   kSocket,
                   "sh -c 'echo \"$DISPLAY\" > " + told.string() + ".part && mv " + told.string() +
                       ".part " + told.string() + "'"};
        break;
    }
    case WindowManager::Weston:
        command = {"weston",
                   "--backend=headless-backend.so",
                   "--use-pixman",
                   "--width=1024",
                   "--height=768",
                   "--xwayland",
                   "--idle-time=0",
                   "--debug", // lets weston-screenshooter take the screen
                   std::string("--socket=") + kSocket,
                   "--log=" + log.string()};
        break;
    default:
        break;
    }
    wmProcess_ =
        Child::Spawn(command, env, wm_ == WindowManager::Weston ? logDir / "weston.out" : log);

    std::optional<std::string> display;
    const bool announced = WaitUntil(
        [&] {
            if (!wmProcess_.Running())
                return true;
            if (wm_ == WindowManager::Mutter)
                display = Grep(log, "Using public X11 display ", ',');
            else if (wm_ == WindowManager::KWin)
                display = Grep(runtime_ / "display", "", '\n');
            else
                display = Grep(log, "xserver listening on display ", '\n');
            return display.has_value() && fs::exists(runtime_ / kSocket);
        },
        timeout);
    if (!announced || !display || !wmProcess_.Running()) {
        error_ = name + " did not come up (is it installed? see " + log.string() + ")";
        return false;
    }
    display_ = *display;
    env_ = {{"DISPLAY", display_},
            {"XAUTHORITY", std::nullopt},
            {"WAYLAND_DISPLAY", (runtime_ / kSocket).string()},
            {"QT_QPA_PLATFORM", std::nullopt}};
    if (wm_ == WindowManager::Mutter) {
        for (const auto &entry : fs::directory_iterator(runtime_))
            if (entry.path().filename().string().rfind(".mutter-Xwaylandauth.", 0) == 0)
                env_["XAUTHORITY"] = entry.path().string();
    }
    const bool managed =
        WaitUntil(
            [&] {
                return RunCommand({"xprop", "-root", "_NET_SUPPORTING_WM_CHECK"}, env_, 2s)
                           .out.find("window id") != std::string::npos;
            },
            timeout) &&
        FramesNewWindows(display_, env_["XAUTHORITY"], timeout);
    if (!managed) {
        error_ =
            name + "'s XWayland on " + display_ + " manages no windows (see " + log.string() + ")";
        return false;
    }
    // The X server is the compositor's child; it is stopped with it, and by its lock's pid if
    // it stays.
    const std::string lock = ReadFile("/tmp/.X" + display_.substr(1) + "-lock").value_or("");
    xwayland_ = pid_t(std::atoi(lock.c_str()));
    return true;
}

void XSession::Stop() {
    wmProcess_.Stop();
    if (xwayland_ > 0) {
        WaitUntil([&] { return ::kill(xwayland_, 0) != 0; }, 5s);
        if (::kill(xwayland_, 0) == 0) {
            ::kill(xwayland_, SIGKILL);
            const std::string number = display_.substr(1);
            std::error_code ec;
            fs::remove("/tmp/.X" + number + "-lock", ec);
            fs::remove("/tmp/.X11-unix/X" + number, ec);
        }
        xwayland_ = -1;
    }
    bus_.Stop();
    xvfb_.Stop();
    if (!runtime_.empty()) {
        std::error_code ec;
        fs::remove_all(runtime_, ec);
        runtime_.clear();
    }
}

} // namespace xharness
