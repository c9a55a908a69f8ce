#pragma once

#include <QMenu>

namespace gadget {

// A pop-up menu whose items are chosen with the left button only (and the keyboard). QMenu
// triggers the item under the pointer on the release of any button, so a right click on an item, or
// a right press on the face dragged onto an item, would run its command by accident.
class LeftButtonMenu : public QMenu {
    Q_OBJECT
public:
    explicit LeftButtonMenu(const QString &title, QWidget *parent = nullptr);

protected:
    void mouseReleaseEvent(QMouseEvent *event) override;
};

} // namespace gadget
