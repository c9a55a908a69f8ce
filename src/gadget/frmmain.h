#pragma once

#include "dates/datetext.h"
#include "gadget/facedrag.h"
#include "gadget/windowplace.h"
#include "settings/modrilo.h"
#include "ui/environment.h"

#include <QPointF>
#include <QWidget>

#include <optional>

class QAction;
class QMenu;

namespace calendar {
class frmCrndr;
}
namespace entry {
class i_data;
}

namespace gadget {

class DayChangeWatcher;
class Face;
class SecondaryWindows;

// The gadget: a small rounded face on the desktop with the countdown and the pregnancy week, day
// and month. Dragged by its face; the right button opens its menu.
class frmMain : public QWidget {
    Q_OBJECT
public:
    // Loads the window: reads the settings file at state.IniPath once, opens the entry dialog when
    // no due date was entered yet, places the window, applies always-on-top and fills the
    // countdown.
    frmMain(settings::modRilo &state, const ui::AppEnvironment &env);
    ~frmMain() override;

    // Refills the five status labels from the due and start dates and today.
    void UpdateCountdown();
    // Switches always-on-top, keeps the place, stores the choice.
    void SetTopmost(bool on);
    // Stores the window's position in twips.
    void SaveWindowPosition();
    // Refreshes the countdown when the date has changed since it was last shown; asked at each
    // local midnight, clock step, resume and change of time zone.
    void RefreshIfDayChanged();
    // Brings the gadget and its open secondary window to the front on the current desktop,
    // restored if minimized; the secondary window gets the focus.
    void BringToFront();

    QMenu *popupMenu() const { return mnuFile_; }
    entry::i_data *entryDialog() const;
    calendar::frmCrndr *calendarWindow() const;

public Q_SLOTS:
    void mnuData_Click();
    void mnuCrndr_Click();
    void mnuTemae_Click();
    void mnuEnd_Click();

Q_SIGNALS:
    // The window and its secondary windows are unloaded; the program ends.
    void unloaded();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;
    void moveEvent(QMoveEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;

private:
    void Form_Load();
    void BuildMenu();
    void ApplyShape();
    static bool CanPlaceItself();
    void PlaceWindow();
    void ApplyTopmost(bool on);
    void ShowEntryDialog();
    void SetUpFaceAccess();
    void ShowMenuAtFace();

    void popup_label_MouseDown(Qt::MouseButton button, QPointF localPos, QPointF globalPos);
    void popup_label_MouseMove(QPointF globalPos);
    void popup_label_MouseUp();
    void SaveWindowPosition(QPoint topLeft);

    settings::modRilo &state_;
    ui::AppEnvironment env_;

    Face *face_ = nullptr;

    QMenu *mnuFile_ = nullptr;
    QAction *mnuData_ = nullptr;
    QAction *mnuCrndr_ = nullptr;
    QAction *mnuTemae_ = nullptr;
    QAction *mnuEnd_ = nullptr;

    SecondaryWindows *secondaries_ = nullptr;
    FaceDrag drag_{this};
    // Where the window is, and whether that place may be stored.
    WindowPlace place_;

    bool focusedBefore_ = false; // the start's own activation shows no focus mark
    DayChangeWatcher *dayWatcher_ = nullptr;
    std::optional<dates::Day> shownDay_;
    bool unloaded_ = false;
};

} // namespace gadget
