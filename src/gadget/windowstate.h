#pragma once

#include <QPoint>

class QWidget;

namespace gadget {

// Switches always-on-top on a window that may be showing, without recreating its native window
// (which would hide it).
void SetStaysOnTop(QWidget *window, bool on);

// Restored if minimized, else shown again on the desktop the user is looking at (mapping a
// window anew puts it there); on top of its layer either way. A minimized window is only
// restored: unmapping it while the window manager restores it can leave it iconified.
void ShowInFront(QWidget *window);

} // namespace gadget
