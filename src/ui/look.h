#pragma once

#include <QColor>
#include <QFont>
#include <QLabel>
#include <QRect>
#include <QString>
#include <QWidget>

class QPushButton;
class QLineEdit;

// The look shared by the three windows: the pale tool-tip background, Japanese gothic fonts,
// dark red captions, flat #F9E888 buttons, and places and sizes in twips (settings/twips.h).
namespace ui::look {

// The program's name as its boxes' titles and the screen reader give it.
inline const QString kProgramTitle = QStringLiteral("りろ日記");

inline const QColor kDarkRed{0x80, 0x00, 0x00};
inline const QColor kButtonFace{0xF9, 0xE8, 0x88};
inline const QColor kRuleAmber{0xEC, 0xBA, 0x53};

// The design's font names.
inline const QString kGothic = QStringLiteral("ＭＳ ゴシック");    // monospaced
inline const QString kPGothic = QStringLiteral("ＭＳ Ｐゴシック"); // proportional
inline const QString kUIGothic = QStringLiteral("MS UI Gothic");   // proportional

// Maps the design's font names to the Japanese gothic fonts that are installed (IPAGothic for
// the monospaced one, IPAPGothic for the proportional ones, then Noto CJK). On Windows without
// the design's fonts, the application's font (the system's UI font) becomes the proportional
// stand-in as well. Call once after the application object exists.
void RegisterFontSubstitutes();

// The family for the half-width digits of the "ＭＳ Ｐゴシック" entry boxes: the design name where
// that font is installed, else the monospaced gothic, whose digits have the same widths.
QString DigitsFamily();

// The font of that design name and size in points, sized in logical pixels (96 per inch) so
// that the layout does not depend on the screen's reported DPI.
QFont Font(const QString &family, qreal points);

// Gives a window the shared background (the platform's tool-tip background colour).
void ApplyWindowLook(QWidget *window);

// A transparent label at a place and size in twips, left- or right-justified, never sizing itself.
QLabel *AddLabel(QWidget *parent, const QString &name, const QRect &twips, const QString &text,
                 const QFont &font, Qt::Alignment align = Qt::AlignLeft);

// Sets the text colour of a label for every state, disabled included.
void SetTextColor(QWidget *widget, const QColor &color);

// A flat button at a place and size in twips, with the #F9E888 face; a dotted rectangle inside it
// marks the keyboard focus.
QPushButton *AddButton(QWidget *parent, const QString &name, const QRect &twips,
                       const QString &text, const QFont &font);

// A dotted rule from one point to another, both in twips.
class DottedLine : public QWidget {
public:
    DottedLine(QWidget *parent, const QString &name, QPoint fromTwips, QPoint toTwips,
               const QColor &color);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QPoint from_; // in this widget's pixels
    QPoint to_;
    QColor color_;
};

} // namespace ui::look
