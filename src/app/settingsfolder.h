#pragma once

#include <QString>
#include <QStringList>

#include <optional>

namespace app {

// `--settings-dir <folder>` (or `--settings-dir=<folder>`): the program keeps its settings file in
// <folder> as if it had been started from there, so that a build run from its build folder can
// keep its data in a place that outlives the build (`make run` names the per-user folder). The
// usual location rules then apply to that folder. Other arguments are left alone.
struct SettingsFolderChoice {
    std::optional<QString> folder; // absolute; given, and now an existing folder
    QString error;                 // given but unusable: what is wrong, for the user
};

// Reads the option from the program's arguments and creates the folder when it is missing.
// Neither folder nor error when the option is absent.
SettingsFolderChoice SettingsFolderFromArguments(const QStringList &arguments);

} // namespace app
