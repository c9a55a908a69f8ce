#include "gadget/windowplace.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <QWindow>

#include <algorithm>

#ifdef RILO_HAVE_XCB
#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#endif

namespace gadget {

WindowPlace::WindowPlace(const QWidget *window, Answer answer)
    : window_(window), answer_(answer ? std::move(answer) : Answer(WindowSystemPlace)) {}

bool WindowPlace::ProgramMoves() const {
    return answer_(window_).has_value();
}

void WindowPlace::Asked(QPoint place) {
    asked_ = place;
}

void WindowPlace::Shown() {
    shown_ = true;
}

std::optional<QPoint> WindowPlace::Storable() const {
    const std::optional<QPoint> answer = answer_(window_);
    if (!answer || !shown_)
        return answer ? std::optional<QPoint>(asked_) : std::nullopt;
    return answer;
}

std::optional<QPoint> WindowPlace::DragEnded(QPoint target) {
    const std::optional<QPoint> place = Storable();
    dragTarget_ = place && *place != target ? std::optional<QPoint>(target) : std::nullopt;
    return place;
}

std::optional<QPoint> WindowPlace::Reported() {
    if (!dragTarget_)
        return std::nullopt;
    const std::optional<QPoint> place = Storable();
    if (!place || *place == *dragTarget_)
        dragTarget_.reset();
    return place;
}

QPoint ReachablePlace(QPoint stored, QRect shape) {
    const QRect shown = shape.translated(stored);
    for (const QScreen *screen : QGuiApplication::screens())
        if (screen->geometry().intersects(shown))
            return stored;
    const QScreen *primary = QGuiApplication::primaryScreen();
    if (!primary)
        return stored;
    const QRect area = primary->availableGeometry();
    const int x = std::clamp(shown.left(), area.left(), area.right() + 1 - shown.width());
    const int y = std::clamp(shown.top(), area.top(), area.bottom() + 1 - shown.height());
    return QPoint(x, y) - shape.topLeft();
}

#ifdef RILO_HAVE_XCB
namespace {

template <typename Reply> using XReply = std::unique_ptr<Reply, decltype(&std::free)>;

xcb_atom_t Atom(xcb_connection_t *connection, const char *name) {
    const XReply<xcb_intern_atom_reply_t> reply(
        xcb_intern_atom_reply(connection, xcb_intern_atom(connection, 0, std::strlen(name), name),
                              nullptr),
        &std::free);
    return reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
}

// The name the running X window manager gives itself (EWMH's _NET_SUPPORTING_WM_CHECK window).
QByteArray WindowManagerName(xcb_connection_t *connection, xcb_window_t root) {
    const xcb_atom_t check = Atom(connection, "_NET_SUPPORTING_WM_CHECK");
    const xcb_atom_t name = Atom(connection, "_NET_WM_NAME");
    const XReply<xcb_get_property_reply_t> checkReply(
        xcb_get_property_reply(connection,
                               xcb_get_property(connection, 0, root, check, XCB_ATOM_WINDOW, 0, 1),
                               nullptr),
        &std::free);
    if (!checkReply || xcb_get_property_value_length(checkReply.get()) != sizeof(xcb_window_t))
        return {};
    const xcb_window_t wm = *static_cast<xcb_window_t *>(xcb_get_property_value(checkReply.get()));
    const XReply<xcb_get_property_reply_t> nameReply(
        xcb_get_property_reply(
            connection, xcb_get_property(connection, 0, wm, name, XCB_GET_PROPERTY_TYPE_ANY, 0, 64),
            nullptr),
        &std::free);
    if (!nameReply)
        return {};
    return QByteArray(static_cast<const char *>(xcb_get_property_value(nameReply.get())),
                      xcb_get_property_value_length(nameReply.get()));
}

} // namespace
#endif

std::optional<QPoint> WindowSystemPlace(const QWidget *window) {
    if (QGuiApplication::platformName().startsWith(QLatin1String("wayland")))
        return std::nullopt;
#ifdef RILO_HAVE_XCB
    const auto *x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    if (xcb_connection_t *connection = x11 ? x11->connection() : nullptr) {
        const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
        // weston maps X windows onto its own surfaces wherever it likes and leaves their X
        // places where the client put them: the server's answer is not where she sees the face.
        if (WindowManagerName(connection, root).startsWith("Weston"))
            return std::nullopt;
        if (!window->internalWinId())
            return window->pos(); // no native window yet: only the toolkit knows a place
        const XReply<xcb_translate_coordinates_reply_t> reply(
            xcb_translate_coordinates_reply(
                connection,
                xcb_translate_coordinates(connection, xcb_window_t(window->internalWinId()), root,
                                          0, 0),
                nullptr),
            &std::free);
        if (!reply)
            return std::nullopt; // the display is gone: nothing it said can be trusted
        // Device pixels on the screen; the window's own scale gives logical ones.
        const qreal ratio =
            window->windowHandle() ? window->windowHandle()->devicePixelRatio() : 1.0;
        return QPoint(qRound(reply->dst_x / ratio), qRound(reply->dst_y / ratio));
    }
#endif
    return window->pos();
}

} // namespace gadget
