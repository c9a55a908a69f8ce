#pragma once

class QWidget;

namespace app {

// Catches SIGTERM, SIGHUP and SIGINT on Unix, the way a desktop session ends its programs, from
// as early in the start as possible. A signal that arrives before the window exists is kept.
void CatchTerminationSignals();

// Closes `window` (so it saves its position as at any close) on a caught signal, including one
// caught before this call.
void CloseOnTerminationSignals(QWidget *window);

} // namespace app
