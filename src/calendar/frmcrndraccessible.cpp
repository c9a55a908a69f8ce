#include "calendar/frmcrndraccessible.h"

#include "calendar/frmcrndr.h"
#include "ui/accessible.h"

#include <QAccessibleWidget>

namespace calendar {
namespace {

class CalendarAccessible : public QAccessibleWidget {
public:
    explicit CalendarAccessible(frmCrndr *window)
        : QAccessibleWidget(window, QAccessible::Dialog) {}

    int childCount() const override { return int(Children().size()); }

    QAccessibleInterface *child(int index) const override {
        const QList<QWidget *> children = Children();
        if (index < 0 || index >= children.size())
            return nullptr;
        return QAccessible::queryAccessibleInterface(children[index]);
    }

    int indexOfChild(const QAccessibleInterface *child) const override {
        if (!child)
            return -1;
        return int(Children().indexOf(qobject_cast<QWidget *>(child->object())));
    }

private:
    QList<QWidget *> Children() const { return static_cast<frmCrndr *>(widget())->readingOrder(); }
};

QAccessibleInterface *CalendarFactory(const QString &className, QObject *object) {
    if (className == QLatin1String(frmCrndr::staticMetaObject.className())) {
        if (auto *window = qobject_cast<frmCrndr *>(object))
            return new CalendarAccessible(window);
    }
    return nullptr;
}

} // namespace

void InstallAccessibleFactory() {
    ui::InstallAccessibleFactory(&CalendarFactory);
}

} // namespace calendar
