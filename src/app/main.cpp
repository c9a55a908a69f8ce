#include "app/frmmain.h"
#include "app/platformchoice.h"
#include "app/sessionend.h"
#include "app/settingsfolder.h"
#include "app/shutdownsignals.h"
#include "app/singleinstance.h"
#include "app/translations.h"
#include "ui/environment.h"
#include "ui/look.h"
#include "settings/modrilo.h"

#include <QApplication>
#include <QIcon>
#include <QImageReader>
#include <QPixmapCache>

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
    // No pixmap cache: the window icon would be its only entry, and a filled cache wakes the
    // program 30 s later to age it out. The windows are small enough to draw without one.
    QPixmapCache::setCacheLimit(0);
    QApplication::setQuitOnLastWindowClosed(false);
    const SettingsFolderChoice settingsFolder =
        SettingsFolderFromArguments(QApplication::arguments());
    if (!settingsFolder.error.isEmpty()) {
        qCritical("varadadid: %s", qUtf8Printable(settingsFolder.error));
        return 2;
    }

    // A second start brings the running gadget forward and ends without writing anything.
    SingleInstance instance;
    if (!instance.TryAcquire()) {
        instance.AskRunningCopyToShow();
        return 0;
    }

    InstallQtTranslations(app);
    look::RegisterFontSubstitutes();
    // The settings file is found once, for the whole run: its folder rules start from the
    // program's folder, for which --settings-dir stands in.
    modRilo state;
    settings::ResolveIniPath(state,
                             settingsFolder.folder.value_or(QApplication::applicationDirPath()));
    AppEnvironment env;

    frmMain window(state, env);
    QObject::connect(&window, &frmMain::unloaded, &app, &QApplication::quit, Qt::QueuedConnection);
    QObject::connect(&instance, &SingleInstance::showRequested, &window, &frmMain::BringToFront);
    CloseOnLogout(app, &window);
    CloseOnTerminationSignals(&window);
    window.show();
    return app.exec();
}
