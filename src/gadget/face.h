#pragma once

#include "dates/countdown.h"

#include <QPoint>
#include <QRect>
#include <QSize>
#include <QWidget>

class QLabel;

namespace gadget {

// The design's window: a 3-pixel frame and a title bar down to pixel 22 around the client area,
// cut down to a rounded face. All in logical pixels of the gadget's window.
inline constexpr QSize kWindowSize(188, 172);
inline constexpr QPoint kClientOffset(3, 22);
inline constexpr QSize kClientSize(182, 147);
inline constexpr QRect kFaceRect(20, 25, 130, 120);
inline constexpr int kCornerDiameter = 40;

// The gadget's client area: the countdown's five texts among the fixed captions and dotted rules,
// and popup_label, which lies over all of them and takes the mouse.
class Face : public QWidget {
    Q_OBJECT
public:
    explicit Face(QWidget *window);

    // Shows `texts`, each drawn whole inside the rounded face.
    void Show(const dates::CountdownTexts &texts);
    QLabel *popupLabel() const { return faceLabel_; }
    // A dotted line just inside the face's rounded edge, which tells that the keyboard is here.
    void ShowFocusMark(bool shown);

private:
    void FitTexts();

    QLabel *faceLabel_ = nullptr;
    QLabel *sentenceLabel_ = nullptr;
    QLabel *numberLabel_ = nullptr;
    QLabel *weeksLabel_ = nullptr;
    QLabel *daysLabel_ = nullptr;
    QLabel *monthLabel_ = nullptr;
    QWidget *focusMark_ = nullptr;
};

} // namespace gadget
