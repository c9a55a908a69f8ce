#pragma once

class QCoreApplication;

namespace app {

// Installs Qt's own translations (qtbase_*.qm) for the system locale into `app`, so that the
// standard dialogs and the message-box buttons speak the user's language. The program's own
// texts are Japanese in every locale and are not translated. Without a translation for the
// locale, Qt's English texts stay. Returns whether a translation was installed.
bool InstallQtTranslations(QCoreApplication &app);

} // namespace app
