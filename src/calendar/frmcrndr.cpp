#include "calendar/frmcrndr.h"

#include <QCloseEvent>

frmCrndr::frmCrndr(modRilo &state, const AppEnvironment &env, QWidget *parent)
    : QWidget(parent), state_(state), env_(env) {}

void frmCrndr::closeEvent(QCloseEvent *event) {
    Q_EMIT unloaded();
    event->accept();
}
