#include "gadget/faceaccessible.h"

#include "gadget/frmmain.h"
#include "ui/accessible.h"

#include <QAccessibleWidget>
#include <QWidget>

namespace gadget {
namespace {

class FaceAccessible : public QAccessibleWidget {
public:
    explicit FaceAccessible(QWidget *face) : QAccessibleWidget(face, QAccessible::Window) {}

    int childCount() const override { return 0; }
    QAccessibleInterface *child(int) const override { return nullptr; }
    int indexOfChild(const QAccessibleInterface *) const override { return -1; }
    QAccessibleInterface *childAt(int, int) const override { return nullptr; }
};

QAccessibleInterface *FaceFactory(const QString &className, QObject *object) {
    if (className == QLatin1String(frmMain::staticMetaObject.className()) && object &&
        object->isWidgetType())
        return new FaceAccessible(static_cast<QWidget *>(object));
    return nullptr;
}

} // namespace

void RegisterFaceAccessible() {
    ui::InstallAccessibleFactory(FaceFactory);
}

} // namespace gadget
