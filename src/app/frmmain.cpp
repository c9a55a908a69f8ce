#include "app/frmmain.h"

#include "app/daychange.h"
#include "app/faceaccessible.h"
#include "app/leftbuttonmenu.h"
#include "app/roundedmask.h"
#include "app/sessionend.h"
#include "app/textfit.h"
#include "calendar/frmcrndr.h"
#include "dates/countdown.h"
#include "entry/i_data.h"
#include "settings/duedate.h"
#include "ui/look.h"

#include <QAction>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QDateTime>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QMoveEvent>
#include <QScreen>
#include <QWindow>

#include <cmath>

namespace {

// Switches always-on-top on a window that may be showing, without recreating its native window
// (which would hide it).
void SetStaysOnTop(QWidget *window, bool on) {
    Qt::WindowFlags flags = window->windowFlags();
    if (flags.testFlag(Qt::WindowStaysOnTopHint) == on)
        return;
    flags.setFlag(Qt::WindowStaysOnTopHint, on);
    window->overrideWindowFlags(flags);
    if (QWindow *handle = window->windowHandle())
        handle->setFlags(flags);
}

// Restored if minimized, else shown again on the desktop the user is looking at (mapping a
// window anew puts it there); on top of its layer either way. A minimized window is only
// restored: unmapping it while the window manager restores it can leave it iconified.
void ShowInFront(QWidget *window) {
    if (window->isMinimized()) {
        window->setWindowState(window->windowState() & ~Qt::WindowMinimized);
        window->show();
    } else {
        const QPoint place = window->pos();
        window->hide();
        window->move(place);
        window->show();
    }
    window->raise();
}

} // namespace

namespace {

// The original window: a 3-pixel frame and a title bar down to pixel 22 around the client area,
// cut down to a rounded face.
constexpr QSize kWindowSize(188, 172);
constexpr QPoint kClientOffset(3, 22);
constexpr QSize kClientSize(182, 147);
constexpr QRect kFace(20, 25, 130, 120);
constexpr int kCornerDiameter = 40;

} // namespace

frmMain::frmMain(modRilo &state, const AppEnvironment &env)
    : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint), state_(state), env_(env) {
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(QStringLiteral("varadadid"));
    setFixedSize(kWindowSize);
    look::ApplyWindowLook(this);
    SetUpFaceAccess();
    BuildFace();
    BuildMenu();
    dayWatcher_ = new DayChangeWatcher(this);
    connect(dayWatcher_, &DayChangeWatcher::dayMayHaveChanged, this, &frmMain::RefreshIfDayChanged);
    winId(); // the native window exists from here on, so flags change in place
    Form_Load();
}

frmMain::~frmMain() {
    delete entryDialog_;
    delete calendarWindow_;
}

i_data *frmMain::entryDialog() const {
    return entryDialog_.data();
}

frmCrndr *frmMain::calendarWindow() const {
    return calendarWindow_.data();
}

int frmMain::PixelsFromTwips(double twips) {
    return int(std::nearbyint(twips / look::kTwipsPerPixel)); // default rounding: ties to even
}

void frmMain::BuildFace() {
    using look::AddLabel;
    using look::Font;
    using look::Twips;

    client_ = new QWidget(this);
    client_->setObjectName(QStringLiteral("client"));
    client_->setGeometry(QRect(kClientOffset, kClientSize));

    // Bottom of the stacking order first; popup_label lies over everything.
    QLabel *label5 = AddLabel(client_, QStringLiteral("Label5"), Twips(480, 240, 1215, 255),
                              QStringLiteral("現在"), Font(look::kGothic, 9.75));
    yotei_cd_ = AddLabel(client_, QStringLiteral("yotei_cd"), Twips(360, 1440, 1575, 375),
                         QString(), Font(look::kGothic, 9), Qt::AlignRight);
    week_ = AddLabel(client_, QStringLiteral("week"), Twips(480, 600, 375, 495), QString(),
                     Font(look::kUIGothic, 14.25), Qt::AlignRight);
    rilo_cd_ = AddLabel(client_, QStringLiteral("rilo_cd"), Twips(1080, 1395, 615, 255), QString(),
                        Font(look::kGothic, 12), Qt::AlignRight);
    day_ = AddLabel(client_, QStringLiteral("day"), Twips(1200, 600, 375, 495), QString(),
                    Font(look::kUIGothic, 14.25), Qt::AlignRight);
    AddLabel(client_, QStringLiteral("Label6"), Twips(960, 630, 375, 375), QStringLiteral("週"),
             Font(look::kPGothic, 12));
    AddLabel(client_, QStringLiteral("Label7"), Twips(1680, 630, 375, 375), QStringLiteral("日"),
             Font(look::kPGothic, 12));
    month_ = AddLabel(client_, QStringLiteral("month"), Twips(945, 930, 375, 255), QString(),
                      Font(look::kPGothic, 12), Qt::AlignRight);
    AddLabel(client_, QStringLiteral("Label3"), Twips(1365, 960, 615, 255),
             QStringLiteral("ヶ月目"), Font(look::kPGothic, 9.75));
    new look::DottedLine(client_, QStringLiteral("Line3"), {360, 1260}, {2040, 1260},
                         look::kRuleAmber);
    new look::DottedLine(client_, QStringLiteral("Line4"), {360, 480}, {2040, 480},
                         look::kRuleAmber);
    popup_label_ = AddLabel(client_, QStringLiteral("popup_label"), Twips(240, 120, 2055, 1815),
                            QString(), QFont());
    popup_label_->installEventFilter(this);

    for (QLabel *red : {label5, rilo_cd_})
        look::SetTextColor(red, look::kDarkRed);
}

void frmMain::BuildMenu() {
    mnuFile_ = new LeftButtonMenu(QStringLiteral("ファイル(&F)"), this);
    mnuFile_->setObjectName(QStringLiteral("mnuFile"));
    auto item = [this](const char *name, const QString &caption, void (frmMain::*slot)()) {
        QAction *action = mnuFile_->addAction(caption);
        action->setObjectName(QString::fromLatin1(name));
        connect(action, &QAction::triggered, this, slot);
        return action;
    };
    mnuData_ = item("mnuData", QStringLiteral("データ入力・変更(&D)"), &frmMain::mnuData_Click);
    mnuCrndr_ = item("mnuCrndr", QStringLiteral("カレンダー表示(&C)"), &frmMain::mnuCrndr_Click);
    mnuFile_->addSeparator()->setObjectName(QStringLiteral("Line1"));
    mnuTemae_ = item("mnuTemae", QStringLiteral("常に手前に表示(&T)"), &frmMain::mnuTemae_Click);
    mnuTemae_->setCheckable(true);
    mnuFile_->addSeparator()->setObjectName(QStringLiteral("Line2"));
    mnuEnd_ = item("mnuEnd", QStringLiteral("終了(&X)"), &frmMain::mnuEnd_Click);
}

void frmMain::Form_Load() {
    const settings::Snapshot file = settings::Snapshot::Read(state_.IniPath);
    settings::LoadStartupFlag(state_, file);
    // A due date never entered, or one the file no longer holds as a date, asks for it again.
    if (state_.StartupDone == 0 || !settings::HasStoredDueDate(file))
        ShowEntryDialog();

    ApplyShape();
    settings::LoadSettings(state_, file);
    PlaceWindow();

    const bool topmost = state_.Topmost;
    SetTopmost(topmost);
    mnuTemae_->setChecked(topmost);

    UpdateCountdown();
}

void frmMain::ApplyShape() {
    // A region rather than a bitmap painted and turned into a mask, which would start painting
    // threads.
    look::ApplyRoundedMask(this, kFace, kCornerDiameter);
}

void frmMain::PlaceWindow() {
    QPoint topLeft(PixelsFromTwips(state_.WinX), PixelsFromTwips(state_.WinY));
    // A face that no screen shows (a monitor unplugged since) could never be reached again:
    // bring it fully onto the primary screen. A partly visible face stays where it was.
    const QRect face = kFace.translated(topLeft);
    bool visible = false;
    for (const QScreen *screen : QGuiApplication::screens())
        visible = visible || screen->geometry().intersects(face);
    if (!visible) {
        if (const QScreen *primary = QGuiApplication::primaryScreen()) {
            const QRect area = primary->availableGeometry();
            const int x = std::clamp(face.left(), area.left(), area.right() + 1 - face.width());
            const int y = std::clamp(face.top(), area.top(), area.bottom() + 1 - face.height());
            topLeft = QPoint(x, y) - kFace.topLeft();
        }
    }
    move(topLeft);
    lastPlace_ = topLeft;
}

void frmMain::SetTopmost(bool on) {
    const QPoint place = KnownPlace();
    SetStaysOnTop(this, on);
    move(place);
    if (isVisible()) {
        raise();
        activateWindow();
    }
    // A secondary window open since start-up stays above the gadget as one opened from the menu.
    if (QWidget *secondary = OpenSecondary()) {
        SetStaysOnTop(secondary, on);
        if (secondary->isVisible()) {
            secondary->raise();
            secondary->activateWindow();
        }
    }
    settings::SaveTopmost(state_, on);
}

void frmMain::SaveWindowPosition() {
    SaveWindowPosition(KnownPlace());
}

// Where the window is once the window system shows it. Before that, pos() may hold a window
// manager's passing state (its frame's corner before the frame is moved into place), so the
// place the program asked for stands until the window is exposed.
QPoint frmMain::KnownPlace() const {
    const QWindow *handle = windowHandle();
    return handle && handle->isExposed() ? pos() : lastPlace_;
}

void frmMain::moveEvent(QMoveEvent *event) {
    const QWindow *handle = windowHandle();
    if (!event->spontaneous() || (handle && handle->isExposed()))
        lastPlace_ = pos();
    QWidget::moveEvent(event);
}

void frmMain::SaveWindowPosition(QPoint topLeft) {
    settings::SaveWindowPosition(state_, topLeft * look::kTwipsPerPixel);
}

void frmMain::UpdateCountdown() {
    const dates::Day today = env_.today();
    const auto texts = settings::CountdownFor(state_, today);
    const dates::CountdownTexts shown = texts.value_or(dates::CountdownTexts{});
    yotei_cd_->setText(shown.Sentence);
    rilo_cd_->setText(shown.Number);
    week_->setText(shown.Weeks);
    day_->setText(shown.Days);
    month_->setText(shown.Month);
    FitFaceTexts();
    setAccessibleDescription(dates::SpokenCountdown(texts));
    shownDay_ = today;
}

void frmMain::RefreshIfDayChanged() {
    if (shownDay_ != env_.today())
        UpdateCountdown();
}

// The secondary window is not made transient for the gadget: window managers minimize a
// transient window together with its parent, and the gadget would vanish with it. It shares the
// gadget's always-on-top layer instead, so it still opens above the gadget.
void frmMain::ShowSecondary(QWidget *window) {
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->winId();
    SetStaysOnTop(window, windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    window->show();
    window->raise();
    window->activateWindow();
    setEnabled(false);
}

QWidget *frmMain::OpenSecondary() const {
    for (QWidget *window : {static_cast<QWidget *>(entryDialog_.data()),
                            static_cast<QWidget *>(calendarWindow_.data())})
        if (window && !window->isHidden())
            return window;
    return nullptr;
}

void frmMain::RaiseSecondary() {
    if (QWidget *secondary = OpenSecondary()) {
        if (secondary->isMinimized())
            secondary->setWindowState(secondary->windowState() & ~Qt::WindowMinimized);
        secondary->show();
        secondary->raise();
        secondary->activateWindow();
    }
}

void frmMain::BringToFront() {
    if (unloaded_)
        return;
    ShowInFront(this);
    if (QWidget *secondary = OpenSecondary()) {
        ShowInFront(secondary);
        secondary->activateWindow();
    } else {
        activateWindow();
    }
}

void frmMain::ShowEntryDialog() {
    auto *dialog = new i_data(state_, env_);
    entryDialog_ = dialog;
    connect(dialog, &i_data::dueDateConfirmed, this, &frmMain::UpdateCountdown);
    connect(dialog, &i_data::unloaded, this, [this] { setEnabled(true); });
    ShowSecondary(dialog);
}

void frmMain::mnuData_Click() {
    ShowEntryDialog();
}

void frmMain::mnuCrndr_Click() {
    auto *window = new frmCrndr(state_, env_);
    calendarWindow_ = window;
    connect(window, &frmCrndr::unloaded, this, [this] { setEnabled(true); });
    ShowSecondary(window);
}

void frmMain::mnuTemae_Click() {
    // The action has already flipped its own check mark when triggered from the menu; the
    // window's state is what decides.
    const bool on = !windowFlags().testFlag(Qt::WindowStaysOnTopHint);
    SetTopmost(on);
    mnuTemae_->setChecked(on);
}

void frmMain::mnuEnd_Click() {
    close();
}

// Every ending comes here: 終了, the window manager's close, a termination signal, a logout.
// The place is saved first, while the display still answers. Open modal boxes are answered as
// Esc would and their loops return on their own; the secondary windows wait for that before
// they are destroyed, and the program quits once control is back in the main loop.
void frmMain::closeEvent(QCloseEvent *event) {
    event->accept();
    if (unloaded_)
        return;
    unloaded_ = true;
    disconnect(dayWatcher_, nullptr, this, nullptr);
    SaveWindowPosition();
    DismissModalWindows();
    if (entryDialog_)
        entryDialog_->close();
    if (calendarWindow_)
        calendarWindow_->close();
    Q_EMIT unloaded();
}

bool frmMain::eventFilter(QObject *watched, QEvent *event) {
    if (watched != popup_label_)
        return QWidget::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::MouseButtonRelease:
        break;
    default:
        return QWidget::eventFilter(watched, event);
    }
    // A disabled gadget (a secondary window is open) takes no mouse input; a click brings the
    // secondary window back instead, so that it can never be lost behind other windows.
    if (!isEnabled()) {
        if (event->type() == QEvent::MouseButtonPress)
            RaiseSecondary();
        return true;
    }
    auto *mouse = static_cast<QMouseEvent *>(event);
    if (event->type() == QEvent::MouseMove)
        popup_label_MouseMove(mouse->globalPosition());
    else if (event->type() == QEvent::MouseButtonRelease)
        popup_label_MouseUp();
    else
        popup_label_MouseDown(mouse->button(), mouse->position(), mouse->globalPosition());
    return true;
}

void frmMain::popup_label_MouseDown(Qt::MouseButton button, QPointF localPos, QPointF globalPos) {
    if (button == Qt::RightButton) {
        mnuFile_->popup(globalPos.toPoint());
        return;
    }
    // Where the window really is, from the pointer's place in it and on the screen: the
    // toolkit's idea of the position may lag behind the window manager's.
    DragStart_ = globalPos;
    DragWindowAt_ = (globalPos - localPos).toPoint() - popup_label_->mapTo(this, QPoint(0, 0));
    DragWindowNow_ = DragWindowAt_;
    Dragging_ = true;
}

void frmMain::popup_label_MouseMove(QPointF globalPos) {
    if (!Dragging_)
        return;
    // The window follows the pointer's movement since the press, vertically first.
    const QPoint target = DragWindowAt_ + (globalPos - DragStart_).toPoint();
    move(DragWindowNow_.x(), target.y());
    move(target);
    DragWindowNow_ = target;
    lastPlace_ = target;
}

void frmMain::popup_label_MouseUp() {
    if (Dragging_)
        SaveWindowPositionIfMoved();
    Dragging_ = false;
}

// A drag's end is stored at once, so that a program that never reaches its normal end (a killed
// session, a lost display, a power cut) keeps the last place. An unchanged place writes nothing.
// Where the drag put the window, not x() and y(): those follow the window manager's
// confirmation of the last move, which may not have arrived yet on a busy machine.
void frmMain::SaveWindowPositionIfMoved() {
    if (DragWindowNow_ != DragWindowAt_)
        SaveWindowPosition(DragWindowNow_);
}

// Minimizing a secondary window must never take the gadget with it: while one is open, the
// gadget is the user's way back to it.
void frmMain::changeEvent(QEvent *event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange && isMinimized() && OpenSecondary() &&
        !unloaded_)
        QMetaObject::invokeMethod(
            this, [this] { setWindowState(windowState() & ~Qt::WindowMinimized); },
            Qt::QueuedConnection);
}

// Keyboard and screen reader access to the face.

void frmMain::SetUpFaceAccess() {
    // The face takes the focus when clicked or activated, so the Menu key reaches it.
    setFocusPolicy(Qt::StrongFocus);
    look::RegisterFaceAccessible();
    setAccessibleName(QStringLiteral("りろ日記"));
}

void frmMain::ShowMenuAtFace() {
    if (isEnabled() && !mnuFile_->isVisible())
        mnuFile_->popup(mapToGlobal(kFace.center()));
}

void frmMain::keyPressEvent(QKeyEvent *event) {
    // Some platforms turn these keys into a context menu event as well; the menu opens once.
    const bool shiftF10 = event->key() == Qt::Key_F10 && event->modifiers() == Qt::ShiftModifier;
    if (event->key() == Qt::Key_Menu || shiftF10)
        ShowMenuAtFace();
    else
        QWidget::keyPressEvent(event);
}

void frmMain::contextMenuEvent(QContextMenuEvent *event) {
    // A right press on the face has opened the menu already (popup_label_MouseDown).
    if (event->reason() == QContextMenuEvent::Mouse) {
        event->ignore();
        return;
    }
    ShowMenuAtFace();
    event->accept();
}

// Every number drawn whole: a text too wide for its label first gets a smaller font, then room
// to the left over empty face, never over another label's text or beyond the rounded face.
void frmMain::FitFaceTexts() {
    const int faceLeft = kFace.left() - kClientOffset.x();
    const auto leftTo = [](int left, const QRect &box) {
        return QRect(QPoint(left, box.top()), box.bottomRight());
    };
    // "週" and "日" stand just right of week and day, "ヶ月目" right of month; left of week and
    // month the face is empty. day has "週" on its left.
    look::FitLabelText(week_, leftTo(faceLeft, look::DesignBox(week_)));
    look::FitLabelText(day_, look::DesignBox(day_));
    look::FitLabelText(month_, leftTo(faceLeft, look::DesignBox(month_)));
    look::FitLabelText(yotei_cd_, leftTo(faceLeft, look::DesignBox(yotei_cd_)));
    // The day count sits in the sentence's blank run, between its words and the closing "日".
    const QRect rilo = look::DesignBox(rilo_cd_);
    int riloLeft = rilo.left();
    const QString sentence = yotei_cd_->text();
    qsizetype blank = sentence.size() - 1;
    while (blank > 0 && sentence.at(blank - 1).isSpace())
        --blank;
    if (blank > 0 && blank < sentence.size() - 1) {
        const QFontMetricsF metrics(yotei_cd_->font());
        const qreal sentenceRight =
            yotei_cd_->geometry().left() + yotei_cd_->contentsRect().right() + 1;
        const qreal blankLeft = sentenceRight - metrics.horizontalAdvance(sentence) +
                                metrics.horizontalAdvance(sentence.left(blank));
        riloLeft = std::max(riloLeft, int(std::ceil(blankLeft)));
    }
    look::FitLabelText(rilo_cd_, leftTo(riloLeft, rilo));
}
