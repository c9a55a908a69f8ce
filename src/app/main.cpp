#include "app/environment.h"
#include "app/frmmain.h"
#include "app/look.h"
#include "app/shutdownsignals.h"
#include "app/singleinstance.h"

#include <QApplication>

int main(int argc, char *argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("varadadid"));
    QApplication::setQuitOnLastWindowClosed(false);

    SingleInstance instance;
    if (!instance.TryAcquire())
        return 0;

    look::RegisterFontSubstitutes();
    modRilo state;
    AppEnvironment env;
    env.programFolder = QApplication::applicationDirPath();

    frmMain window(state, env);
    QObject::connect(&window, &frmMain::unloaded, &app, &QApplication::quit, Qt::QueuedConnection);
    QObject::connect(&app, &QGuiApplication::commitDataRequest, &window, &QWidget::close);
    CloseOnTerminationSignals(&window);
    window.show();
    return app.exec();
}
