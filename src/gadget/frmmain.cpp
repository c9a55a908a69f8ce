#include "gadget/frmmain.h"

#include "calendar/frmcrndr.h"
#include "dates/countdown.h"
#include "entry/i_data.h"
#include "gadget/daychange.h"
#include "gadget/face.h"
#include "gadget/faceaccessible.h"
#include "gadget/leftbuttonmenu.h"
#include "gadget/roundedmask.h"
#include "gadget/secondarywindows.h"
#include "gadget/windowstate.h"
#include "settings/duedate.h"
#include "settings/twips.h"
#include "ui/log.h"
#include "ui/look.h"
#include "ui/modalwindows.h"

#include <QAction>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QFocusEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QMoveEvent>
#include <QPainter>
#include <QWindow>

namespace gadget {

using ui::lcGadget;

frmMain::frmMain(settings::modRilo &state, const ui::AppEnvironment &env)
    : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint), state_(state), env_(env),
      place_(this, env.windowSystemPlace) {
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(QStringLiteral("varadadid"));
    setFixedSize(kWindowSize);
    ui::look::ApplyWindowLook(this);
    SetUpFaceAccess();
    face_ = new Face(this);
    face_->popupLabel()->installEventFilter(this);
    secondaries_ = new SecondaryWindows(this);
    BuildMenu();
    dayWatcher_ = new DayChangeWatcher(this);
    connect(dayWatcher_, &DayChangeWatcher::dayMayHaveChanged, this, &frmMain::RefreshIfDayChanged);
    // On Wayland what a window does not paint shows black: the corners outside the rounded face
    // stay transparent instead.
    if (!CanPlaceItself())
        setAttribute(Qt::WA_TranslucentBackground);
    winId(); // the native window exists from here on, so flags change in place
    windowHandle()->installEventFilter(this); // its first exposure: the window system shows it
    Form_Load();
}

frmMain::~frmMain() = default;

entry::i_data *frmMain::entryDialog() const {
    return secondaries_->entryDialog();
}

calendar::frmCrndr *frmMain::calendarWindow() const {
    return secondaries_->calendarWindow();
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
    if (!settings::SaveTopmost(state_, topmost, &file)) // the flag as it was read
        qCWarning(lcGadget) << "could not store the topmost flag in" << state_.IniPath;
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
    const QPoint topLeft =
        ReachablePlace(settings::PixelsFromTwips(QPoint(state_.WinX, state_.WinY)), kFaceRect);
    move(topLeft);
    // A move to where a new window already is, (0, 0), leaves its native window "placed by the
    // window manager", which then puts it where it likes; the place is the program's own.
    if (QWindow *handle = windowHandle())
        handle->setPosition(topLeft);
    place_.Asked(topLeft);
}

void frmMain::SetTopmost(bool on) {
    ApplyTopmost(on);
    if (!settings::SaveTopmost(state_, on))
        qCWarning(lcGadget) << "could not store the topmost flag in" << state_.IniPath;
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
    secondaries_->SetStaysOnTop(on);
}

void frmMain::SaveWindowPosition() {
    if (const std::optional<QPoint> place = place_.Storable())
        SaveWindowPosition(*place);
}

// The window system's reports of a move: a drag's end that it had not carried out yet when the
// button was released is stored again once it has.
void frmMain::moveEvent(QMoveEvent *event) {
    if (event->spontaneous())
        if (const std::optional<QPoint> place = place_.Reported())
            SaveWindowPosition(*place);
    QWidget::moveEvent(event);
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
    if (!settings::SaveWindowPosition(state_, settings::TwipsFromPixels(topLeft)))
        qCWarning(lcGadget) << "could not store the window's place in" << state_.IniPath;
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

void frmMain::BringToFront() {
    secondaries_->BringToFront();
}

void frmMain::ShowEntryDialog() {
    auto *dialog = new entry::i_data(state_, env_);
    connect(dialog, &entry::i_data::dueDateConfirmed, this,
            [this](const dates::Milestones &confirmed) {
                settings::TakeDueDate(state_, confirmed);
                UpdateCountdown();
            });
    secondaries_->Show(dialog);
}

void frmMain::mnuData_Click() {
    ShowEntryDialog();
}

void frmMain::mnuCrndr_Click() {
    secondaries_->Show(new calendar::frmCrndr(state_, env_));
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
    secondaries_->CloseAll();
    Q_EMIT unloaded();
}

bool frmMain::eventFilter(QObject *watched, QEvent *event) {
    if (watched == windowHandle() && event->type() == QEvent::Expose && windowHandle()->isExposed())
        place_.Shown();
    if (watched != face_->popupLabel())
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
            secondaries_->Raise();
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
    face_->ShowFocusMark(false);
    if (button == Qt::RightButton) {
        mnuFile_->popup(globalPos.toPoint());
        return;
    }
    // A window that cannot place itself is moved by the window system, which follows the
    // pointer itself; where it ends up is not the program's to know.
    if (!place_.ProgramMoves()) {
        if (QWindow *handle = windowHandle())
            handle->startSystemMove();
        return;
    }
    // Where the window really is, from the pointer's place in it and on the screen: the
    // toolkit's idea of the position may lag behind the window manager's.
    drag_.Start(globalPos,
                (globalPos - localPos).toPoint() - face_->popupLabel()->mapTo(this, QPoint(0, 0)));
}

void frmMain::popup_label_MouseMove(QPointF globalPos) {
    drag_.Follow(globalPos);
}

// A drag's end is stored at once, so that a program that never reaches its normal end (a killed
// session, a lost display, a power cut) keeps the last place. An unchanged place writes nothing.
void frmMain::popup_label_MouseUp() {
    if (const std::optional<QPoint> end = drag_.End())
        if (const std::optional<QPoint> place = place_.DragEnded(*end))
            SaveWindowPosition(*place);
}

// Keyboard and screen reader access to the face.

void frmMain::SetUpFaceAccess() {
    // The face takes the focus when clicked or activated, so the Menu key reaches it.
    setFocusPolicy(Qt::StrongFocus);
    RegisterFaceAccessible();
    setAccessibleName(ui::look::kProgramTitle);
}

void frmMain::ShowMenuAtFace() {
    if (isEnabled() && !mnuFile_->isVisible())
        mnuFile_->popup(mapToGlobal(kFaceRect.center()));
}

// The face marks the keyboard's focus as a button does: when she comes to it from the keyboard
// (switching windows, closing a window), not at the program's start nor from a click, and the
// mark goes while the pointer works on the face.
void frmMain::focusInEvent(QFocusEvent *event) {
    const Qt::FocusReason reason = event->reason();
    if (focusedBefore_ && reason != Qt::MouseFocusReason && reason != Qt::PopupFocusReason)
        face_->ShowFocusMark(true);
    focusedBefore_ = true;
    QWidget::focusInEvent(event);
}

void frmMain::focusOutEvent(QFocusEvent *event) {
    if (event->reason() != Qt::PopupFocusReason)
        face_->ShowFocusMark(false);
    QWidget::focusOutEvent(event);
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

} // namespace gadget
