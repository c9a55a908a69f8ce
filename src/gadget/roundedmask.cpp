#include "gadget/roundedmask.h"

#include <QEvent>
#include <QPlatformSurfaceEvent>
#include <QPointer>
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

// The logical pixels that hold any device pixel of `device`, at `ratio` device pixels per
// logical pixel.
QRegion LogicalCover(const QRegion &device, qreal ratio) {
    QRegion cover;
    for (const QRect &r : device)
        cover += QRect(QPoint(int(std::floor(r.left() / ratio)), int(std::floor(r.top() / ratio))),
                       QPoint(int(std::ceil((r.right() + 1) / ratio)) - 1,
                              int(std::ceil((r.bottom() + 1) / ratio)) - 1));
    return cover;
}

// Keeps the widget's mask and the native window's shape right for the window's current device
// pixel ratio. Qt clips the widget's painting to its mask in logical pixels, so that mask holds
// every logical pixel the rounded shape touches at device resolution: the smooth edge is left to
// the native shape, or, in a translucent window, to the antialiased painting. A new native window
// gets the widget's mask from Qt after its creation is announced, so the native shape is applied
// again when the window is about to show.
class NativeMaskKeeper : public QObject {
public:
    NativeMaskKeeper(QWidget *widget, const QRect &rect, int diameter)
        : QObject(widget->windowHandle()), widget_(widget), rect_(rect), diameter_(diameter) {
        QWindow *window = widget->windowHandle();
        window->installEventFilter(this);
        connect(window, &QWindow::screenChanged, this, [this, window] { Apply(window); });
    }
    void Reshape(const QRect &rect, int diameter) {
        rect_ = rect;
        diameter_ = diameter;
        Apply(static_cast<QWindow *>(parent()));
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override {
        if (event->type() == QEvent::Show ||
            (event->type() == QEvent::PlatformSurface &&
             static_cast<QPlatformSurfaceEvent *>(event)->surfaceEventType() ==
                 QPlatformSurfaceEvent::SurfaceCreated))
            Apply(static_cast<QWindow *>(watched));
        return false;
    }

private:
    void Apply(QWindow *window) const {
        const qreal ratio = window->devicePixelRatio();
        const QRegion cover = LogicalCover(RoundedRegion(rect_, diameter_, ratio), ratio);
        if (widget_ && widget_->mask() != cover)
            widget_->setMask(cover);
        ApplyNativeMask(window, rect_, diameter_);
    }

    QPointer<QWidget> widget_;
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
    window->winId();
    QWindow *handle = window->windowHandle();
    if (!handle) {
        window->setMask(RoundedRegion(rect, diameter));
        return;
    }
    auto *keeper = handle->findChild<NativeMaskKeeper *>(QString(), Qt::FindDirectChildrenOnly);
    if (!keeper)
        keeper = new NativeMaskKeeper(window, rect, diameter);
    keeper->Reshape(rect, diameter);
}

} // namespace gadget
