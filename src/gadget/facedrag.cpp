#include "gadget/facedrag.h"

#include <QWidget>

namespace gadget {

void FaceDrag::Start(QPointF pointer, QPoint windowAt) {
    pointerAt_ = pointer;
    windowAt_ = windowAt;
    windowNow_ = windowAt;
    active_ = true;
}

void FaceDrag::Follow(QPointF pointer) {
    if (!active_)
        return;
    const QPoint target = windowAt_ + (pointer - pointerAt_).toPoint();
    window_->move(windowNow_.x(), target.y());
    window_->move(target);
    windowNow_ = target;
}

std::optional<QPoint> FaceDrag::End() {
    const bool moved = active_ && windowNow_ != windowAt_;
    active_ = false;
    return moved ? std::optional<QPoint>(windowNow_) : std::nullopt;
}

} // namespace gadget
