#include "entry/i_data.h"

#include <QCloseEvent>

i_data::i_data(modRilo &state, const AppEnvironment &env, QWidget *parent)
    : QWidget(parent), state_(state), env_(env) {}

void i_data::setMessageBox(MessageBoxFn messageBox) {
    messageBox_ = std::move(messageBox);
}

void i_data::closeEvent(QCloseEvent *event) {
    Q_EMIT unloaded();
    event->accept();
}
