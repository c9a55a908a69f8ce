#include "ui/look.h"

#include <QApplication>
#include <QFontDatabase>
#include <QKeyEvent>
#include <QPainter>
#include <QPalette>
#include <QPen>
#include <QPushButton>

#include <cmath>

namespace look {
namespace {

// Enter or Return on a focused button presses it, as on Windows, without the button being the
// window's default (so Enter in an entry box still does nothing).
class EnterPressesButton : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override {
        if (event->type() == QEvent::KeyPress) {
            const int key = static_cast<QKeyEvent *>(event)->key();
            if (key == Qt::Key_Return || key == Qt::Key_Enter) {
                static_cast<QPushButton *>(watched)->animateClick();
                return true;
            }
        }
        return false;
    }
};

} // namespace

void RegisterFontSubstitutes() {
    const QStringList families = QFontDatabase::families();
    auto installed = [&](const QStringList &wanted) {
        QStringList found;
        for (const QString &name : wanted) {
            if (families.contains(name, Qt::CaseInsensitive))
                found << name;
        }
        return found;
    };
    const QStringList mono =
        installed({QStringLiteral("IPAGothic"), QStringLiteral("Noto Sans Mono CJK JP"),
                   QStringLiteral("Noto Sans CJK JP")});
    const QStringList proportional =
        installed({QStringLiteral("IPAPGothic"), QStringLiteral("Noto Sans CJK JP"),
                   QStringLiteral("IPAGothic")});
    if (!families.contains(kGothic))
        QFont::insertSubstitutions(kGothic, mono);
    for (const QString &name : {kPGothic, kUIGothic}) {
        if (!families.contains(name))
            QFont::insertSubstitutions(name, proportional);
    }
}

QString DigitsFamily() {
    return QFontDatabase::families().contains(kPGothic) ? kPGothic : kGothic;
}

QFont Font(const QString &family, qreal points) {
    QFont font(family);
    font.setPixelSize(int(std::lround(points * 96.0 / 72.0)));
    font.setWeight(QFont::Normal);
    font.setStyleHint(family == kGothic ? QFont::TypeWriter : QFont::SansSerif);
    return font;
}

QRect Twips(int left, int top, int width, int height) {
    return QRect(left / kTwipsPerPixel, top / kTwipsPerPixel, width / kTwipsPerPixel,
                 height / kTwipsPerPixel);
}

void ApplyWindowLook(QWidget *window) {
    QPalette palette = window->palette();
    palette.setColor(QPalette::Window, QApplication::palette().color(QPalette::ToolTipBase));
    window->setPalette(palette);
    window->setAutoFillBackground(true);
}

QLabel *AddLabel(QWidget *parent, const QString &name, const QRect &twips, const QString &text,
                 const QFont &font, Qt::Alignment align) {
    auto *label = new QLabel(text, parent);
    label->setObjectName(name);
    label->setGeometry(twips);
    label->setFont(font);
    label->setAlignment(align | Qt::AlignTop);
    label->setAttribute(Qt::WA_TranslucentBackground);
    label->setAutoFillBackground(false);
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(false);
    // Texts keep their colour while the window is disabled behind a secondary window.
    SetTextColor(label, label->palette().color(QPalette::Active, QPalette::WindowText));
    return label;
}

void SetTextColor(QWidget *widget, const QColor &color) {
    QPalette palette = widget->palette();
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
        palette.setColor(group, QPalette::WindowText, color);
    widget->setPalette(palette);
}

QPushButton *AddButton(QWidget *parent, const QString &name, const QRect &twips,
                       const QString &text, const QFont &font) {
    auto *button = new QPushButton(text, parent);
    button->setObjectName(name);
    button->setGeometry(twips);
    button->setFont(font);
    button->setFlat(true);
    button->setAutoDefault(false);
    button->setDefault(false);
    QPalette palette = button->palette();
    palette.setColor(QPalette::Button, kButtonFace);
    button->setPalette(palette);
    button->setAutoFillBackground(true);
    button->installEventFilter(new EnterPressesButton(button));
    return button;
}

DottedLine::DottedLine(QWidget *parent, const QString &name, QPoint fromTwips, QPoint toTwips,
                       const QColor &color)
    : QWidget(parent), color_(color) {
    setObjectName(name);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    const QPoint a = fromTwips / kTwipsPerPixel;
    const QPoint b = toTwips / kTwipsPerPixel;
    const QRect box = QRect(a, b).normalized().adjusted(0, 0, 1, 1);
    setGeometry(box);
    from_ = a - box.topLeft();
    to_ = b - box.topLeft();
}

void DottedLine::paintEvent(QPaintEvent *) {
    QPainter painter(this);
    QPen pen(color_, 1, Qt::DotLine);
    painter.setPen(pen);
    painter.drawLine(from_, to_);
}

} // namespace look
