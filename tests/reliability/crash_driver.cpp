// Drives the real windows on the offscreen platform through one kind of settings write, over and
// over, so that a test can kill it at any moment and look at what the file holds.
//
//   crash_driver <folder> confirm|topmost|shutdown [operations]
//
// The program folder is <folder>, with its rilo.ini prepared by the caller (a due date already
// entered, so no entry dialog opens at start). Each operation moves the stored values from one
// known state to the other:
//   confirm   the entry dialog from the menu, with 2007/12/24 and 2006/5/1 in turn, then O K;
//   topmost   the always-on-top menu item;
//   shutdown  a new gadget, moved to (300, 200) or (200, 100) in turn, then closed.
// When the first operation starts, "r" is written to fd 3 if the caller passed one. Without a
// count it runs until killed; with one it ends with 0 after that many operations. A message box
// (a failed save) ends it with 3, anything unexpected with 2.

#include "entry/i_data.h"
#include "gadget/frmmain.h"
#include "ui/environment.h"
#include "ui/look.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QWindow>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>

#include <fcntl.h>
#include <unistd.h>

namespace {

struct DueDate {
    const char *year, *month, *day;
};
constexpr DueDate kDueDates[2] = {{"2007", "12", "24"}, {"2006", "5", "1"}};
constexpr QPoint kPlaces[2] = {{300, 200}, {200, 100}};

[[noreturn]] void Fail(const char *what) {
    std::fprintf(stderr, "crash_driver: %s\n", what);
    std::_Exit(2);
}

void SettleEvents() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
}

// Shows the gadget and waits until the window system shows it, as before any move she makes: a
// place is the window system's to tell from then on.
void ShowExposed(QWidget &window) {
    window.show();
    while (!window.windowHandle()->isExposed())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

// Only an fd 3 open from the start is the caller's: later ones are the toolkit's own.
void AnnounceStart(bool toCaller) {
    if (toCaller) {
        [[maybe_unused]] const auto written = ::write(3, "r", 1);
        ::close(3);
    }
}

void Confirm(gadget::frmMain &window, const DueDate &date) {
    window.findChild<QAction *>(QStringLiteral("mnuData"))->trigger();
    entry::i_data *dialog = window.entryDialog();
    if (!dialog)
        Fail("the entry dialog did not open");
    dialog->findChild<QLineEdit *>(QStringLiteral("yo_y"))->setText(QString::fromLatin1(date.year));
    dialog->findChild<QLineEdit *>(QStringLiteral("yo_m"))
        ->setText(QString::fromLatin1(date.month));
    dialog->findChild<QLineEdit *>(QStringLiteral("yo_d"))->setText(QString::fromLatin1(date.day));
    dialog->findChild<QPushButton *>(QStringLiteral("Command1"))->click();
    SettleEvents();
}

} // namespace

int main(int argc, char **argv) {
    const bool callerWaits = ::fcntl(3, F_GETFD) != -1;
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    if (argc < 3)
        Fail("usage: crash_driver <folder> confirm|topmost|shutdown [operations]");
    ui::look::RegisterFontSubstitutes();

    const QString folder = QString::fromLocal8Bit(argv[1]);
    const std::string operation = argv[2];
    const long count = argc > 3 ? std::strtol(argv[3], nullptr, 10) : -1;

    ui::AppEnvironment env;
    env.today = [] { return dates::Day(std::chrono::year(2006) / 1 / 1); };
    env.dialogs.question = [](QWidget *, const QString &, const QString &) { return true; };
    env.dialogs.messageBox = [](QWidget *, const QString &prompt, const QString &,
                                ui::MessageIcon) {
        std::fprintf(stderr, "crash_driver: message box: %s\n", qPrintable(prompt));
        std::_Exit(3);
    };
    settings::modRilo state;
    settings::ResolveIniPath(state, folder, QDir(folder).filePath(QStringLiteral("user")));

    auto window = std::make_unique<gadget::frmMain>(state, env);
    ShowExposed(*window);
    if (window->entryDialog())
        Fail("the entry dialog opened at start: the prepared file has no due date");

    std::function<void(long)> step;
    if (operation == "confirm") {
        step = [&](long i) { Confirm(*window, kDueDates[i % 2]); };
    } else if (operation == "topmost") {
        step = [&](long) {
            window->findChild<QAction *>(QStringLiteral("mnuTemae"))->trigger();
            SettleEvents();
        };
    } else if (operation == "shutdown") {
        step = [&](long i) {
            if (!window) {
                window = std::make_unique<gadget::frmMain>(state, env);
                ShowExposed(*window);
            }
            window->move(kPlaces[i % 2]);
            window->close();
            window.reset();
            SettleEvents();
        };
    } else {
        Fail("unknown operation");
    }

    AnnounceStart(callerWaits);
    for (long i = 0; count < 0 || i < count; ++i)
        step(i);
    return 0;
}
