#pragma once

#include <QRect>
#include <QRegion>

class QWidget;

namespace gadget {

// A rounded rectangle as a region: `rect` with `diameter` × `diameter` corner ellipses, both in
// logical pixels, built at `ratio` device pixels per logical pixel (so at ratio 2 the result is
// twice as large and its curves step by one device pixel, not by two).
QRegion RoundedRegion(const QRect &rect, int diameter, qreal ratio = 1.0);

// Cuts a top-level widget down to that rounded rectangle. The widget's own mask (input and
// painting) holds every logical pixel that the shape touches at the window's device resolution;
// the native window gets the shape itself, built at its device resolution, so that the corners
// stay smooth at any scale factor. Both are applied again whenever the native window is created
// anew, is shown, or moves to another screen; calling this again changes the shape.
void ApplyRoundedMask(QWidget *window, const QRect &rect, int diameter);

} // namespace gadget
