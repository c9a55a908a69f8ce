#pragma once

#include "dates/milestones.h"
#include "entry/validation.h"
#include "settings/modrilo.h"
#include "ui/deferredclose.h"
#include "ui/environment.h"

#include <QWidget>

class QLineEdit;
class QPushButton;

namespace entry {

// The due-date entry dialog: year, month and day boxes and an OK button. Shown modeless; it
// shows the stored texts of the due date when created, stores the date and its milestones in the
// settings file when OK accepts the input and reports them, and deletes itself when closed. Enter
// in any box presses OK; Esc closes the dialog as its close box does.
class i_data : public QWidget {
    Q_OBJECT
public:
    // Builds the dialog and runs Form_Load: the settings file at `state.IniPath` is read once,
    // for the due date's texts only; the dialog never changes `state`. Messages are
    // warning boxes of `env.dialogs`, and a due date far from `env.today()` is confirmed through
    // `env.dialogs.question` before it is stored. A window that disables itself while the dialog is
    // open must not be its parent: disabling a widget disables its child windows too.
    i_data(const settings::modRilo &state, const ui::AppEnvironment &env,
           QWidget *parent = nullptr);

Q_SIGNALS:
    // The date was accepted and stored, or could not be written and is in effect for this run
    // only: the due date and the dates derived from it. The main window takes them in.
    void dueDateConfirmed(const dates::Milestones &confirmed);
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

    const settings::modRilo &state_;
    ui::AppEnvironment env_;
    QLineEdit *yearBox_ = nullptr;
    QLineEdit *monthBox_ = nullptr;
    QLineEdit *dayBox_ = nullptr;
    QPushButton *okButton_ = nullptr;
    ui::DeferredClose deferredClose_;
};

} // namespace entry
