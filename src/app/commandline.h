#pragma once

#include <QString>
#include <QStringList>

#include <optional>

namespace app {

// What the program's arguments ask for. `--settings-dir <folder>` (or `--settings-dir=<folder>`)
// keeps the settings file in <folder> as if the program had been started from there, so that a
// build run from its build folder can keep its data in a place that outlives the build (`make
// run` names the per-user folder); the usual location rules then apply to that folder.
// `--help` and `--version` ask for those texts. Arguments the program does not know are left
// alone, as a desktop may pass its own.
struct CommandLine {
    std::optional<QString> settingsFolder; // absolute; given, and now an existing folder
    QString error;                         // an unusable --settings-dir: what is wrong
    std::optional<QString> output;         // the --help or --version text to print, then end
};

// Reads the arguments and creates the settings folder when it is missing.
CommandLine ParseCommandLine(const QStringList &arguments);

// True when the arguments ask for --help or --version, which are answered without a display.
bool AsksForText(int argc, const char *const *argv);

// The program's name and version, as --version and the window system know them.
void SetApplicationIdentity();

} // namespace app
