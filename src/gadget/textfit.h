#pragma once

#include <QRect>

class QFont;
class QLabel;
class QString;

namespace gadget {

// Makes a label's text drawn whole in a box too small for it. Starting from the label's design
// font and box (remembered at the first call), the font shrinks one pixel at a time down to
// `minScale` of its size; if the text is still too wide, the box grows toward `maxArea` on the
// side opposite its alignment (to the left for a right-justified label, which keeps the text's
// right end in place); a text still too wide for all of `maxArea` shrinks further until it fits.
// `maxArea` is in the label's parent's coordinates; a design box reaching beyond it is first cut
// down to it. A top-aligned text keeps the design font's baseline whatever its size. The text
// itself is never changed.
void FitLabelText(QLabel *label, const QRect &maxArea, qreal minScale = 0.7);

// The label's box before FitLabelText first changed it, in its parent's coordinates.
QRect DesignBox(const QLabel *label);

// The horizontal room, in pixels, that a line of text needs in `font`: its advance, widened by
// any ink that starts before the pen position or ends after the advance.
int TextExtent(const QFont &font, const QString &text);

} // namespace gadget
