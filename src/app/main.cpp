#include "app/environment.h"
#include "app/frmmain.h"
#include "app/look.h"
#include "app/platformchoice.h"
#include "app/shutdownsignals.h"
#include "app/singleinstance.h"

#include <QApplication>
#include <QIcon>
#include <QImageReader>

int main(int argc, char *argv[]) {
#ifdef Q_OS_LINUX
    if (ShouldPreferXcb(qEnvironmentVariableIsSet("WAYLAND_DISPLAY"), qgetenv("QT_QPA_PLATFORM"),
                        argc, argv))
        qputenv("QT_QPA_PLATFORM", kXcbFirstPlatforms);
#endif
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("varadadid"));
    QApplication::setDesktopFileName(QStringLiteral("varadadid"));
    // Read as PNG outright: a reader left to guess the format loads every image format plugin.
    QIcon icon;
    for (const QString &file : {QStringLiteral(":/icons/varadadid-32.png"),
                                QStringLiteral(":/icons/varadadid-256.png")}) {
        QImageReader reader(file, "png");
        reader.setAutoDetectImageFormat(false);
        icon.addPixmap(QPixmap::fromImage(reader.read()));
    }
    QApplication::setWindowIcon(icon);
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
