#include "app/settingsfolder.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>

namespace app {

SettingsFolderChoice SettingsFolderFromArguments(const QStringList &arguments) {
    const QCommandLineOption option(QStringLiteral("settings-dir"),
                                    QStringLiteral("Keeps rilo.ini in <folder>."),
                                    QStringLiteral("folder"));
    QCommandLineParser parser;
    parser.addOption(option);
    // Unknown arguments are no error: the program took none before this option.
    parser.parse(arguments);
    SettingsFolderChoice choice;
    if (!parser.isSet(option))
        return choice;
    const QString folder = parser.value(option);
    if (folder.isEmpty()) {
        choice.error = QStringLiteral("--settings-dir needs a folder");
        return choice;
    }
    const QFileInfo info(folder);
    if (info.exists() && !info.isDir()) {
        choice.error = QStringLiteral("--settings-dir %1: not a folder").arg(folder);
        return choice;
    }
    if (!info.exists() && !QDir().mkpath(folder)) {
        choice.error = QStringLiteral("--settings-dir %1: cannot create this folder").arg(folder);
        return choice;
    }
    choice.folder = info.absoluteFilePath();
    return choice;
}

} // namespace app
