#include "xharness/xsession.h"

#include <xcb/xcb.h>

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
    }
    return {};
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
bool FramesNewWindows(const std::string &display, Millis timeout) {
    xcb_connection_t *c = xcb_connect(display.c_str(), nullptr);
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

std::string_view NameOf(WindowManager wm) {
    switch (wm) {
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
         {WindowManager::Openbox, WindowManager::Metacity, WindowManager::Xfwm4})
        if (NameOf(wm) == name)
            return wm;
    return std::nullopt;
}

XSession::XSession(const fs::path &logDir, WindowManager wm, Millis timeout) : wm_(wm) {
    ok_ = StartServer(logDir, timeout) && StartWindowManager(logDir, timeout);
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
    wmProcess_ = Child::Spawn(WindowManagerCommand(wm_), env_, log);
    // An EWMH window manager announces itself on the root window once it manages the screen.
    const bool ready =
        WaitUntil(
            [&] {
                return RunCommand({"xprop", "-root", "_NET_SUPPORTING_WM_CHECK"}, env_, 2s)
                               .out.find("window id") != std::string::npos ||
                       !wmProcess_.Running();
            },
            timeout) &&
        wmProcess_.Running() && FramesNewWindows(display_, timeout);
    if (!ready)
        error_ = name + " did not come up on " + display_ + " (is it installed? see " +
                 log.string() + ")";
    return ready;
}

void XSession::Stop() {
    wmProcess_.Stop();
    xvfb_.Stop();
}

} // namespace xharness
