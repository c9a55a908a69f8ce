#include "ui/accessible.h"

#include <QList>

namespace ui {

void InstallAccessibleFactory(QAccessible::InterfaceFactory factory) {
    static QList<QAccessible::InterfaceFactory> installed; // the GUI thread's only
    if (installed.contains(factory))
        return;
    installed.append(factory);
    QAccessible::installFactory(factory);
}

} // namespace ui
