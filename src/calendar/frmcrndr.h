#pragma once

#include "settings/duedate.h"
#include "ui/deferredclose.h"
#include "ui/environment.h"

#include <QList>
#include <QString>
#include <QWidget>

#include <array>

class QLabel;
class QPushButton;

namespace calendar {

// The calendar window: the derived dates, and their export as a Shift-JIS text file. Created
// anew for every opening, it reads the starts of months 2 to 10 and the Day of the Dog from the
// settings file then and takes month 1's start and the due date from the gadget's state; it keeps
// what it read for its export and writes nothing into the state. A date that is missing or not a
// date leaves its label empty.
//
// Controls carry their design names as objectName: "Ctuki(1)" to "Ctuki(10)", "Cinu",
// "Cyoteibi", the captions "Label1(1)" to "Label1(11)" and "Label1(13)", the rules "Line(1)"
// to "Line(13)", and the buttons "btnPrint" and "btnOK". Esc closes it as its close box does.
class frmCrndr : public QWidget {
    Q_OBJECT
public:
    // The export asks for its file and reports a failure through `env.dialogs`.
    frmCrndr(const settings::modRilo &state, const ui::AppEnvironment &env,
             QWidget *parent = nullptr);

    // What a screen reader meets, in reading order: the twelve date labels from top to bottom,
    // each named with its row's caption and date ("3ヶ月 2005/09/19"), then the buttons, named
    // "保存" and "OK".
    // The captions and rules are left out; the window's accessible interface lists these instead
    // of its children, which stack in the design's order.
    QList<QWidget *> readingOrder() const;

Q_SIGNALS:
    // The window is closing, whichever way; the main window enables itself again.
    void unloaded();

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void BuildControls();
    void FillCalendar();
    void btnPrint_Click();

    const settings::CalendarDates dates_; // shown and exported
    ui::AppEnvironment env_;
    std::array<QLabel *, 10> monthStartLabels_{}; // [month - 1]: Ctuki(month)
    QLabel *dogDayLabel_ = nullptr;
    QLabel *dueDateLabel_ = nullptr;
    std::array<QLabel *, 12> rowDates_{}; // the date labels, top to bottom
    QPushButton *saveButton_ = nullptr;
    QPushButton *okButton_ = nullptr;
    QString lastFileName_; // the Save As dialog's memory while the window is open
    ui::DeferredClose deferredClose_;
};

} // namespace calendar
