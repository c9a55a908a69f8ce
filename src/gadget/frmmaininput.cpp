// The gadget's input: the face's mouse (drag and menu), the keys that open the menu, and its
// access for the keyboard and screen readers.

#include "gadget/face.h"
#include "gadget/faceaccessible.h"
#include "gadget/frmmain.h"

#include <QContextMenuEvent>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QWindow>

namespace gadget {

bool frmMain::eventFilter(QObject *watched, QEvent *event) {
    if (watched == windowHandle() && event->type() == QEvent::Expose && windowHandle()->isExposed())
        ConfirmPlace();
    if (watched != face_->popupLabel())
        return QWidget::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::MouseButtonRelease:
        break;
    default:
        return QWidget::eventFilter(watched, event);
    }
    // A disabled gadget (a secondary window is open) takes no mouse input; a click brings the
    // secondary window back instead, so that it can never be lost behind other windows.
    if (!isEnabled()) {
        if (event->type() == QEvent::MouseButtonPress)
            RaiseSecondary();
        return true;
    }
    auto *mouse = static_cast<QMouseEvent *>(event);
    if (event->type() == QEvent::MouseMove)
        popup_label_MouseMove(mouse->globalPosition());
    else if (event->type() == QEvent::MouseButtonRelease)
        popup_label_MouseUp();
    else
        popup_label_MouseDown(mouse->button(), mouse->position(), mouse->globalPosition());
    return true;
}

void frmMain::popup_label_MouseDown(Qt::MouseButton button, QPointF localPos, QPointF globalPos) {
    face_->ShowFocusMark(false);
    if (button == Qt::RightButton) {
        mnuFile_->popup(globalPos.toPoint());
        return;
    }
    // A window that cannot place itself is moved by the window system, which follows the
    // pointer itself; where it ends up is not the program's to know.
    ConfirmPlace();
    if (!place_.Storable()) {
        if (QWindow *handle = windowHandle())
            handle->startSystemMove();
        return;
    }
    // Where the window really is, from the pointer's place in it and on the screen: the
    // toolkit's idea of the position may lag behind the window manager's.
    DragStart_ = globalPos;
    DragWindowAt_ =
        (globalPos - localPos).toPoint() - face_->popupLabel()->mapTo(this, QPoint(0, 0));
    DragWindowNow_ = DragWindowAt_;
    Dragging_ = true;
}

void frmMain::popup_label_MouseMove(QPointF globalPos) {
    if (!Dragging_)
        return;
    // The window follows the pointer's movement since the press, vertically first.
    const QPoint target = DragWindowAt_ + (globalPos - DragStart_).toPoint();
    move(DragWindowNow_.x(), target.y());
    move(target);
    DragWindowNow_ = target;
}

void frmMain::popup_label_MouseUp() {
    if (Dragging_)
        SaveWindowPositionIfMoved();
    Dragging_ = false;
}

// A drag's end is stored at once, so that a program that never reaches its normal end (a killed
// session, a lost display, a power cut) keeps the last place. An unchanged place writes nothing.
// Where the drag put the window, not x() and y(): those follow the window manager's
// confirmation of the last move, which may not have arrived yet on a busy machine.
void frmMain::SaveWindowPositionIfMoved() {
    if (DragWindowNow_ != DragWindowAt_ && place_.Storable())
        SaveWindowPosition(DragWindowNow_);
}

// Minimizing a secondary window must never take the gadget with it: while one is open, the
// gadget is the user's way back to it.
void frmMain::changeEvent(QEvent *event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange && isMinimized() && OpenSecondary() &&
        !unloaded_)
        QMetaObject::invokeMethod(
            this, [this] { setWindowState(windowState() & ~Qt::WindowMinimized); },
            Qt::QueuedConnection);
}

// Keyboard and screen reader access to the face.

void frmMain::SetUpFaceAccess() {
    // The face takes the focus when clicked or activated, so the Menu key reaches it.
    setFocusPolicy(Qt::StrongFocus);
    RegisterFaceAccessible();
    setAccessibleName(QStringLiteral("りろ日記"));
}

void frmMain::ShowMenuAtFace() {
    if (isEnabled() && !mnuFile_->isVisible())
        mnuFile_->popup(mapToGlobal(kFaceRect.center()));
}

// The face marks the keyboard's focus as a button does: when she comes to it from the keyboard
// (switching windows, closing a window), not at the program's start nor from a click, and the
// mark goes while the pointer works on the face.
void frmMain::focusInEvent(QFocusEvent *event) {
    const Qt::FocusReason reason = event->reason();
    if (focusedBefore_ && reason != Qt::MouseFocusReason && reason != Qt::PopupFocusReason)
        face_->ShowFocusMark(true);
    focusedBefore_ = true;
    QWidget::focusInEvent(event);
}

void frmMain::focusOutEvent(QFocusEvent *event) {
    if (event->reason() != Qt::PopupFocusReason)
        face_->ShowFocusMark(false);
    QWidget::focusOutEvent(event);
}

void frmMain::keyPressEvent(QKeyEvent *event) {
    // Some platforms turn these keys into a context menu event as well; the menu opens once.
    const bool shiftF10 = event->key() == Qt::Key_F10 && event->modifiers() == Qt::ShiftModifier;
    if (event->key() == Qt::Key_Menu || shiftF10)
        ShowMenuAtFace();
    else
        QWidget::keyPressEvent(event);
}

void frmMain::contextMenuEvent(QContextMenuEvent *event) {
    // A right press on the face has opened the menu already (popup_label_MouseDown).
    if (event->reason() == QContextMenuEvent::Mouse) {
        event->ignore();
        return;
    }
    ShowMenuAtFace();
    event->accept();
}

} // namespace gadget
