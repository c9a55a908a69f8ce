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

// Shows a window not yet shown above the window that has the keyboard, which keeps it; `keepAbove`,
// a window of ours already shown (or null), stays above it. On X11 the window is mapped asking
// not to be focused, and once mapped it is raised, then `keepAbove`, as a pager raises a window:
// window managers that prevent focus stealing (metacity, mutter) stack a window that does not
// take the focus below the focused one and refuse its program's own raise. Elsewhere simply
// shown.
void ShowAboveActiveWindow(QWidget *window, QWidget *keepAbove);

} // namespace gadget
