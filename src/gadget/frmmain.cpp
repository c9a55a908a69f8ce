#include "gadget/frmmain.h"

#include "calendar/frmcrndr.h"
#include "dates/countdown.h"
#include "entry/i_data.h"
#include "gadget/daychange.h"
#include "gadget/face.h"
#include "gadget/leftbuttonmenu.h"
#include "gadget/roundedmask.h"
#include "gadget/windowstate.h"
#include "settings/duedate.h"
#include "ui/look.h"
#include "ui/modalwindows.h"

#include <QAction>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QMenu>
#include <QMoveEvent>
#include <QPainter>
#include <QScreen>
#include <QWindow>

#include <cmath>

namespace gadget {

frmMain::frmMain(settings::modRilo &state, const ui::AppEnvironment &env)
    : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint), state_(state), env_(env),
      place_(!CanPlaceItself()) {
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(QStringLiteral("varadadid"));
    setFixedSize(kWindowSize);
    ui::look::ApplyWindowLook(this);
    SetUpFaceAccess();
    face_ = new Face(this);
    face_->popupLabel()->installEventFilter(this);
    BuildMenu();
    dayWatcher_ = new DayChangeWatcher(this);
    connect(dayWatcher_, &DayChangeWatcher::dayMayHaveChanged, this, &frmMain::RefreshIfDayChanged);
    // On Wayland what a window does not paint shows black: the corners outside the rounded face
    // stay transparent instead.
    if (!CanPlaceItself())
        setAttribute(Qt::WA_TranslucentBackground);
    winId(); // the native window exists from here on, so flags change in place
    windowHandle()->installEventFilter(this); // its exposures tell where the window system put it
    Form_Load();
}

frmMain::~frmMain() {
    delete entryDialog_;
    delete calendarWindow_;
}

entry::i_data *frmMain::entryDialog() const {
    return entryDialog_.data();
}

calendar::frmCrndr *frmMain::calendarWindow() const {
    return calendarWindow_.data();
}

int frmMain::PixelsFromTwips(double twips) {
    return int(std::nearbyint(twips / ui::look::kTwipsPerPixel)); // default rounding: ties to even
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
    ApplyTopmost(topmost);
    settings::SaveTopmost(state_, topmost, &file); // the flag as it was read
    mnuTemae_->setChecked(topmost);

    UpdateCountdown();
}

void frmMain::ApplyShape() {
    // A region rather than a bitmap painted and turned into a mask, which would start painting
    // threads.
    ApplyRoundedMask(this, kFaceRect, kCornerDiameter);
}

bool frmMain::CanPlaceItself() {
    return QGuiApplication::platformName() != QLatin1String("wayland");
}

void frmMain::PlaceWindow() {
    if (!CanPlaceItself())
        return; // Wayland: the compositor places the window; Qt's idea of it stays at its origin
    QPoint topLeft(PixelsFromTwips(state_.WinX), PixelsFromTwips(state_.WinY));
    // A face that no screen shows (a monitor unplugged since) could never be reached again:
    // bring it fully onto the primary screen. A partly visible face stays where it was.
    const QRect face = kFaceRect.translated(topLeft);
    bool visible = false;
    for (const QScreen *screen : QGuiApplication::screens())
        visible = visible || screen->geometry().intersects(face);
    if (!visible) {
        if (const QScreen *primary = QGuiApplication::primaryScreen()) {
            const QRect area = primary->availableGeometry();
            const int x = std::clamp(face.left(), area.left(), area.right() + 1 - face.width());
            const int y = std::clamp(face.top(), area.top(), area.bottom() + 1 - face.height());
            topLeft = QPoint(x, y) - kFaceRect.topLeft();
        }
    }
    move(topLeft);
    // A move to where a new window already is, (0, 0), leaves its native window "placed by the
    // window manager", which then puts it where it likes; the place is the program's own.
    if (QWindow *handle = windowHandle())
        handle->setPosition(topLeft);
    place_.Ask(topLeft);
}

void frmMain::SetTopmost(bool on) {
    ApplyTopmost(on);
    settings::SaveTopmost(state_, on);
}

void frmMain::ApplyTopmost(bool on) {
    // The window stays where it is; one the window system places is left to it.
    const std::optional<QPoint> place = place_.Storable();
    SetStaysOnTop(this, on);
    if (place)
        move(*place);
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
}

void frmMain::SaveWindowPosition() {
    ConfirmPlace();
    if (const std::optional<QPoint> place = place_.Storable())
        SaveWindowPosition(*place);
}

// The window system's reports of where the window is, and the program's own moves of the shown
// window. A move sent while the window is being shown only repeats the place it then has,
// which may be a report that came before it was shown.
void frmMain::moveEvent(QMoveEvent *event) {
    const QWindow *handle = windowHandle();
    if (event->spontaneous())
        place_.Seen(pos(), handle && handle->isExposed());
    else if (isVisible())
        place_.Ask(pos());
    QWidget::moveEvent(event);
}

// A shown window not yet seen where the program put it is looked for once more, at the window
// system itself: a window manager may have moved it into place without its report having arrived
// (a busy machine). A compositor that places windows itself, or whose coordinates are not the
// screen's, never shows it there, and the stored place is then left as it is.
void frmMain::ConfirmPlace() {
    const QWindow *handle = windowHandle();
    if (!place_.Confirmed() && handle && handle->isExposed())
        place_.Seen(WindowSystemPlace(this), true);
}

// A translucent window draws no background of its own, and its mask does not clip what it
// shows: the rounded face is painted here, the rest of the window left transparent.
void frmMain::paintEvent(QPaintEvent *event) {
    if (testAttribute(Qt::WA_TranslucentBackground)) {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        painter.setBrush(palette().color(QPalette::Window));
        const qreal radius = kCornerDiameter / 2.0;
        painter.drawRoundedRect(QRectF(kFaceRect), radius, radius);
    }
    QWidget::paintEvent(event);
}

void frmMain::SaveWindowPosition(QPoint topLeft) {
    settings::SaveWindowPosition(state_, topLeft * ui::look::kTwipsPerPixel);
}

void frmMain::UpdateCountdown() {
    const dates::Day today = env_.today();
    const auto texts = settings::CountdownFor(state_, today);
    const dates::CountdownTexts shown = texts.value_or(dates::CountdownTexts{});
    face_->Show(shown);
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
    auto *dialog = new entry::i_data(state_, env_);
    entryDialog_ = dialog;
    connect(dialog, &entry::i_data::dueDateConfirmed, this, &frmMain::UpdateCountdown);
    connect(dialog, &entry::i_data::unloaded, this, [this] { setEnabled(true); });
    ShowSecondary(dialog);
}

void frmMain::mnuData_Click() {
    ShowEntryDialog();
}

void frmMain::mnuCrndr_Click() {
    auto *window = new calendar::frmCrndr(state_, env_);
    calendarWindow_ = window;
    connect(window, &calendar::frmCrndr::unloaded, this, [this] { setEnabled(true); });
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
    ui::DismissModalWindows();
    if (entryDialog_)
        entryDialog_->close();
    if (calendarWindow_)
        calendarWindow_->close();
    Q_EMIT unloaded();
}

} // namespace gadget
