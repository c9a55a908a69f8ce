#pragma once

#include <QPoint>
#include <QPointF>

#include <optional>

class QWidget;

namespace gadget {

// The face's drag: the window follows the pointer's movement since the press, vertically first.
// Where the drag put the window is its own record, not the window's position, which follows the
// window manager's confirmation of the last move and may lag behind on a busy machine.
class FaceDrag {
public:
    explicit FaceDrag(QWidget *window) : window_(window) {}

    // A press: the pointer at `pointer` on the screen, the window's top left at `windowAt`.
    void Start(QPointF pointer, QPoint windowAt);
    // Moves the window after the pointer while a drag runs.
    void Follow(QPointF pointer);
    // A release: where the drag put the window, when it moved it at all.
    std::optional<QPoint> End();

private:
    QWidget *window_;
    QPointF pointerAt_;
    QPoint windowAt_;
    QPoint windowNow_;
    bool active_ = false;
};

} // namespace gadget
