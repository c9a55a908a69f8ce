#include "gadget/windowstate.h"

#include <QGuiApplication>
#include <QWidget>
#include <QWindow>

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

} // namespace gadget
