#include "xharness/xsession.h"

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
        wmProcess_.Running();
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
