#include "xharness/mapwatcher.h"

#include <xcb/xcb.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include <poll.h>

namespace xharness {

MapWatcher::MapWatcher(const std::string &display) {
    connection_ = xcb_connect(display.c_str(), nullptr);
    if (xcb_connection_has_error(connection_))
        return;
    root_ = xcb_setup_roots_iterator(xcb_get_setup(connection_)).data->root;
    const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_change_window_attributes(connection_, root_, XCB_CW_EVENT_MASK, &mask);
    netWmName_ = Intern("_NET_WM_NAME");
    utf8_ = Intern("UTF8_STRING");
    xcb_flush(connection_);
    ok_ = true;
}

MapWatcher::~MapWatcher() {
    if (connection_)
        xcb_disconnect(connection_);
}

bool MapWatcher::WaitViewable(const std::string &name, Millis timeout) {
    if (!ok_)
        return false;
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    const int fd = xcb_get_file_descriptor(connection_);
    for (;;) {
        if (ReadEvents() && AnyViewable(name))
            return true;
        const auto left =
            std::chrono::duration_cast<Millis>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0 || xcb_connection_has_error(connection_))
            return false;
        pollfd p{fd, POLLIN, 0};
        // A slow poll as well, in case an event slipped by before a window was followed.
        if (::poll(&p, 1, int(std::min<Millis::rep>(left.count(), 250)) + 1) == 0 &&
            AnyViewable(name))
            return true;
    }
}

void MapWatcher::Drain() {
    if (ok_)
        ReadEvents();
}

MapWatcher::Atom MapWatcher::Intern(const char *name) {
    auto *reply = xcb_intern_atom_reply(
        connection_, xcb_intern_atom(connection_, 0, uint16_t(std::strlen(name)), name), nullptr);
    const xcb_atom_t atom = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    std::free(reply);
    return atom;
}

bool MapWatcher::ReadEvents() {
    bool any = false;
    while (xcb_generic_event_t *event = xcb_poll_for_event(connection_)) {
        any = true;
        switch (event->response_type & 0x7f) {
        case XCB_CREATE_NOTIFY: {
            const xcb_window_t window =
                reinterpret_cast<xcb_create_notify_event_t *>(event)->window;
            windows_.insert(window);
            const uint32_t mask = XCB_EVENT_MASK_STRUCTURE_NOTIFY;
            xcb_change_window_attributes(connection_, window, XCB_CW_EVENT_MASK, &mask);
            xcb_flush(connection_);
            break;
        }
        case XCB_DESTROY_NOTIFY:
            windows_.erase(reinterpret_cast<xcb_destroy_notify_event_t *>(event)->window);
            break;
        default:
            break;
        }
        std::free(event);
    }
    return any;
}

std::string MapWatcher::Name(Window window, Atom property, Atom type) {
    auto *reply = xcb_get_property_reply(
        connection_, xcb_get_property(connection_, 0, window, property, type, 0, 256), nullptr);
    std::string name;
    if (reply)
        name.assign(static_cast<const char *>(xcb_get_property_value(reply)),
                    std::size_t(xcb_get_property_value_length(reply)));
    std::free(reply);
    return name;
}

bool MapWatcher::AnyViewable(const std::string &name) {
    for (const Window window : windows_) {
        if (Name(window, netWmName_, utf8_) != name &&
            Name(window, XCB_ATOM_WM_NAME, XCB_ATOM_STRING) != name)
            continue;
        auto *attributes = xcb_get_window_attributes_reply(
            connection_, xcb_get_window_attributes(connection_, window), nullptr);
        const bool viewable = attributes && attributes->map_state == XCB_MAP_STATE_VIEWABLE;
        std::free(attributes);
        if (viewable)
            return true;
    }
    return false;
}

} // namespace xharness
