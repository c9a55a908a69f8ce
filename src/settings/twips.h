#pragma once

#include <QPoint>

#include <cmath>

// The settings file keeps the window's place in twips, 15 to a logical pixel.
namespace settings {

inline constexpr int kTwipsPerPixel = 15;

// Twips to logical pixels, rounded to the nearest pixel, ties to even (a stored place between
// pixels comes back where the window was put).
inline int PixelsFromTwips(double twips) {
    return int(std::nearbyint(twips / kTwipsPerPixel)); // default rounding: ties to even
}
inline QPoint PixelsFromTwips(QPoint twips) {
    return {PixelsFromTwips(twips.x()), PixelsFromTwips(twips.y())};
}

inline QPoint TwipsFromPixels(QPoint pixels) {
    return pixels * kTwipsPerPixel;
}

} // namespace settings
