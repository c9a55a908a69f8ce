#include "gadget/windowstate.h"

#include <QEvent>
#include <QGuiApplication>
#include <QPointer>
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

#ifdef RILO_HAVE_XCB
namespace {

xcb_connection_t *X11Connection() {
    const auto *x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    return x11 ? x11->connection() : nullptr;
}

// Asks the window manager to put the window on top of its layer, as a pager does for the user
// (_NET_RESTACK_WINDOW with source indication 2). The window manager follows it whoever has the
// focus, and the focus stays where it is.
void RaiseAsPager(xcb_connection_t *connection, xcb_window_t window) {
    constexpr char name[] = "_NET_RESTACK_WINDOW";
    const std::unique_ptr<xcb_intern_atom_reply_t, decltype(&std::free)> atom(
        xcb_intern_atom_reply(
            connection, xcb_intern_atom(connection, 0, uint16_t(sizeof name - 1), name), nullptr),
        &std::free);
    if (!atom)
        return;
    xcb_client_message_event_t message{};
    message.response_type = XCB_CLIENT_MESSAGE;
    message.format = 32;
    message.window = window;
    message.type = atom->atom;
    message.data.data32[0] = 2; // source: a pager, acting for the user
    message.data.data32[1] = XCB_NONE;
    message.data.data32[2] = XCB_STACK_MODE_ABOVE;
    xcb_send_event(connection, 0, xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root,
                   XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                   reinterpret_cast<const char *>(&message));
    xcb_flush(connection);
}

// Raises the window once, when the window system first shows it, and the window to stay above
// it: a window manager stacks a new window as it maps it (mutter later than it handles the map
// request), so an earlier raise would be undone.
class RaiseWhenFirstExposed : public QObject {
public:
    RaiseWhenFirstExposed(QWindow *window, QWidget *above) : QObject(window), above_(above) {
        window->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override {
        auto *window = static_cast<QWindow *>(watched);
        if (event->type() == QEvent::Expose && window->isExposed()) {
            if (xcb_connection_t *connection = X11Connection()) {
                RaiseAsPager(connection, xcb_window_t(window->winId()));
                if (above_ && above_->isVisible() && above_->internalWinId())
                    RaiseAsPager(connection, xcb_window_t(above_->internalWinId()));
            }
            window->removeEventFilter(this);
            deleteLater();
        }
        return false;
    }

private:
    QPointer<QWidget> above_;
};

} // namespace
#endif

void ShowAboveActiveWindow(QWidget *window, [[maybe_unused]] QWidget *keepAbove) {
#ifdef RILO_HAVE_XCB
    if (QWindow *handle = window->windowHandle(); handle && X11Connection()) {
        new RaiseWhenFirstExposed(handle, keepAbove);
        // Qt::WA_ShowWithoutActivating as Qt's X11 platform reads it from a native window that
        // exists already: the window is mapped with a user time of 0, which tells a window
        // manager that focuses new windows (openbox) not to.
        handle->setProperty("_q_showWithoutActivating", true);
        window->show();
        handle->setProperty("_q_showWithoutActivating", QVariant());
        return;
    }
#endif
    window->show();
}

} // namespace gadget
