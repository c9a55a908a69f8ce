#pragma once

#include <QAccessible>

namespace ui {

// Installs a factory of accessible interfaces for screen readers once per process, however many
// windows built since ask for it. Each window asks as it is built, so a window built without the
// program's main() (a test's) is described as the program's is.
void InstallAccessibleFactory(QAccessible::InterfaceFactory factory);

} // namespace ui
