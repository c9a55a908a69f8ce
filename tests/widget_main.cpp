// Entry point of the widget tests: one QApplication on the offscreen platform, the shared fonts
// and Qt's translations for the locale, as the program sets them up.
#include "app/translations.h"
#include "ui/look.h"

#include <QApplication>

#include <gtest/gtest.h>

int main(int argc, char **argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    ::testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    app::InstallQtTranslations(app);
    ui::look::RegisterFontSubstitutes();
    return RUN_ALL_TESTS();
}
