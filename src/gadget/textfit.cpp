#include "gadget/textfit.h"

#include <QFontMetrics>
#include <QFontMetricsF>
#include <QLabel>
#include <QVariant>

#include <algorithm>
#include <cmath>

namespace gadget {
namespace {

constexpr char kDesignFont[] = "rilo_designFont";
constexpr char kDesignBox[] = "rilo_designBox";

// The width a box of the label leaves for its text.
int Room(const QLabel *label, const QRect &box) {
    const QMargins m = label->contentsMargins();
    return box.width() - m.left() - m.right() - 2 * label->margin();
}

bool Fits(const QLabel *label, const QFont &font, const QRect &box) {
    return TextExtent(font, label->text()) <= Room(label, box);
}

} // namespace

int TextExtent(const QFont &font, const QString &text) {
    if (text.isEmpty())
        return 0;
    // Fractional metrics: the label lays its line out in fractions of a pixel, and a text placed
    // at a fraction still colours the pixel it starts in.
    const QFontMetricsF metrics(font);
    const QRectF ink = metrics.boundingRect(text);
    const qreal extent =
        std::max(metrics.horizontalAdvance(text), ink.right()) - std::min(qreal(0), ink.left());
    return int(std::ceil(extent));
}

QRect DesignBox(const QLabel *label) {
    const QVariant design = label->property(kDesignBox);
    return design.isValid() ? design.toRect() : label->geometry();
}

void FitLabelText(QLabel *label, const QRect &maxArea, qreal minScale) {
    if (!label->property(kDesignFont).isValid()) {
        label->setProperty(kDesignFont, label->font());
        label->setProperty(kDesignBox, label->geometry());
    }
    QFont font = label->property(kDesignFont).value<QFont>();
    const QRect design = label->property(kDesignBox).toRect();
    QRect box(QPoint(std::max(design.left(), maxArea.left()), design.top()),
              QPoint(std::min(design.right(), maxArea.right()), design.bottom()));
    const int designPixels = font.pixelSize();
    const int minPixels = int(std::ceil(designPixels * minScale));

    auto shrinkWhileTooWide = [&](int floor) {
        while (!Fits(label, font, box) && font.pixelSize() > floor)
            font.setPixelSize(font.pixelSize() - 1);
    };
    if (designPixels > 0)
        shrinkWhileTooWide(minPixels);
    if (!Fits(label, font, box)) {
        // Grow away from the alignment edge, as far as the text needs and the area allows.
        const int missing = TextExtent(font, label->text()) - Room(label, box);
        if (label->alignment() & Qt::AlignRight)
            box.setLeft(std::max(maxArea.left(), box.left() - missing));
        else
            box.setRight(std::min(maxArea.right(), box.right() + missing));
        if (designPixels > 0)
            shrinkWhileTooWide(1);
    }
    // A top-aligned line in a smaller font would rise above the design's line, like a superscript;
    // lowering the box's top by the ascent the font lost keeps the text on the line of the caption
    // beside it (its unit).
    if (label->alignment() & Qt::AlignTop)
        box.setTop(box.top() + QFontMetrics(label->property(kDesignFont).value<QFont>()).ascent() -
                   QFontMetrics(font).ascent());
    label->setFont(font);
    label->setGeometry(box);
}

} // namespace gadget
