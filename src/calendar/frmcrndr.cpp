#include "calendar/frmcrndr.h"

#include "calendar/calendarexport.h"
#include "calendar/frmcrndraccessible.h"
#include "dates/datetext.h"
#include "settings/duedate.h"
#include "settings/twips.h"
#include "ui/look.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QStyle>

#ifdef Q_OS_WIN
#include <windows.h>
#endif

namespace calendar {

namespace {

constexpr int kClientWidth = 3360; // twips
constexpr int kClientHeight = 5640;

constexpr int kRowCount = 12;
constexpr int kRowHeight = 255;
constexpr int kFirstRowTop = 360;
constexpr int kRowPitch = 360;
constexpr int kCaptionLeft = 360;
constexpr int kDogCaptionLeft = 480;
constexpr int kCaptionWidth = 735;
constexpr int kDateLeft = 1440;
constexpr int kDateWidth = 1335;
constexpr int kRuleAbove = 120; // a row's rule stands this far above its top
constexpr int kRuleLeft = 255;
constexpr int kRuleRight = 3090;
constexpr int kDogRuleLeft = 360;
constexpr int kDogRuleRight = 3105;

constexpr int kDogRow = 6;

// Caption index and text of each row, top to bottom. The Day of the Dog stands between months
// 5 and 6; the due date's caption has index 13 (there is no 12).
struct RowCaption {
    int index;
    const char16_t *text;
};
constexpr std::array<RowCaption, kRowCount> kRows{{
    {1, u"1ヶ月"},
    {2, u"2ヶ月"},
    {3, u"3ヶ月"},
    {4, u"4ヶ月"},
    {5, u"5ヶ月"},
    {6, u"戌の日"},
    {7, u"6ヶ月"},
    {8, u"7ヶ月"},
    {9, u"8ヶ月"},
    {10, u"9ヶ月"},
    {11, u"10ヶ月"},
    {13, u"予定日"},
}};

int RowTop(int row) {
    return kFirstRowTop + (row - 1) * kRowPitch;
}

QString Indexed(const char *name, int index) {
    return QStringLiteral("%1(%2)").arg(QLatin1String(name)).arg(index);
}

// The colour of the rules: the desktop background colour of the system's colour scheme.
// Other platforms have none; they get the classic Windows desktop blue.
QColor DesktopBackgroundColor() {
#ifdef Q_OS_WIN
    const COLORREF c = GetSysColor(COLOR_BACKGROUND);
    return QColor(GetRValue(c), GetGValue(c), GetBValue(c));
#else
    return QColor(0x3A, 0x6E, 0xA5);
#endif
}

void ShowDate(QLabel *label, const std::optional<dates::DateStamp> &date) {
    label->setText(date ? dates::FormatDateText(*date) : QString());
}

} // namespace

frmCrndr::frmCrndr(const settings::modRilo &state, const ui::AppEnvironment &env, QWidget *parent)
    : QWidget(parent,
              Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      dates_(settings::ReadCalendarDates(state, settings::Snapshot::Read(state.IniPath))),
      env_(env) {
    calendar::InstallAccessibleFactory();
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("カレンダー"));
    setFixedSize(settings::PixelsFromTwips(QSize(kClientWidth, kClientHeight)));
    ui::look::ApplyWindowLook(this);
    BuildControls();
    FillCalendar();
    if (const QScreen *screen = this->screen())
        setGeometry(QStyle::alignedRect(Qt::LeftToRight, Qt::AlignCenter, size(),
                                        screen->availableGeometry()));
    okButton_->setFocus();
}

// Controls are created bottom first, so that they stack as designed: rules and captions under
// the date labels, the buttons on top.
void frmCrndr::BuildControls() {
    const QColor ruleColor = DesktopBackgroundColor();
    auto addRule = [&](int lineIndex, int y, int left, int right) {
        new ui::look::DottedLine(this, Indexed("Line", lineIndex), QPoint(left, y),
                                 QPoint(right, y), ruleColor);
    };
    const QFont captionFont = ui::look::Font(ui::look::kPGothic, 9.75);
    auto addCaption = [&](int row) {
        const RowCaption &caption = kRows[row - 1];
        const int left = row == kDogRow ? kDogCaptionLeft : kCaptionLeft;
        QLabel *label = ui::look::AddLabel(this, Indexed("Label1", caption.index),
                                           QRect(left, RowTop(row), kCaptionWidth, kRowHeight),
                                           QString::fromUtf16(caption.text), captionFont);
        ui::look::SetTextColor(label, ui::look::kDarkRed);
    };

    // The rule above each of rows 1 to 11 is Line(row), above row 12 Line(13), below it Line(12).
    for (int row = 1; row < kRowCount; ++row) {
        const int y = RowTop(row) - kRuleAbove;
        if (row == kDogRow)
            addRule(row, y, kDogRuleLeft, kDogRuleRight);
        else
            addRule(row, y, kRuleLeft, kRuleRight);
    }
    for (int row = 1; row < kRowCount; ++row)
        addCaption(row);
    addRule(12, RowTop(kRowCount + 1) - kRuleAbove, kRuleLeft, kRuleRight);
    addRule(13, RowTop(kRowCount) - kRuleAbove, kRuleLeft, kRuleRight);
    addCaption(kRowCount);

    // Date labels: months 1 to 5, the Day of the Dog, months 6 to 10, the due date.
    const QFont formFont = font();
    auto addDate = [&](int row, const QString &name) {
        return ui::look::AddLabel(this, name, QRect(kDateLeft, RowTop(row), kDateWidth, kRowHeight),
                                  QString(), formFont);
    };
    for (int month = 1; month <= 10; ++month) {
        const int row = month < kDogRow ? month : month + 1;
        monthStartLabels_[month - 1] = rowDates_[row - 1] = addDate(row, Indexed("Ctuki", month));
    }
    dogDayLabel_ = rowDates_[kDogRow - 1] = addDate(kDogRow, QStringLiteral("Cinu"));
    dueDateLabel_ = rowDates_[kRowCount - 1] = addDate(kRowCount, QStringLiteral("Cyoteibi"));

    okButton_ = ui::look::AddButton(this, QStringLiteral("btnOK"), QRect(1800, 4920, 1335, 495),
                                    QStringLiteral("O  K"), ui::look::Font(ui::look::kPGothic, 12));
    saveButton_ = ui::look::AddButton(this, QStringLiteral("btnPrint"), QRect(960, 4920, 735, 495),
                                      QStringLiteral("保 存"), formFont);
    // The captions are spaced out for the eye; a screen reader says the words.
    okButton_->setAccessibleName(QStringLiteral("OK"));
    saveButton_->setAccessibleName(QStringLiteral("保存"));
    setTabOrder(okButton_, saveButton_);

    connect(okButton_, &QPushButton::clicked, this, &QWidget::close);
    connect(saveButton_, &QPushButton::clicked, this, &frmCrndr::btnPrint_Click);
}

void frmCrndr::FillCalendar() {
    for (int month = 1; month <= 10; ++month)
        ShowDate(monthStartLabels_[month - 1], dates_.monthStarts[month - 1]);
    ShowDate(dogDayLabel_, dates_.dogDay);
    ShowDate(dueDateLabel_, dates_.due);
    // A screen reader reads each row whole: caption and date.
    for (int row = 1; row <= kRowCount; ++row) {
        QLabel *date = rowDates_[row - 1];
        const QString caption = QString::fromUtf16(kRows[row - 1].text);
        date->setAccessibleName(date->text().isEmpty() ? caption : caption + u' ' + date->text());
    }
}

QList<QWidget *> frmCrndr::readingOrder() const {
    QList<QWidget *> widgets(rowDates_.begin(), rowDates_.end());
    widgets << saveButton_ << okButton_;
    return widgets;
}

void frmCrndr::btnPrint_Click() {
    if (deferredClose_.Run(
            [&] { calendar::ExportCalendarText(dates_, this, lastFileName_, env_.dialogs); })) {
        close();
        return;
    }
    // As the Save As dialog and its boxes go, a window manager may hand the focus to the disabled
    // gadget (openbox does, after the replace question) instead of back here: take it back.
    activateWindow();
}

void frmCrndr::keyPressEvent(QKeyEvent *event) {
    if (event->matches(QKeySequence::Cancel)) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

// Reports the closing once. While the Save As dialog or a message box of the window is open,
// the window hides and is destroyed only once that box has returned.
void frmCrndr::closeEvent(QCloseEvent *event) {
    deferredClose_.OnClose(this, event, [this] { Q_EMIT unloaded(); });
}

} // namespace calendar
