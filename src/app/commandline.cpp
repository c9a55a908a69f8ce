#include "app/commandline.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace app {

bool AsksForText(int argc, const char *const *argv) {
    for (int i = 1; i < argc; ++i) {
        const QByteArrayView arg(argv[i]);
        if (arg == "--") // what follows is no option
            return false;
        for (const char *option : {"-h", "-?", "--help", "--help-all", "-v", "--version"})
            if (arg == option)
                return true;
    }
    return false;
}

void SetApplicationIdentity() {
    QCoreApplication::setApplicationName(QStringLiteral("varadadid"));
    QCoreApplication::setApplicationVersion(QStringLiteral(VARADADID_VERSION));
}

CommandLine ParseCommandLine(const QStringList &arguments) {
    const QCommandLineOption settingsDir(
        QStringLiteral("settings-dir"),
        QStringLiteral("Keeps the settings file rilo.ini in <folder>, created when missing."),
        QStringLiteral("folder"));
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("りろ日記: the days left to the expected due date, on the desktop."));
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    parser.addOption(settingsDir);
    parser.parse(arguments);

    CommandLine result;
    if (parser.isSet(help)) {
        result.output = parser.helpText();
        return result;
    }
    if (parser.isSet(version)) {
        result.output = QCoreApplication::applicationName() + u' ' +
                        QCoreApplication::applicationVersion() + u'\n';
        return result;
    }
    if (!parser.isSet(settingsDir))
        return result;
    const QString folder = parser.value(settingsDir);
    if (folder.isEmpty()) {
        result.error = QStringLiteral("--settings-dir needs a folder");
        return result;
    }
    const QFileInfo info(folder);
    if (info.exists() && !info.isDir()) {
        result.error = QStringLiteral("--settings-dir %1: not a folder").arg(folder);
        return result;
    }
    if (!info.exists() && !QDir().mkpath(folder)) {
        result.error = QStringLiteral("--settings-dir %1: cannot create this folder").arg(folder);
        return result;
    }
    result.settingsFolder = info.absoluteFilePath();
    return result;
}

} // namespace app
