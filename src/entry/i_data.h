#pragma once

#include "entry/validation.h"
#include "settings/modrilo.h"
#include "ui/deferredclose.h"
#include "ui/environment.h"

#include <QWidget>

class QLineEdit;
class QPushButton;

namespace entry {

// The due-date entry dialog: year, month and day boxes and an OK button. Shown modeless; it
// shows the stored texts of the due date when created, stores the date and its milestones when
// OK accepts the input, and deletes itself when closed. Enter in any box presses OK; Esc closes the
// dialog as its close box does.
class i_data : public QWidget {
    Q_OBJECT
public:
    // Builds the dialog and runs Form_Load: the settings file at `state.IniPath` is read once,
    // for the due date's texts only; `state` changes only when a date is stored. Messages are
    // warning boxes of `env.dialogs`, and a due date far from `env.today()` is confirmed through
    // `env.dialogs.question` before it is stored. A window that disables itself while the dialog is
    // open must not be its parent: disabling a widget disables its child windows too.
    i_data(settings::modRilo &state, const ui::AppEnvironment &env, QWidget *parent = nullptr);

Q_SIGNALS:
    // The date was accepted and stored; the main window refreshes its countdown.
    void dueDateConfirmed();
    // The dialog is closing, whichever way; the main window enables itself again.
    void unloaded();

protected:
    void showEvent(QShowEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    // Form_Unload: reports the closing once and never refuses it. While a message box of the
    // dialog is open, the dialog hides and is destroyed only once the box has returned.
    void closeEvent(QCloseEvent *event) override;

private:
    void BuildControls();
    void Form_Load();
    void Command1_Click();
    QLineEdit *BoxFor(entry::Field field) const;
    static void SelectBox(QLineEdit *box);

    settings::modRilo &state_;
    ui::AppEnvironment env_;
    QLineEdit *yearBox_ = nullptr;
    QLineEdit *monthBox_ = nullptr;
    QLineEdit *dayBox_ = nullptr;
    QPushButton *okButton_ = nullptr;
    ui::DeferredClose deferredClose_;
};

} // namespace entry
