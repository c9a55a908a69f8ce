#pragma once

#include <QString>
#include <QStringList>

#include <optional>

namespace app {

// What the program's arguments ask for. `--settings-dir <folder>` (or `--settings-dir=<folder>`)
// keeps the settings file in <folder> as if the program had been started from there, so that a
// build run from its build folder can keep its data in a place that outlives the build (`make
// run` names the per-user folder); the usual location rules then apply to that folder.
// `--help` and `--version` ask for those texts. Qt's own options (-platform, -style, -session
// and the like) pass; any other option, and any argument that is no option (the program takes
// none), is an error, so that a mistyped one does not start the program on a settings file it
// was not meant to use.
struct CommandLine {
    std::optional<QString> settingsFolder; // absolute; given, and now an existing folder
    QString error;                         // what is wrong with the arguments
    QString usage; // with an unknown option or a stray argument: the help text, for stderr
    std::optional<QString> output; // the --help or --version text to print, then end
    bool quit = false;             // --quit: ask a running copy to end, wait for it, and end
};

// Reads the arguments and creates the settings folder when it is missing (never when the
// arguments hold an unknown option or a stray argument).
CommandLine ParseCommandLine(const QStringList &arguments);

// True when the arguments are answered without a display: they ask for --help, --version or
// --quit, or hold an unknown option or a stray argument.
bool AnswersWithoutDisplay(int argc, const char *const *argv);

// The program's name and version, as --version and the window system know them.
void SetApplicationIdentity();

} // namespace app
