// The yardstick for the gadget's start-up, memory and idle figures: the least a Qt Widgets program
// of the same shape does. One frameless tool window of the gadget's size with one label, built
// with the same compiler, flags and build type, shown under its own title.
#include <QApplication>
#include <QLabel>
#include <QWidget>

int main(int argc, char *argv[]) {
    QApplication app(argc, argv);
    QWidget window(nullptr, Qt::Tool | Qt::FramelessWindowHint);
    window.setWindowTitle(QStringLiteral("baseline"));
    window.setFixedSize(188, 172);
    QLabel label(QStringLiteral("baseline"), &window);
    label.move(40, 60);
    window.show();
    return app.exec();
}
