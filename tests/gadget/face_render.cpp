// Renders the gadget's visible face to a PNG, as the program sets it up (fonts, Qt's
// translations), under whatever locale it is started with; a test compares the faces that two
// locales draw.
//
//   face_render <program folder> <out.png>
//
// The program folder holds the rilo.ini to show; today is 2006/01/23. Ends with 0 when the
// picture was written, 1 otherwise.

#include "app/translations.h"
#include "gadget/frmmain.h"
#include "ui/environment.h"
#include "ui/look.h"

#include <QApplication>
#include <QImage>

int main(int argc, char *argv[]) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc != 3)
        return 1;
    app::InstallQtTranslations(app);
    ui::look::RegisterFontSubstitutes();

    using namespace std::chrono;
    settings::modRilo state;
    const QString folder = QString::fromLocal8Bit(argv[1]);
    settings::ResolveIniPath(state, folder, folder + QStringLiteral("/user"));
    ui::AppEnvironment env;
    env.today = [] { return dates::Day(sys_days(2006y / January / 23)); };
    gadget::frmMain window(state, env);
    window.show();
    // The face: the window's rounded region, 130 x 120 pixels from (20, 25).
    const QImage face = window.grab(QRect(20, 25, 130, 120)).toImage();
    return face.save(QString::fromLocal8Bit(argv[2]), "PNG") ? 0 : 1;
}
