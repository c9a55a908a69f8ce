#pragma once

#include <QPoint>
#include <QRect>

#include <functional>
#include <optional>

class QWidget;

namespace gadget {

// Where the gadget's window is, and which place an ending or the end of a drag stores.
//
// Until the window system first shows the window, the place is the one the program asked for:
// whatever it reports before then is a passing state (a frame's corner before the frame is moved
// into place). From then on the place is the window system's answer at the moment it is needed,
// wherever it put the window: a window manager that brought a face no screen showed back onto
// the screen, or keeps it out of a panel, is followed, so the place she sees is the place stored
// and the next start shows the face there.
//
// Where the window system places windows itself and tells no real place (native Wayland, and
// weston's X window manager), nothing is stored and a drag is the window system's own move.
class WindowPlace {
public:
    // Where the window system shows `window` at this moment, or nothing where it does not tell.
    using Answer = std::function<std::optional<QPoint>(const QWidget *window)>;

    // `answer` empty: the window system the program runs on is asked (WindowSystemPlace).
    WindowPlace(const QWidget *window, Answer answer);

    // Whether the program moves the window itself; where it cannot, the window system does.
    bool ProgramMoves() const;
    // The program put the window at `place`.
    void Asked(QPoint place);
    // The window system shows the window (it is exposed); the window system knows its place from
    // now on, including while it is minimized later.
    void Shown();

    // The place an ending may store, if any.
    std::optional<QPoint> Storable() const;
    // A drag moved the window to `target`: the place to store now. Until the window system shows
    // the window there, each of its later reports gives the place to store again, since a window
    // manager may still be carrying out the drag's last move when the button is released.
    std::optional<QPoint> DragEnded(QPoint target);
    // The window system reported a move: the place to store again, while a drag's end settles.
    std::optional<QPoint> Reported();

private:
    const QWidget *window_;
    Answer answer_;
    QPoint asked_;
    bool shown_ = false;
    std::optional<QPoint> dragTarget_; // a drag's end the window system has not shown yet
};

// Where a window whose visible part is `shape` (in the window's own coordinates) is put when its
// stored top left is `stored`: there, unless no screen shows any of it (a monitor unplugged
// since), which could never be reached again; it then comes fully onto the primary screen's
// available area. A partly visible window stays where it was.
QPoint ReachablePlace(QPoint stored, QRect shape);

// The answer of the window system the program runs on. On X11 the server itself is asked (one
// round trip), so that a move a window manager has made but not yet reported is not missed;
// nothing under Qt's Wayland platform, nor under weston's X window manager, which place windows
// themselves and give X clients no real place; elsewhere (Windows) the toolkit's own view,
// which the window system keeps current.
std::optional<QPoint> WindowSystemPlace(const QWidget *window);

} // namespace gadget
