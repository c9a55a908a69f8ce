#include "app/commandline.h"
#include "app/platformchoice.h"
#include "app/sessionend.h"
#include "app/shutdownsignals.h"
#include "app/singleinstance.h"
#include "app/translations.h"
#include "entry/i_data.h"
#include "gadget/frmmain.h"
#include "gadget/windowstate.h"
#include "settings/modrilo.h"
#include "ui/environment.h"
#include "ui/log.h"
#include "ui/look.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QIcon>
#include <QImageReader>
#include <QPixmapCache>

#include <cstdio>

int main(int argc, char *argv[]) {
#ifdef Q_OS_LINUX
    if (app::ShouldPreferXcb(qEnvironmentVariableIsSet("WAYLAND_DISPLAY"),
                             qgetenv("QT_QPA_PLATFORM"), argc, argv))
        qputenv("QT_QPA_PLATFORM", app::kXcbFirstPlatforms);
#endif
    // Help, the version and a mistyped option are answered on the terminal, before anything
    // connects to a display or touches a file.
    if (app::AnswersWithoutDisplay(argc, argv)) {
        QCoreApplication core(argc, argv);
        app::SetApplicationIdentity();
        const app::CommandLine line = app::ParseCommandLine(QCoreApplication::arguments());
        if (!line.error.isEmpty()) {
            std::fprintf(stderr, "varadadid: %s\n\n%s", qUtf8Printable(line.error),
                         qUtf8Printable(line.usage));
            return 2;
        }
        // An installer about to replace the program ends the running gadget first, cleanly, and
        // learns whether to start it again: 0 it ended, 3 none ran, 1 it still runs.
        if (line.quit && !line.output) {
            using Quit = app::SingleInstance::QuitResult;
            const app::SingleInstance running(app::SingleInstance::DefaultLockPath(),
                                              app::SingleInstance::DefaultChannelName());
            switch (running.AskRunningCopyToQuit(std::chrono::seconds(30))) {
            case Quit::Ended:
                return 0;
            case Quit::NoneRan:
                return 3;
            case Quit::StillRuns:
                std::fputs("varadadid: the running copy did not end\n", stderr);
                return 1;
            }
        }
        std::fputs(qUtf8Printable(line.output.value_or(QString())), stdout);
        return 0;
    }
#ifdef Q_OS_LINUX
    const QByteArray bus = app::SessionBusOverride(
        qgetenv("DBUS_SESSION_BUS_ADDRESS"),
        QFileInfo::exists(qEnvironmentVariable("XDG_RUNTIME_DIR") + QStringLiteral("/bus")));
    if (!bus.isEmpty())
        qputenv("DBUS_SESSION_BUS_ADDRESS", bus);
#endif
    QApplication app(argc, argv);
    app::CatchTerminationSignals();
    app::SetApplicationIdentity();
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
    const app::CommandLine commandLine = app::ParseCommandLine(QApplication::arguments());
    if (!commandLine.error.isEmpty()) {
        qCritical("varadadid: %s", qUtf8Printable(commandLine.error));
        return 2;
    }

    // A second start brings the running gadget forward and ends without writing anything. Started
    // on another settings folder, it says which settings file the running copy keeps instead.
    app::SingleInstance instance(app::SingleInstance::DefaultLockPath(),
                                 app::SingleInstance::DefaultChannelName());
    if (!instance.TryAcquire()) {
        const std::optional<QString> running = instance.AskRunningCopyToShow();
        if (!running) {
            // Its channel is gone or takes no request: nothing comes forward, so at least the
            // terminal says why.
            std::fputs(
                "varadadid: a copy is already running, but cannot be asked to come forward\n",
                stderr);
            return 0;
        }
        if (!commandLine.settingsFolder)
            return 0;
        if (running->isEmpty())
            std::fputs("varadadid: a copy is already running\n", stderr);
        else if (QFileInfo(*running).absolutePath() != *commandLine.settingsFolder)
            std::fprintf(stderr,
                         "varadadid: a copy is already running, with the settings file %s\n",
                         qUtf8Printable(QDir::toNativeSeparators(*running)));
        return 0;
    }

    app::InstallQtTranslations(app);
    ui::look::RegisterFontSubstitutes();
    // The settings file is found once, for the whole run: its folder rules start from the
    // program's folder, for which --settings-dir stands in.
    settings::modRilo state;
    settings::ResolveIniPath(
        state, commandLine.settingsFolder.value_or(QApplication::applicationDirPath()),
        settings::DefaultUserConfigFolder());
    instance.SetSettingsPath(state.IniPath);
    qCDebug(ui::lcApp) << "settings file" << state.IniPath;
    ui::AppEnvironment env;

    gadget::frmMain window(state, env);
    QObject::connect(&window, &gadget::frmMain::unloaded, &app, &QApplication::quit,
                     Qt::QueuedConnection);
    QObject::connect(&instance, &app::SingleInstance::showRequested, &window,
                     &gadget::frmMain::BringToFront);
    QObject::connect(&instance, &app::SingleInstance::quitRequested, &window, &QWidget::close,
                     Qt::QueuedConnection);
    app::FollowSession(app, &window);
    app::CloseOnTerminationSignals(&window);
    // She may be typing in another program while the gadget starts: the face comes up above it
    // without taking the keyboard, and below the entry dialog that a first start opens.
    gadget::ShowAboveActiveWindow(&window, window.entryDialog());
    return app.exec();
}
