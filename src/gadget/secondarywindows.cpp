#include "gadget/secondarywindows.h"

#include "calendar/frmcrndr.h"
#include "entry/i_data.h"
#include "gadget/windowstate.h"

#include <QEvent>
#include <QWidget>

namespace gadget {

SecondaryWindows::SecondaryWindows(QWidget *gadget) : QObject(gadget), gadget_(gadget) {
    gadget->installEventFilter(this);
}

SecondaryWindows::~SecondaryWindows() {
    delete entryDialog_;
    delete calendarWindow_;
}

void SecondaryWindows::Show(entry::i_data *dialog) {
    entryDialog_ = dialog;
    connect(dialog, &entry::i_data::unloaded, gadget_, [this] { gadget_->setEnabled(true); });
    ShowAbove(dialog);
}

void SecondaryWindows::Show(calendar::frmCrndr *window) {
    calendarWindow_ = window;
    connect(window, &calendar::frmCrndr::unloaded, gadget_, [this] { gadget_->setEnabled(true); });
    ShowAbove(window);
}

// The window is not made transient for the gadget: window managers minimize a transient window
// together with its parent, and the gadget would vanish with it. It shares the gadget's
// always-on-top layer instead, so it still opens above the gadget.
void SecondaryWindows::ShowAbove(QWidget *window) {
    window->winId();
    gadget::SetStaysOnTop(window, gadget_->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    window->show();
    window->raise();
    window->activateWindow();
    gadget_->setEnabled(false);
}

QWidget *SecondaryWindows::Open() const {
    for (QWidget *window : {static_cast<QWidget *>(entryDialog_.data()),
                            static_cast<QWidget *>(calendarWindow_.data())})
        if (window && !window->isHidden())
            return window;
    return nullptr;
}

void SecondaryWindows::Raise() {
    if (QWidget *open = Open()) {
        if (open->isMinimized())
            open->setWindowState(open->windowState() & ~Qt::WindowMinimized);
        open->show();
        open->raise();
        open->activateWindow();
    }
}

void SecondaryWindows::BringToFront() {
    if (closed_)
        return;
    // Window managers that keep a program from stealing the focus (mutter) leave a window it
    // merely maps again below the focused one, but raise one it activates: the gadget is
    // activated first, then the open window above it, which keeps the focus.
    ShowInFront(gadget_);
    gadget_->activateWindow();
    if (QWidget *open = Open()) {
        ShowInFront(open);
        open->activateWindow();
    }
}

void SecondaryWindows::SetStaysOnTop(bool on) {
    if (QWidget *open = Open()) {
        gadget::SetStaysOnTop(open, on);
        if (open->isVisible()) {
            open->raise();
            open->activateWindow();
        }
    }
}

void SecondaryWindows::CloseAll() {
    closed_ = true;
    if (entryDialog_)
        entryDialog_->close();
    if (calendarWindow_)
        calendarWindow_->close();
}

// Minimizing a secondary window must never take the gadget with it: while one is open, the
// gadget is the user's way back to it.
bool SecondaryWindows::eventFilter(QObject *watched, QEvent *event) {
    if (watched == gadget_ && event->type() == QEvent::WindowStateChange &&
        gadget_->isMinimized() && Open() && !closed_)
        QMetaObject::invokeMethod(
            gadget_,
            [this] { gadget_->setWindowState(gadget_->windowState() & ~Qt::WindowMinimized); },
            Qt::QueuedConnection);
    return QObject::eventFilter(watched, event);
}

} // namespace gadget
