#pragma once

#include "app/environment.h"
#include "settings/modrilo.h"

#include <QWidget>

#include <functional>

class QLineEdit;
class QPushButton;

// The due-date entry dialog.
class i_data : public QWidget {
    Q_OBJECT
public:
    // Shows a modal message box: prompt, title, over `parent`.
    using MessageBoxFn =
        std::function<void(QWidget *parent, const QString &prompt, const QString &title)>;

    i_data(modRilo &state, const AppEnvironment &env, QWidget *parent = nullptr);

    void setMessageBox(MessageBoxFn messageBox);

Q_SIGNALS:
    // The date was accepted and stored; the main window refreshes its countdown.
    void dueDateConfirmed();
    // The dialog is closing, whichever way; the main window enables itself again.
    void unloaded();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    modRilo &state_;
    AppEnvironment env_;
    MessageBoxFn messageBox_;
};
