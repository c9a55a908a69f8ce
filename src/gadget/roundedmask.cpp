#include "gadget/roundedmask.h"

#include <QEvent>
#include <QPlatformSurfaceEvent>
#include <QWidget>
#include <QWindow>
// Qt's private GUI headers; a build without them keeps the logical mask alone.
#if __has_include(<qpa/qplatformwindow.h>)
#include <qpa/qplatformwindow.h>
#define RILO_NATIVE_MASK 1
#endif

#include <cmath>

namespace gadget {
namespace {

int Scaled(int v, qreal ratio) {
    return int(std::lround(v * ratio));
}

// The native window's shape at device resolution. QWindow::setMask would scale the logical
// region rectangle by rectangle, so curves would step in blocks of the scale factor.
void ApplyNativeMask(QWindow *window, const QRect &rect, int diameter) {
#ifndef RILO_NATIVE_MASK
    Q_UNUSED(window);
    Q_UNUSED(rect);
    Q_UNUSED(diameter);
#else
    QPlatformWindow *native = window ? window->handle() : nullptr;
    if (!native)
        return;
    // Native coordinates are logical ones times the high-DPI scale factor; the platform's own
    // device pixel ratio is already part of them.
    const qreal factor = window->devicePixelRatio() / native->devicePixelRatio();
    if (factor == 1.0)
        return; // the logical mask is already exact
    native->setMask(RoundedRegion(rect, diameter, factor));
#endif
}

class NativeMaskKeeper : public QObject {
public:
    NativeMaskKeeper(QWindow *window, const QRect &rect, int diameter)
        : QObject(window), rect_(rect), diameter_(diameter) {
        window->installEventFilter(this);
        connect(window, &QWindow::screenChanged, this, [this, window] { Apply(window); });
        Apply(window);
    }
    void Apply(QWindow *window) const { ApplyNativeMask(window, rect_, diameter_); }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override {
        if (event->type() == QEvent::PlatformSurface &&
            static_cast<QPlatformSurfaceEvent *>(event)->surfaceEventType() ==
                QPlatformSurfaceEvent::SurfaceCreated)
            Apply(static_cast<QWindow *>(watched));
        return false;
    }

private:
    QRect rect_;
    int diameter_;
};

} // namespace

QRegion RoundedRegion(const QRect &rect, int diameter, qreal ratio) {
    const QRect r(
        QPoint(Scaled(rect.left(), ratio), Scaled(rect.top(), ratio)),
        QPoint(Scaled(rect.right() + 1, ratio) - 1, Scaled(rect.bottom() + 1, ratio) - 1));
    const int d = Scaled(diameter, ratio);
    // Two crossing bands and four corner ellipses.
    QRegion region(r.adjusted(d / 2, 0, -d / 2, 0));
    region += r.adjusted(0, d / 2, 0, -d / 2);
    for (const QPoint corner :
         {r.topLeft(), QPoint(r.right() + 1 - d, r.top()), QPoint(r.left(), r.bottom() + 1 - d),
          QPoint(r.right() + 1 - d, r.bottom() + 1 - d)})
        region += QRegion(QRect(corner, QSize(d, d)), QRegion::Ellipse);
    return region;
}

void ApplyRoundedMask(QWidget *window, const QRect &rect, int diameter) {
    window->setMask(RoundedRegion(rect, diameter));
    window->winId();
    QWindow *handle = window->windowHandle();
    if (handle && !handle->findChild<NativeMaskKeeper *>(QString(), Qt::FindDirectChildrenOnly))
        new NativeMaskKeeper(handle, rect, diameter);
}

} // namespace gadget
