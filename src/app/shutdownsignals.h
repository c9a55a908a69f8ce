#pragma once

class QWidget;

// Closes `window` (so it saves its position as at any close) when the process is asked to end:
// SIGTERM, SIGHUP or SIGINT on Unix, the way a desktop session ends its programs.
void CloseOnTerminationSignals(QWidget *window);
