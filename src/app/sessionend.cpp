#include "app/sessionend.h"

#include "gadget/frmmain.h"

#include <QEvent>
#include <QGuiApplication>
#include <QPointer>

namespace app {
namespace {

// The session's end comes as the application's Quit event (X11), or as aboutToQuit with no
// event loop left to run (Windows, where the process ends once the message is answered). The
// gadget closes before the toolkit closes windows in its own order.
class SessionEndFilter : public QObject {
public:
    SessionEndFilter(QGuiApplication &app, gadget::frmMain *gadget)
        : QObject(gadget), gadget_(gadget) {
        app.installEventFilter(this);
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override {
        if (event->type() == QEvent::Quit && watched == QCoreApplication::instance() && gadget_)
            gadget_->close();
        return false;
    }

private:
    QPointer<gadget::frmMain> gadget_;
};

} // namespace

void FollowSession(QGuiApplication &app, gadget::frmMain *gadget) {
    new SessionEndFilter(app, gadget);
    QObject::connect(&app, &QGuiApplication::commitDataRequest, gadget,
                     [gadget] { gadget->SaveWindowPosition(); });
    QObject::connect(&app, &QGuiApplication::aboutToQuit, gadget, [gadget] { gadget->close(); });
}

} // namespace app
