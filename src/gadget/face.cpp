#include "gadget/face.h"

#include "gadget/textfit.h"
#include "ui/look.h"

#include <QFontMetricsF>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>

#include <cmath>

namespace gadget {
namespace {

class FocusMark : public QWidget {
public:
    explicit FocusMark(QWidget *face) : QWidget(face) {
        setObjectName(QStringLiteral("focusMark"));
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setGeometry(face->rect());
        hide();
    }

protected:
    void paintEvent(QPaintEvent *) override {
        constexpr int inset = 3;
        const QRectF edge = QRectF(kFaceRect.translated(-kClientOffset))
                                .adjusted(inset + 0.5, inset + 0.5, -inset - 0.5, -inset - 0.5);
        const qreal radius = kCornerDiameter / 2.0 - inset;
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(QPen(palette().color(QPalette::WindowText), 1, Qt::DotLine));
        painter.drawRoundedRect(edge, radius, radius);
    }
};

} // namespace

Face::Face(QWidget *window) : QWidget(window) {
    using ui::look::AddLabel;
    using ui::look::Font;

    setObjectName(QStringLiteral("client"));
    setGeometry(QRect(kClientOffset, kClientSize));

    // Bottom of the stacking order first; popup_label lies over everything.
    QLabel *label5 = AddLabel(this, QStringLiteral("Label5"), {480, 240, 1215, 255},
                              QStringLiteral("現在"), Font(ui::look::kGothic, 9.75));
    sentenceLabel_ = AddLabel(this, QStringLiteral("yotei_cd"), {360, 1440, 1575, 375}, QString(),
                              Font(ui::look::kGothic, 9), Qt::AlignRight);
    weeksLabel_ = AddLabel(this, QStringLiteral("week"), {480, 600, 375, 495}, QString(),
                           Font(ui::look::kUIGothic, 14.25), Qt::AlignRight);
    numberLabel_ = AddLabel(this, QStringLiteral("rilo_cd"), {1080, 1395, 615, 255}, QString(),
                            Font(ui::look::kGothic, 12), Qt::AlignRight);
    daysLabel_ = AddLabel(this, QStringLiteral("day"), {1200, 600, 375, 495}, QString(),
                          Font(ui::look::kUIGothic, 14.25), Qt::AlignRight);
    AddLabel(this, QStringLiteral("Label6"), {960, 630, 375, 375}, QStringLiteral("週"),
             Font(ui::look::kPGothic, 12));
    AddLabel(this, QStringLiteral("Label7"), {1680, 630, 375, 375}, QStringLiteral("日"),
             Font(ui::look::kPGothic, 12));
    monthLabel_ = AddLabel(this, QStringLiteral("month"), {945, 930, 375, 255}, QString(),
                           Font(ui::look::kPGothic, 12), Qt::AlignRight);
    AddLabel(this, QStringLiteral("Label3"), {1365, 960, 615, 255}, QStringLiteral("ヶ月目"),
             Font(ui::look::kPGothic, 9.75));
    new ui::look::DottedLine(this, QStringLiteral("Line3"), {360, 1260}, {2040, 1260},
                             ui::look::kRuleAmber);
    new ui::look::DottedLine(this, QStringLiteral("Line4"), {360, 480}, {2040, 480},
                             ui::look::kRuleAmber);
    faceLabel_ =
        AddLabel(this, QStringLiteral("popup_label"), {240, 120, 2055, 1815}, QString(), QFont());

    focusMark_ = new FocusMark(this);

    for (QLabel *red : {label5, numberLabel_})
        ui::look::SetTextColor(red, ui::look::kDarkRed);
}

void Face::ShowFocusMark(bool shown) {
    focusMark_->setVisible(shown);
}

void Face::Show(const dates::CountdownTexts &texts) {
    sentenceLabel_->setText(texts.Sentence);
    numberLabel_->setText(texts.Number);
    weeksLabel_->setText(texts.Weeks);
    daysLabel_->setText(texts.Days);
    monthLabel_->setText(texts.Month);
    FitTexts();
}

// Every number drawn whole: a text too wide for its label first gets a smaller font, then room
// to the left over empty face, never over another label's text or beyond the rounded face.
void Face::FitTexts() {
    const int faceLeft = kFaceRect.left() - kClientOffset.x();
    const auto leftTo = [](int left, const QRect &box) {
        return QRect(QPoint(left, box.top()), box.bottomRight());
    };
    // "週" and "日" stand just right of week and day, "ヶ月目" right of month; left of week and
    // month the face is empty. day has "週" on its left.
    FitLabelText(weeksLabel_, leftTo(faceLeft, DesignBox(weeksLabel_)));
    FitLabelText(daysLabel_, DesignBox(daysLabel_));
    FitLabelText(monthLabel_, leftTo(faceLeft, DesignBox(monthLabel_)));
    FitLabelText(sentenceLabel_, leftTo(faceLeft, DesignBox(sentenceLabel_)));
    // The day count sits in the sentence's blank run, between its words and the closing "日".
    const QRect rilo = DesignBox(numberLabel_);
    int riloLeft = rilo.left();
    const QString sentence = sentenceLabel_->text();
    qsizetype blank = sentence.size() - 1;
    while (blank > 0 && sentence.at(blank - 1).isSpace())
        --blank;
    if (blank > 0 && blank < sentence.size() - 1) {
        const QFontMetricsF metrics(sentenceLabel_->font());
        const qreal sentenceRight =
            sentenceLabel_->geometry().left() + sentenceLabel_->contentsRect().right() + 1;
        const qreal blankLeft = sentenceRight - metrics.horizontalAdvance(sentence) +
                                metrics.horizontalAdvance(sentence.left(blank));
        riloLeft = std::max(riloLeft, int(std::ceil(blankLeft)));
    }
    FitLabelText(numberLabel_, leftTo(riloLeft, rilo));
}

} // namespace gadget
