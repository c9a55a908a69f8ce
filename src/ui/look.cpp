#include "ui/look.h"

#include "settings/twips.h"

#include <QApplication>
#include <QDir>
#include <QFontDatabase>
#include <QKeyEvent>
#include <QPainter>
#include <QPalette>
#include <QPen>
#include <QPushButton>

#include <algorithm>
#include <cmath>
#include <utility>

#ifdef RILO_HAVE_FONTCONFIG
#include <fontconfig/fontconfig.h>
#endif

namespace ui::look {
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

// A flat button that, as classic flat buttons do, marks the keyboard focus with a dotted
// rectangle inside its face.
class FlatButton : public QPushButton {
public:
    using QPushButton::QPushButton;

protected:
    void paintEvent(QPaintEvent *event) override {
        QPushButton::paintEvent(event);
        if (!hasFocus())
            return;
        QPainter painter(this);
        painter.setPen(QPen(palette().color(QPalette::ButtonText), 1, Qt::DotLine));
        painter.drawRect(
            rect().adjusted(kFocusInset, kFocusInset, -kFocusInset - 1, -kFocusInset - 1));
    }

private:
    static constexpr int kFocusInset = 4;
};

// The English and Japanese names of the fonts the windows use. Windows lists a font under the
// name of the system's language; fontconfig would know these and more.
constexpr std::pair<const char16_t *, const char16_t *> kFontNames[] = {
    {u"ＭＳ ゴシック", u"MS Gothic"},
    {u"ＭＳ Ｐゴシック", u"MS PGothic"},
    {u"IPAゴシック", u"IPAGothic"},
    {u"IPAPゴシック", u"IPAPGothic"},
};

// Every name, in every language, of the installed fonts that have `name` among theirs
// ("IPAGothic" and "IPAゴシック" for either).
QStringList AllNamesOf(const QString &name) {
    QStringList names{name};
    for (const auto &[japanese, english] : kFontNames) {
        const QString ja = QString::fromUtf16(japanese), en = QString::fromUtf16(english);
        if (name.compare(ja, Qt::CaseInsensitive) == 0)
            names << en;
        else if (name.compare(en, Qt::CaseInsensitive) == 0)
            names << ja;
    }
#ifdef RILO_HAVE_FONTCONFIG
    const QByteArray wanted = name.toUtf8();
    FcPattern *pattern = FcPatternCreate();
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8 *>(wanted.constData()));
    FcObjectSet *objects = FcObjectSetBuild(FC_FAMILY, nullptr);
    if (FcFontSet *fonts = FcFontList(nullptr, pattern, objects)) {
        for (int i = 0; i < fonts->nfont; ++i) {
            FcChar8 *family = nullptr;
            for (int k = 0;
                 FcPatternGetString(fonts->fonts[i], FC_FAMILY, k, &family) == FcResultMatch; ++k) {
                const QString other = QString::fromUtf8(reinterpret_cast<const char *>(family));
                if (!names.contains(other, Qt::CaseInsensitive))
                    names << other;
            }
        }
        FcFontSetDestroy(fonts);
    }
    FcObjectSetDestroy(objects);
    FcPatternDestroy(pattern);
#endif
    return names;
}

// The name under which the font database lists the installed font known by `name`, one of its
// names in any language; empty when no such font is installed.
QString ListedFamily(const QString &name) {
    const QStringList families = QFontDatabase::families();
    for (const QString &other : AllNamesOf(name)) {
        const auto listed = std::find_if(families.begin(), families.end(), [&](const QString &f) {
            return f.compare(other, Qt::CaseInsensitive) == 0;
        });
        if (listed != families.end())
            return *listed;
    }
    return QString();
}

// The listed names of those of `wanted` that are installed, in order, each once.
QStringList Installed(const QStringList &wanted) {
    QStringList found;
    for (const QString &name : wanted) {
        const QString listed = ListedFamily(name);
        if (!listed.isEmpty() && !found.contains(listed))
            found << listed;
    }
    return found;
}

} // namespace

// The font database lists a font under its name in the locale's language ("IPAゴシック" under
// ja_JP, "IPAGothic" under C), so fonts are looked up by all their names and substituted under
// the listed one. A design font installed under another listed name (its English one, say) is
// its own first substitute.
void RegisterFontSubstitutes() {
    // A system without the design's fonts or IPA Gothic (Windows in another language) gets the
    // IPA fonts that come with the program, in its fonts folder.
    if (ListedFamily(kGothic).isEmpty() && ListedFamily(QStringLiteral("IPAGothic")).isEmpty()) {
        const QDir fonts(QCoreApplication::applicationDirPath() + QStringLiteral("/fonts"));
        for (const QString &file : fonts.entryList({QStringLiteral("*.ttf")}, QDir::Files))
            QFontDatabase::addApplicationFont(fonts.filePath(file));
    }
    const QStringList families = QFontDatabase::families();
    const QStringList mono = {QStringLiteral("IPAGothic"), QStringLiteral("Noto Sans Mono CJK JP"),
                              QStringLiteral("Noto Sans CJK JP")};
    const QStringList proportional = {QStringLiteral("IPAPGothic"),
                                      QStringLiteral("Noto Sans CJK JP"),
                                      QStringLiteral("IPAGothic")};
    if (!families.contains(kGothic))
        QFont::insertSubstitutions(kGothic, Installed(QStringList{kGothic} + mono));
    for (const QString &name : {kPGothic, kUIGothic}) {
        if (!families.contains(name))
            QFont::insertSubstitutions(name, Installed(QStringList{name} + proportional));
    }
#ifdef Q_OS_WIN
    // Windows draws the Japanese of the system's UI font, which the calendar's dates, the
    // dialogs and the menus use, through its own font linking: without the Japanese fonts that
    // is a serif face. Where the stand-ins are used, those texts use them too, at the system's
    // size. (Setting the application's font also replaces the menu's and message box's own.)
    if (ListedFamily(kPGothic).isEmpty()) {
        QFont standIn = QApplication::font();
        standIn.setFamily(kPGothic);
        standIn.setStyleHint(QFont::SansSerif);
        QApplication::setFont(standIn);
    }
#endif
}

QString DigitsFamily() {
    return ListedFamily(kPGothic).isEmpty() ? kGothic : kPGothic;
}

QFont Font(const QString &family, qreal points) {
    QFont font(family);
    font.setPixelSize(int(std::lround(points * 96.0 / 72.0)));
    font.setWeight(QFont::Normal);
    font.setStyleHint(family == kGothic ? QFont::TypeWriter : QFont::SansSerif);
    return font;
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
    label->setGeometry(settings::PixelsFromTwips(twips));
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
    auto *button = new FlatButton(text, parent);
    button->setObjectName(name);
    button->setGeometry(settings::PixelsFromTwips(twips));
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
    const QPoint a = settings::PixelsFromTwips(fromTwips);
    const QPoint b = settings::PixelsFromTwips(toTwips);
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

} // namespace ui::look
