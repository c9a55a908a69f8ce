// Renders the gadget's visible face to a PNG, as the program sets it up (fonts, Qt's
// translations), under whatever locale it is started with; a test compares the faces that two
// locales draw. Under a scale factor (QT_SCALE_FACTOR=2) it shows the face at device resolution
// as a compositor does: the window translucent, as on Wayland, and what it paints within its own
// mask over black, so that the picture shows the rounded corners as they reach the screen.
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
#include <QPainter>

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
    // The face: the window's rounded region, 130 x 120 pixels from (20, 25).
    const QRect faceRect(20, 25, 130, 120);
    const qreal ratio = window.devicePixelRatioF();
    if (ratio != 1.0)
        window.setAttribute(Qt::WA_TranslucentBackground);
    window.show();
    if (ratio == 1.0) {
        const QImage face = window.grab(faceRect).toImage();
        return face.save(QString::fromLocal8Bit(argv[2]), "PNG") ? 0 : 1;
    }
    QImage face(faceRect.size() * ratio, QImage::Format_ARGB32_Premultiplied);
    face.setDevicePixelRatio(ratio);
    face.fill(Qt::black);
    {
        QPainter painter(&face);
        window.render(&painter, QPoint(), QRegion(faceRect), QWidget::DrawChildren);
    }
    return face.save(QString::fromLocal8Bit(argv[2]), "PNG") ? 0 : 1;
}
