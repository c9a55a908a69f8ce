#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

#include <cmath>

// Twips, 15 to a logical pixel: the unit of the design's places and sizes, and of the window's
// place in the settings file. Every conversion to pixels goes through PixelsFromTwips(double),
// so the face, the dialogs, the calendar and the stored place all round alike.
namespace settings {

inline constexpr int kTwipsPerPixel = 15;

// Twips to logical pixels: the nearest pixel, ties to even (337.5 twips, 22.5 pixels, give 22;
// 352.5 give 24). A whole number of twips is never a tie, as 15 is odd, and the design's places
// and sizes are whole pixels; a stored place between pixels comes back where it was put.
inline int PixelsFromTwips(double twips) {
    return int(std::nearbyint(twips / kTwipsPerPixel)); // default rounding: ties to even
}
inline QPoint PixelsFromTwips(QPoint twips) {
    return {PixelsFromTwips(twips.x()), PixelsFromTwips(twips.y())};
}
inline QSize PixelsFromTwips(QSize twips) {
    return {PixelsFromTwips(twips.width()), PixelsFromTwips(twips.height())};
}
// Left, top, width and height each converted, as the design gives them.
inline QRect PixelsFromTwips(const QRect &twips) {
    return {PixelsFromTwips(twips.topLeft()), PixelsFromTwips(twips.size())};
}

inline QPoint TwipsFromPixels(QPoint pixels) {
    return pixels * kTwipsPerPixel;
}

} // namespace settings
