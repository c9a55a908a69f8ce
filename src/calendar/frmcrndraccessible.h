#pragma once

// The calendar window's accessible interface: a dialog, its children in reading order (each row's
// date label, which carries the row's caption in its name, top to bottom, then the buttons),
// instead of the stacking order in which Qt lists child widgets. Installed once per process;
// frmCrndr installs it when the first window is built.
namespace calendar {

void InstallAccessibleFactory();

} // namespace calendar
