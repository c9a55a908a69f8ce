#pragma once

#include "app/environment.h"
#include "settings/modrilo.h"

#include <QWidget>

// The calendar window: the derived dates, and their export as a Shift-JIS text file.
class frmCrndr : public QWidget {
    Q_OBJECT
public:
    frmCrndr(modRilo &state, const AppEnvironment &env, QWidget *parent = nullptr);

Q_SIGNALS:
    // The window is closing, whichever way; the main window enables itself again.
    void unloaded();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    modRilo &state_;
    AppEnvironment env_;
};
