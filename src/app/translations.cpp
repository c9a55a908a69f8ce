#include "app/translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace app {

// Qt's own translations, where the system's Qt keeps them, else in the translations folder
// beside the program (the Windows zip carries them there).
bool InstallQtTranslations(QCoreApplication &app) {
    auto *translator = new QTranslator(&app);
    for (const QString &folder :
         {QLibraryInfo::path(QLibraryInfo::TranslationsPath),
          QCoreApplication::applicationDirPath() + QStringLiteral("/translations")}) {
        if (translator->load(QLocale(), QStringLiteral("qtbase"), QStringLiteral("_"), folder))
            return QCoreApplication::installTranslator(translator);
    }
    delete translator;
    return false;
}

} // namespace app
