#pragma once

class QGuiApplication;

namespace gadget {
class frmMain;
}

namespace app {

// Lets the desktop session's manager decide the gadget's life. A request to save (a checkpoint,
// or a logout that may still be cancelled) stores the gadget's place and leaves it running; the
// session's actual end (the manager's Die on X11, the end of the session on Windows) closes it as
// 終了 does, open dialogs answered first.
void FollowSession(QGuiApplication &app, gadget::frmMain *gadget);

} // namespace app
