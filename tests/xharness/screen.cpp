#include "xharness/screen.h"

#include <xcb/xcb.h>

#include <cstdlib>
#include <memory>
#include <sstream>

namespace xharness {
namespace {

std::vector<std::string> Lines(const std::string &text) {
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        if (!Trim(line).empty())
            out.push_back(Trim(line));
    return out;
}

// The number after "label" in xwininfo's output.
std::optional<int> FieldAfter(const std::string &text, const std::string &label) {
    const auto at = text.find(label);
    if (at == std::string::npos)
        return std::nullopt;
    return std::atoi(text.c_str() + at + label.size());
}

} // namespace

std::vector<std::string> Screen::Find(const std::string &nameRegex, pid_t pid,
                                      bool onlyVisible) const {
    std::vector<std::string> args = {"xdotool", "search", "--all"};
    if (onlyVisible)
        args.push_back("--onlyvisible");
    if (pid > 0)
        args.insert(args.end(), {"--pid", std::to_string(pid)});
    args.insert(args.end(), {"--name", nameRegex});
    return Lines(RunCommand(args, env_, 5s).out);
}

std::optional<std::string> Screen::WaitFor(const std::string &nameRegex, Millis timeout) const {
    std::optional<std::string> found;
    WaitUntil(
        [&] {
            const auto windows = Find(nameRegex);
            if (!windows.empty())
                found = windows.front();
            return found.has_value();
        },
        timeout, 100ms);
    return found;
}

bool Screen::WaitGone(const std::string &nameRegex, Millis timeout) const {
    return WaitUntil([&] { return Find(nameRegex).empty(); }, timeout, 100ms);
}

std::optional<Geometry> Screen::GeometryOf(const std::string &window) const {
    const CommandResult info = RunCommand({"xwininfo", "-shape", "-id", window}, env_, 5s);
    const auto x = FieldAfter(info.out, "Absolute upper-left X:");
    const auto y = FieldAfter(info.out, "Absolute upper-left Y:");
    const auto w = FieldAfter(info.out, "Width:");
    const auto h = FieldAfter(info.out, "Height:");
    if (info.exitCode != 0 || !x || !y || !w || !h)
        return std::nullopt;
    Geometry g{*x, *y, *w, *h, {}};
    const std::string label = "Window shape extents:";
    if (const auto at = info.out.find(label); at != std::string::npos)
        g.shape =
            Trim(info.out.substr(at + label.size(), info.out.find('\n', at) - at - label.size()));
    return g;
}

std::string Screen::Property(const std::string &window, const std::string &name) const {
    return RunCommand({"xprop", "-id", window, name}, env_, 5s).out;
}

std::optional<std::string> Screen::ActiveWindow() const {
    const CommandResult r = RunCommand({"xdotool", "getactivewindow"}, env_, 5s);
    if (r.exitCode != 0)
        return std::nullopt;
    return Trim(r.out);
}

std::vector<std::string> Screen::Stacking() const {
    const std::string out =
        RunCommand({"xprop", "-root", "_NET_CLIENT_LIST_STACKING"}, env_, 5s).out;
    std::vector<std::string> windows;
    for (std::size_t at = out.find("0x"); at != std::string::npos; at = out.find("0x", at + 2))
        windows.push_back(std::to_string(std::stoul(out.substr(at), nullptr, 16)));
    return windows;
}

bool Screen::WaitManaged(const std::string &window, Millis timeout) const {
    return WaitUntil(
        [&] {
            const std::string p = Property(window, "_NET_FRAME_EXTENTS");
            return !p.empty() && p.find("not found") == std::string::npos;
        },
        timeout);
}

bool Screen::Do(const std::vector<std::string> &args) const {
    std::vector<std::string> argv = {"xdotool"};
    argv.insert(argv.end(), args.begin(), args.end());
    return RunCommand(argv, env_, 10s).exitCode == 0;
}

bool Screen::Type(const std::string &text) const {
    return Do({"type", "--clearmodifiers", "--delay", "40", text});
}

bool Screen::Click(int x, int y, int button) const {
    return Do({"mousemove", std::to_string(x), std::to_string(y)}) &&
           Do({"click", std::to_string(button)});
}

bool Screen::Drag(int x, int y, int dx, int dy, int button, int steps) const {
    bool ok = Do({"mousemove", std::to_string(x), std::to_string(y)}) &&
              Do({"mousedown", std::to_string(button)});
    for (int i = 1; ok && i <= steps; ++i)
        ok = Do(
            {"mousemove", std::to_string(x + dx * i / steps), std::to_string(y + dy * i / steps)});
    return Do({"mouseup", std::to_string(button)}) && ok;
}

bool Screen::Activate(const std::string &window) const {
    return Do({"windowactivate", "--sync", window});
}

std::optional<std::uint32_t> Screen::ServerTime() const {
    // The connection takes the display and its credentials from the environment, as any X
    // client does.
    const auto value = [&](const char *name) {
        const auto at = env_.find(name);
        return at == env_.end() ? std::nullopt : at->second;
    };
    const char *own = std::getenv("XAUTHORITY");
    const std::optional<std::string> saved = own ? std::optional<std::string>(own) : std::nullopt;
    if (const auto xauthority = value("XAUTHORITY"))
        ::setenv("XAUTHORITY", xauthority->c_str(), 1);
    else
        ::unsetenv("XAUTHORITY");
    xcb_connection_t *c = xcb_connect(value("DISPLAY").value_or("").c_str(), nullptr);
    if (saved)
        ::setenv("XAUTHORITY", saved->c_str(), 1);
    else
        ::unsetenv("XAUTHORITY");
    const std::unique_ptr<xcb_connection_t, decltype(&xcb_disconnect)> connection(c,
                                                                                  &xcb_disconnect);
    if (xcb_connection_has_error(c))
        return std::nullopt;
    // An empty append to a property of a window of our own: the server stamps its notice with
    // its time.
    constexpr std::string_view name = "_XHARNESS_TIME";
    const std::unique_ptr<xcb_intern_atom_reply_t, decltype(&std::free)> atom(
        xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, uint16_t(name.size()), name.data()),
                              nullptr),
        &std::free);
    if (!atom)
        return std::nullopt;
    const xcb_window_t clock = xcb_generate_id(c);
    const uint32_t mask = XCB_EVENT_MASK_PROPERTY_CHANGE;
    xcb_create_window(c, XCB_COPY_FROM_PARENT, clock,
                      xcb_setup_roots_iterator(xcb_get_setup(c)).data->root, 0, 0, 1, 1, 0,
                      XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, XCB_CW_EVENT_MASK, &mask);
    xcb_change_property(c, XCB_PROP_MODE_APPEND, clock, atom->atom, XCB_ATOM_STRING, 8, 0, nullptr);
    xcb_flush(c);
    while (const std::unique_ptr<xcb_generic_event_t, decltype(&std::free)> event{
        xcb_wait_for_event(c), &std::free})
        if ((event->response_type & 0x7f) == XCB_PROPERTY_NOTIFY)
            return reinterpret_cast<const xcb_property_notify_event_t *>(event.get())->time;
    return std::nullopt;
}

bool Screen::MarkAsJustUsed(const std::string &window) const {
    const auto now = ServerTime();
    return now && RunCommand({"xprop", "-id", window, "-f", "_NET_WM_USER_TIME", "32c", "-set",
                              "_NET_WM_USER_TIME", std::to_string(*now)},
                             env_, 5s)
                          .exitCode == 0;
}

bool Screen::Shot(const fs::path &png) const {
    return RunCommand({"import", "-window", "root", png.string()}, env_, 15s).exitCode == 0;
}

} // namespace xharness
