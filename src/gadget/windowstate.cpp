#include "gadget/windowstate.h"

#include <QGuiApplication>
#include <QWidget>
#include <QWindow>

#ifdef RILO_HAVE_XCB
#include <xcb/xcb.h>

#include <cstdlib>
#include <memory>
#endif

namespace gadget {

void SetStaysOnTop(QWidget *window, bool on) {
    Qt::WindowFlags flags = window->windowFlags();
    if (flags.testFlag(Qt::WindowStaysOnTopHint) == on)
        return;
    flags.setFlag(Qt::WindowStaysOnTopHint, on);
    window->overrideWindowFlags(flags);
    if (QWindow *handle = window->windowHandle())
        handle->setFlags(flags);
}

void ShowInFront(QWidget *window) {
    if (window->isMinimized()) {
        window->setWindowState(window->windowState() & ~Qt::WindowMinimized);
        window->show();
    } else {
        const QPoint place = window->pos();
        window->hide();
        window->move(place);
        window->show();
    }
    window->raise();
}

QPoint WindowSystemPlace(const QWidget *window) {
#ifdef RILO_HAVE_XCB
    const auto *x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    xcb_connection_t *connection = x11 ? x11->connection() : nullptr;
    if (connection && window->internalWinId()) {
        const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
        const auto cookie = xcb_translate_coordinates(
            connection, xcb_window_t(window->internalWinId()), root, 0, 0);
        const std::unique_ptr<xcb_translate_coordinates_reply_t, decltype(&std::free)> reply(
            xcb_translate_coordinates_reply(connection, cookie, nullptr), &std::free);
        if (reply) {
            // Device pixels on the screen; the window's own scale gives logical ones.
            const qreal ratio =
                window->windowHandle() ? window->windowHandle()->devicePixelRatio() : 1.0;
            return QPoint(qRound(reply->dst_x / ratio), qRound(reply->dst_y / ratio));
        }
    }
#endif
    return window->pos();
}

} // namespace gadget
