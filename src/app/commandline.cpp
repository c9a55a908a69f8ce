#include "app/commandline.h"

#include "ui/look.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace app {

namespace {

// The parser with the program's options, and Qt's own (QGuiApplication's and QApplication's,
// hidden from the help) so that those are known before QApplication has taken them out.
struct Parser {
    Parser() {
        parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
        parser.setApplicationDescription(
            ui::look::kProgramTitle +
            QStringLiteral(": the days left to the expected due date, on the desktop."));
        parser.addOption(settingsDir);
        parser.addOption(quit);
        for (const char *name :
             {"platform", "platformpluginpath", "platformtheme", "plugin", "qmljsdebugger",
              "qwindowgeometry", "geometry", "qwindowicon", "icon", "qwindowtitle", "title",
              "session", "display", "name", "style", "stylesheet"})
            AddQtOption(name, QStringLiteral("value"));
        for (const char *name : {"reverse", "widgetcount", "nograb", "dograb", "sync"})
            AddQtOption(name, QString());
    }
    void AddQtOption(const char *name, const QString &valueName) {
        QCommandLineOption option(QString::fromLatin1(name), QString(), valueName);
        option.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(option);
    }

    QCommandLineParser parser;
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    const QCommandLineOption settingsDir{
        QStringLiteral("settings-dir"),
        QStringLiteral("Keeps the settings file rilo.ini in <folder>, created when missing."),
        QStringLiteral("folder")};
    const QCommandLineOption quit{
        QStringLiteral("quit"),
        QStringLiteral(
            "Asks the running copy to end as its menu's 終了 does, and waits until it "
            "has (at most 30 s). Exits 0 when it ended, 3 when none ran, 1 when it still "
            "runs.")};
};

} // namespace

bool AnswersWithoutDisplay(int argc, const char *const *argv) {
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    Parser p;
    p.parser.parse(arguments);
    return p.parser.isSet(p.help) || p.parser.isSet(p.version) || p.parser.isSet(p.quit) ||
           !p.parser.unknownOptionNames().isEmpty() || !p.parser.positionalArguments().isEmpty();
}

void SetApplicationIdentity() {
    QCoreApplication::setApplicationName(QStringLiteral("varadadid"));
    QCoreApplication::setApplicationVersion(QStringLiteral(VARADADID_VERSION));
}

CommandLine ParseCommandLine(const QStringList &arguments) {
    Parser p;
    QCommandLineParser &parser = p.parser;
    const QCommandLineOption &help = p.help, &version = p.version, &settingsDir = p.settingsDir;
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
    if (!parser.unknownOptionNames().isEmpty()) {
        result.error = parser.errorText();
        result.usage = parser.helpText();
        return result;
    }
    // The program takes no file or other word: a stray one is a mistake, as an unknown option is.
    if (const QStringList stray = parser.positionalArguments(); !stray.isEmpty()) {
        result.error = stray.size() == 1
                           ? QStringLiteral("Unexpected argument '%1'.").arg(stray.first())
                           : QStringLiteral("Unexpected arguments: %1.").arg(stray.join(u", "));
        result.usage = parser.helpText();
        return result;
    }
    result.quit = parser.isSet(p.quit);
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
