#include "app/frmmain.h"
#include "app/platformchoice.h"
#include "app/sessionend.h"
#include "app/shutdownsignals.h"
#include "app/singleinstance.h"
#include "app/translations.h"
#include "ui/environment.h"
#include "ui/look.h"

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
    CatchTerminationSignals();
    QApplication::setApplicationName(QStringLiteral("varadadid"));
    QApplication::setDesktopFileName(QStringLiteral("varadadid"));
    // The windows carry the 32 x 32 icon only (menus take the larger ones from the icon theme).
    // Read as PNG outright: a reader left to guess the format loads every image format plugin.
    QImageReader iconReader(QStringLiteral(":/icons/varadadid-32.png"), "png");
    iconReader.setAutoDetectImageFormat(false);
    QApplication::setWindowIcon(QIcon(QPixmap::fromImage(iconReader.read())));
    QApplication::setQuitOnLastWindowClosed(false);

    // A second start brings the running gadget forward and ends without writing anything.
    SingleInstance instance;
    if (!instance.TryAcquire()) {
        instance.AskRunningCopyToShow();
        return 0;
    }

    InstallQtTranslations(app);
    look::RegisterFontSubstitutes();
    modRilo state;
    AppEnvironment env;
    env.programFolder = QApplication::applicationDirPath();

    frmMain window(state, env);
    QObject::connect(&window, &frmMain::unloaded, &app, &QApplication::quit, Qt::QueuedConnection);
    QObject::connect(&instance, &SingleInstance::showRequested, &window, &frmMain::BringToFront);
    CloseOnLogout(app, &window);
    CloseOnTerminationSignals(&window);
    window.show();
    return app.exec();
}
