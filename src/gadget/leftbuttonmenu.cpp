#include "gadget/leftbuttonmenu.h"

#include <QMouseEvent>

namespace gadget {

LeftButtonMenu::LeftButtonMenu(const QString &title, QWidget *parent) : QMenu(title, parent) {}

void LeftButtonMenu::mouseReleaseEvent(QMouseEvent *event) {
    if (event->button() != Qt::LeftButton && actionAt(event->position().toPoint())) {
        event->accept(); // the menu stays open and nothing is triggered
        return;
    }
    QMenu::mouseReleaseEvent(event);
}

} // namespace gadget
