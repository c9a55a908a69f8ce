#include "app/sessionend.h"
#include "calendar/frmcrndr.h"
#include "entry/i_data.h"
#include "gadget/daychange.h"
#include "gadget/frmmain.h"
#include "gadget/roundedmask.h"
#include "ui/look.h"

#include "settings/inikeys.h"
#include "settings/twips.h"

#include "../testdata.h"
#include "../testutil.h"

#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QFontInfo>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QLocalSocket>
#include <QLockFile>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QProcess>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QtGui/private/qguiapplication_p.h>
#include <qpa/qplatformwindow.h>
#include <qpa/qwindowsysteminterface.h>
#include <qpa/qwindowsysteminterface_p.h>

#include <memory>
#include <tuple>

namespace {

using namespace std::chrono;

const QByteArray kDue20051010 = "start_up=1\r\nyoteibi=2005/10/10\r\nhajime=2005/01/03\r\n";

class FrmMain : public TempFolderTest {
protected:
    std::unique_ptr<gadget::frmMain> Load(const QByteArray &riloini, bool show = true) {
        if (!riloini.isNull())
            WriteBytes(Path(QStringLiteral("rilo.ini")), "[riloini]\r\n" + riloini);
        state_ = {};
        settings::ResolveIniPath(state_, Folder(), Path(QStringLiteral("user")));
        ui::AppEnvironment env;
        env.today = [this] { return today_; };
        env.dialogs = dialogs_;
        env.windowSystemPlace = windowSystem_;
        auto window = std::make_unique<gadget::frmMain>(state_, env);
        if (show) {
            window->show();
            EXPECT_TRUE(QTest::qWaitForWindowExposed(window.get()));
        }
        return window;
    }
    QByteArray Key(const char *key) {
        return settings::ini::ReadString(Path(QStringLiteral("rilo.ini")), "riloini", key,
                                         "(missing)");
    }
    static QString Text(const gadget::frmMain &w, const char *name) {
        return w.findChild<QLabel *>(QString::fromLatin1(name))->text();
    }
    static QLabel *Face(const gadget::frmMain &w) {
        return w.findChild<QLabel *>(QStringLiteral("popup_label"));
    }
    // Sends a mouse event to the face at a point given in the face's own coordinates.
    static void Mouse(gadget::frmMain &w, QEvent::Type type, Qt::MouseButton button, QPoint local,
                      Qt::MouseButtons held = Qt::NoButton) {
        QLabel *face = Face(w);
        const QPointF global = face->mapToGlobal(QPointF(local));
        QMouseEvent event(type, QPointF(local), global, button, held, Qt::NoModifier);
        QApplication::sendEvent(face, &event);
    }

    settings::modRilo state_;
    dates::Day today_ = D(2005, 10, 9);
    ui::Dialogs dialogs_; // the real ones unless a test answers them
    // Where the window system shows the window: the platform's own answer unless a test answers.
    std::function<std::optional<QPoint>(const QWidget *)> windowSystem_;
};

TEST_F(FrmMain, ShowsTheCountdownOfTheStoredDates) {
    struct Row {
        dates::Day today;
        const char *sentence, *number, *week, *day, *month;
    };
    const std::vector<Row> rows = {
        {D(2005, 10, 9), "あと 　　日", "1", "39", "6", "10"},
        {D(2005, 10, 10), "今日は予定日です", "", "40", "0", "11"},
        {D(2005, 10, 13), "予定日から 　　日", "3", "40", "3", "11"},
    };
    for (const Row &row : rows) {
        today_ = row.today;
        const auto w = Load(kDue20051010);
        EXPECT_EQ(Text(*w, "yotei_cd"), QString::fromUtf8(row.sentence));
        EXPECT_EQ(Text(*w, "rilo_cd"), QString::fromUtf8(row.number));
        EXPECT_EQ(Text(*w, "week"), QString::fromUtf8(row.week));
        EXPECT_EQ(Text(*w, "day"), QString::fromUtf8(row.day));
        EXPECT_EQ(Text(*w, "month"), QString::fromUtf8(row.month));
    }
}

TEST_F(FrmMain, StartupOpensTheEntryDialogOnlyWithoutAUsableDueDate) {
    struct Row {
        const char *name;
        QByteArray riloini; // null: no file at all
        bool dialog;
    };
    const std::vector<Row> rows = {
        {"first run", "start_up=0\r\nyoteibi=2005/10/10\r\nhajime=2005/01/03\r\n", true},
        {"no start_up key", "yoteibi=2005/10/10\r\nhajime=2005/01/03\r\n", false},
        {"done", kDue20051010, false},
        {"no file", QByteArray(), true},
        {"garbled due date", "start_up=1\r\nyoteibi=2005/13/10\r\nhajime=2005/01/03\r\n", true},
        {"no start date", "start_up=1\r\nyoteibi=2005/10/10\r\n", true},
    };
    for (const Row &row : rows) {
        QFile::remove(Path(QStringLiteral("rilo.ini")));
        const auto w = Load(row.riloini);
        EXPECT_EQ(w->entryDialog() != nullptr, row.dialog) << row.name;
        EXPECT_EQ(w->isEnabled(), !row.dialog) << row.name;
        if (row.dialog && w->entryDialog()) {
            EXPECT_TRUE(w->entryDialog()->isVisible()) << row.name;
        }
    }
}

TEST_F(FrmMain, NoUsableDatesShowEmptyTextsNotTheDesignTexts) {
    const auto w = Load("start_up=1\r\nyoteibi=りろ\r\n");
    for (const char *name : {"yotei_cd", "rilo_cd", "week", "day", "month"})
        EXPECT_EQ(Text(*w, name), QString()) << name;
}

// At a first start the entry dialog, open before the flag is applied, shares the gadget's layer.
TEST_F(FrmMain, StoredTopmostFlagIsAppliedAndRewritten) {
    struct Row {
        const char *stored; // nullptr: no key
        bool on;
        bool firstStart = false;
    };
    for (const Row &row : std::vector<Row>{{"1", true},
                                           {"0", false},
                                           {"2", false},
                                           {"-1", false},
                                           {"abc", false},
                                           {nullptr, false},
                                           {"1", true, true},
                                           {"0", false, true}}) {
        QByteArray ini = row.firstStart ? QByteArray("start_up=0\r\n") : kDue20051010;
        if (row.stored)
            ini += QByteArray("temae=") + row.stored + "\r\n";
        const auto w = Load(ini);
        const char *label = row.stored ? row.stored : "(missing)";
        ASSERT_EQ(w->entryDialog() != nullptr, row.firstStart) << label;
        if (row.firstStart) {
            EXPECT_EQ(w->entryDialog()->windowFlags().testFlag(Qt::WindowStaysOnTopHint), row.on)
                << label;
        }
        EXPECT_EQ(w->windowFlags().testFlag(Qt::WindowStaysOnTopHint), row.on) << label;
        EXPECT_EQ(w->findChild<QAction *>(QStringLiteral("mnuTemae"))->isChecked(), row.on)
            << label;
        EXPECT_EQ(Key("temae"), row.on ? "1" : "0") << label;
        EXPECT_EQ(state_.Topmost, row.on);
    }
}

TEST_F(FrmMain, TopmostToggleTwiceReturnsToTheFirstState) {
    const auto w = Load(kDue20051010 + "temae=0\r\nwin_x=1500\r\nwin_y=3000\r\n");
    auto *temae = w->findChild<QAction *>(QStringLiteral("mnuTemae"));
    temae->trigger();
    EXPECT_TRUE(w->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_TRUE(temae->isChecked());
    EXPECT_EQ(Key("temae"), "1");
    EXPECT_EQ(w->pos(), QPoint(100, 200)); // keeps its place
    // A window opened from the menu shares the gadget's layer.
    w->findChild<QAction *>(QStringLiteral("mnuCrndr"))->trigger();
    EXPECT_TRUE(w->calendarWindow()->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    w->calendarWindow()->close();
    temae->trigger();
    EXPECT_FALSE(w->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_FALSE(temae->isChecked());
    EXPECT_EQ(Key("temae"), "0");
    EXPECT_TRUE(w->isVisible());
}

TEST_F(FrmMain, PlacesTheWindowAtTheStoredTwips) {
    struct Row {
        QByteArray keys;
        QPoint expected;
    };
    const std::vector<Row> rows = {
        {"win_x=3000\r\nwin_y=1500\r\n", {200, 100}},
        {"", {1, 1}},                                 // 16 twips each
        {"win_x=337.5\r\nwin_y=352\r\n", {22, 23}},   // integer read: 337 twips, 352 twips
        {"win_x=-300\r\nwin_y=-150\r\n", {-20, -10}}, // partly visible: kept
    };
    for (const Row &row : rows) {
        const auto w = Load(kDue20051010 + row.keys);
        EXPECT_EQ(w->pos(), row.expected) << row.keys.constData();
        // A click that moves nothing leaves the stored place as it was written.
        const QByteArray stored = ReadBytes(Path(QStringLiteral("rilo.ini")));
        Mouse(*w, QEvent::MouseButtonPress, Qt::LeftButton, {50, 50}, Qt::LeftButton);
        Mouse(*w, QEvent::MouseButtonRelease, Qt::LeftButton, {50, 50});
        EXPECT_EQ(ReadBytes(Path(QStringLiteral("rilo.ini"))), stored) << row.keys.constData();
    }
    EXPECT_EQ(settings::PixelsFromTwips(337.5), 22); // 22.5 rounds to even
    EXPECT_EQ(settings::PixelsFromTwips(352.5), 24); // 23.5 rounds to even
}

// The place stored is where the window system shows the face when she drags it or the program
// ends, whatever the program asked for: a window manager brings a face that no screen shows onto
// the screen, keeps it off the screen's edge, or still has to report its move. What it reports
// before the window shows (a frame's corner) is a passing state, and a window system that places
// windows itself (Wayland) tells no place to store. The test plays the window system: it answers
// with the native window's place, as the X server does, and its reports reach the toolkit as the
// X11 platform delivers them, or are still on their way.
TEST_F(FrmMain, ThePlaceStoredIsWhereTheWindowSystemShowsTheFace) {
    enum class End { Close, CloseBeforeShown, Drag };
    struct Row {
        const char *name;
        QByteArray stored;
        std::optional<QPoint> passing; // reported before the window shows
        std::optional<QPoint> movedTo; // where the window manager puts the shown window
        bool reported;                 // whether that move has reached the toolkit
        End end;
        const char *x, *y;
        bool placesItself = false;
    };
    const QPoint corner(190, 80);
    const std::optional<QPoint> none;
    // 30000/15000 twips lie beyond the offscreen screen's 800 x 600: the program first brings the
    // face onto it at (650, 455); the window manager then keeps it above a bottom panel.
    const Row rows[] = {
        {"beyond the right and bottom edges, moved onto the screen, closed",
         "win_x=30000\r\nwin_y=15000\r\n", none, QPoint(630, 430), true, End::Close, "9450",
         "6450"},
        {"beyond the right and bottom edges, moved onto the screen, dragged",
         "win_x=30000\r\nwin_y=15000\r\n", none, QPoint(630, 430), true, End::Drag, "9600", "6750"},
        {"a negative place moved onto the screen, closed", "win_x=-300\r\nwin_y=3000\r\n", none,
         QPoint(0, 200), true, End::Close, "0", "3000"},
        {"a negative place moved onto the screen, dragged", "win_x=-300\r\nwin_y=3000\r\n", none,
         QPoint(0, 200), true, End::Drag, "150", "3300"},
        {"kept off the top edge, the report still on its way, closed",
         "win_x=3000\r\nwin_y=-300\r\n", none, QPoint(200, 0), false, End::Close, "3000", "0"},
        {"a frame's corner reported before shown, closed before shown",
         "win_x=3007\r\nwin_y=1507\r\n", corner, none, false, End::CloseBeforeShown, "3000",
         "1500"},
        {"a frame's corner reported before shown, moved into place, closed",
         "win_x=3007\r\nwin_y=1507\r\n", corner, QPoint(200, 100), true, End::Close, "3000",
         "1500"},
        {"a frame's corner reported before shown, moved into place, dragged",
         "win_x=3007\r\nwin_y=1507\r\n", corner, QPoint(200, 100), true, End::Drag, "3150", "1800"},
        {"shown at the frame's corner and left there, closed", "win_x=3007\r\nwin_y=1507\r\n",
         corner, none, false, End::Close, "2850", "1200"},
        {"a window system that places windows itself, closed", "win_x=3007\r\nwin_y=1507\r\n", none,
         QPoint(0, 0), true, End::Close, "3007", "1507", true},
        {"a window system that places windows itself, dragged", "win_x=3007\r\nwin_y=1507\r\n",
         none, QPoint(0, 0), true, End::Drag, "3007", "1507", true},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        windowSystem_ = [&](const QWidget *shown) -> std::optional<QPoint> {
            if (row.placesItself)
                return std::nullopt;
            return shown->windowHandle()->handle()->geometry().topLeft();
        };
        const auto w = Load(kDue20051010 + row.stored, /*show=*/false);
        QWindow *window = w->windowHandle();
        // A window manager's move: the native place first, then, once its report arrives, the
        // toolkit is told, as by the X11 platform.
        const auto move = [&](QPoint at, bool reported) {
            window->handle()->QPlatformWindow::setGeometry(QRect(at, window->size()));
            if (reported)
                QWindowSystemInterface::handleGeometryChange<
                    QWindowSystemInterface::SynchronousDelivery>(window, QRect(at, w->size()));
        };
        if (row.passing)
            move(*row.passing, true);
        w->show();
        // The offscreen platform's own report of the place, queued with the exposure, is
        // dropped: the window manager's reports are the test's.
        auto &queue = QWindowSystemInterfacePrivate::windowSystemEventQueue;
        while (const auto *event =
                   queue.peekAtFirstOfType(QWindowSystemInterfacePrivate::GeometryChange))
            queue.remove(event);
        // The window manager places the window as it maps it, before it shows.
        if (row.movedTo)
            move(*row.movedTo, row.reported);
        if (row.end == End::CloseBeforeShown)
            ASSERT_FALSE(window->isExposed());
        else
            ASSERT_TRUE(QTest::qWaitForWindowExposed(w.get()));
        if (row.end == End::Drag) {
            Mouse(*w, QEvent::MouseButtonPress, Qt::LeftButton, {50, 50}, Qt::LeftButton);
            Mouse(*w, QEvent::MouseMove, Qt::NoButton, {60, 70}, Qt::LeftButton);
            Mouse(*w, QEvent::MouseButtonRelease, Qt::LeftButton, {60, 70});
        } else {
            w->findChild<QAction *>(QStringLiteral("mnuEnd"))->trigger();
        }
        EXPECT_EQ(Key("win_x"), row.x);
        EXPECT_EQ(Key("win_y"), row.y);
    }
}

// A drag's end that the window manager carries out only after the button is released is stored
// once it has: a program killed afterwards keeps the place she sees.
TEST_F(FrmMain, ADragsEndTheWindowManagerCarriesOutLaterIsStoredThen) {
    std::optional<QPoint> held;
    windowSystem_ = [&](const QWidget *window) { return held.value_or(window->pos()); };
    const auto w = Load(kDue20051010 + "win_x=3000\r\nwin_y=1500\r\n");
    held = QPoint(200, 100); // still where the drag began, as far as the window manager knows
    Mouse(*w, QEvent::MouseButtonPress, Qt::LeftButton, {50, 50}, Qt::LeftButton);
    Mouse(*w, QEvent::MouseMove, Qt::NoButton, {60, 70}, Qt::LeftButton);
    Mouse(*w, QEvent::MouseButtonRelease, Qt::LeftButton, {60, 70});
    EXPECT_EQ(Key("win_x"), "3000");
    held.reset(); // the window manager's moves arrive: vertical first, then across
    for (const QPoint at : {QPoint(200, 120), QPoint(210, 120)})
        QWindowSystemInterface::handleGeometryChange<QWindowSystemInterface::SynchronousDelivery>(
            w->windowHandle(), QRect(at, w->size()));
    EXPECT_EQ(Key("win_x"), "3150");
    EXPECT_EQ(Key("win_y"), "1800");
}

TEST_F(FrmMain, AFaceNoScreenShowsIsBroughtOntoThePrimaryScreen) {
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    for (const QByteArray &keys : {QByteArray("win_x=300000\r\nwin_y=300000\r\n"),
                                   QByteArray("win_x=-9000\r\nwin_y=0\r\n")}) {
        const auto w = Load(kDue20051010 + keys);
        const QRect face(w->pos() + QPoint(20, 25), QSize(130, 120));
        EXPECT_TRUE(area.contains(face)) << keys.constData();
    }
}

TEST_F(FrmMain, LeftAndMiddleButtonsDragVerticalFirst) {
    for (Qt::MouseButton button : {Qt::LeftButton, Qt::MiddleButton}) {
        const auto w = Load(kDue20051010 + "win_x=1500\r\nwin_y=1500\r\n");
        std::vector<QPoint> moves;
        struct Spy : QObject {
            std::vector<QPoint> *moves;
            bool eventFilter(QObject *o, QEvent *e) override {
                if (e->type() == QEvent::Move)
                    moves->push_back(static_cast<QWidget *>(o)->pos());
                return false;
            }
        } spy;
        spy.moves = &moves;
        w->installEventFilter(&spy);

        Mouse(*w, QEvent::MouseButtonPress, button, {50, 50}, button);
        Mouse(*w, QEvent::MouseMove, Qt::NoButton, {60, 80}, button);
        EXPECT_EQ(w->pos(), QPoint(110, 130));
        Mouse(*w, QEvent::MouseMove, Qt::NoButton, {45, 50}, button); // relative to the moved face
        EXPECT_EQ(w->pos(), QPoint(105, 130));
        Mouse(*w, QEvent::MouseButtonRelease, button, {45, 50});
        Mouse(*w, QEvent::MouseMove, Qt::NoButton, {90, 90});
        EXPECT_EQ(w->pos(), QPoint(105, 130)); // the release ended the drag
        w->removeEventFilter(&spy);
        ASSERT_GE(moves.size(), 2u);
        EXPECT_EQ(moves[0], QPoint(100, 130)); // vertical first
        EXPECT_EQ(moves[1], QPoint(110, 130));
    }
}

TEST_F(FrmMain, RightButtonOnlyOpensTheMenu) {
    const auto w = Load(kDue20051010 + "win_x=1500\r\nwin_y=1500\r\n");
    QMenu *menu = w->popupMenu();
    Mouse(*w, QEvent::MouseButtonPress, Qt::RightButton, {50, 50}, Qt::RightButton);
    EXPECT_TRUE(menu->isVisible());
    const QPoint at = Face(*w)->mapToGlobal(QPoint(50, 50));
    EXPECT_EQ(menu->pos(), at);
    menu->close();
    Mouse(*w, QEvent::MouseMove, Qt::NoButton, {90, 90}, Qt::RightButton);
    EXPECT_EQ(w->pos(), QPoint(100, 100)); // no drag started

    // A drag in progress is not ended by a right press, but by any release.
    Mouse(*w, QEvent::MouseButtonPress, Qt::LeftButton, {50, 50}, Qt::LeftButton);
    Mouse(*w, QEvent::MouseButtonPress, Qt::RightButton, {50, 50}, Qt::LeftButton);
    w->popupMenu()->close();
    Mouse(*w, QEvent::MouseMove, Qt::NoButton, {51, 52}, Qt::LeftButton);
    EXPECT_EQ(w->pos(), QPoint(101, 102));
    Mouse(*w, QEvent::MouseButtonRelease, Qt::RightButton, {51, 52});
    Mouse(*w, QEvent::MouseMove, Qt::NoButton, {80, 80});
    EXPECT_EQ(w->pos(), QPoint(101, 102));
}

// A press on the face of a gadget disabled by its open calendar brings the calendar back.
TEST_F(FrmMain, ADisabledGadgetNeitherDragsNorOpensItsMenu) {
    const auto w = Load(kDue20051010 + "win_x=1500\r\nwin_y=1500\r\n");
    const QImage enabledFace = w->grab().toImage();
    w->findChild<QAction *>(QStringLiteral("mnuCrndr"))->trigger();
    ASSERT_FALSE(w->isEnabled());
    EXPECT_EQ(w->grab().toImage(), enabledFace) << "the face's texts changed colour";
    QWidget *calendar = w->calendarWindow();
    calendar->showMinimized();
    Mouse(*w, QEvent::MouseButtonPress, Qt::LeftButton, {50, 50}, Qt::LeftButton);
    Mouse(*w, QEvent::MouseMove, Qt::NoButton, {70, 90}, Qt::LeftButton);
    Mouse(*w, QEvent::MouseButtonRelease, Qt::LeftButton, {70, 90});
    Mouse(*w, QEvent::MouseButtonPress, Qt::RightButton, {50, 50}, Qt::RightButton);
    EXPECT_EQ(w->pos(), QPoint(100, 100));
    EXPECT_FALSE(w->popupMenu()->isVisible());
    EXPECT_FALSE(calendar->isMinimized());
    EXPECT_TRUE(QTest::qWaitForWindowActive(calendar));
}

TEST_F(FrmMain, MenuItemsInOrderWithAccessKeys) {
    const auto w = Load(kDue20051010);
    QStringList captions;
    for (QAction *action : w->popupMenu()->actions())
        captions << (action->isSeparator() ? QStringLiteral("-") : action->text());
    EXPECT_EQ(captions, (QStringList{"データ入力・変更(&D)", "カレンダー表示(&C)", "-",
                                     "常に手前に表示(&T)", "-", "終了(&X)"}));
    EXPECT_EQ(w->popupMenu()->title(), QStringLiteral("ファイル(&F)"));
    for (QAction *action : w->popupMenu()->actions())
        EXPECT_TRUE(action->shortcut().isEmpty());
}

TEST_F(FrmMain, ClosingSavesThePositionAndUnloads) {
    const auto w = Load(kDue20051010 + "win_x=1500\r\nwin_y=1500\r\n");
    w->move(123, -45);
    bool unloaded = false;
    QObject::connect(w.get(), &gadget::frmMain::unloaded, [&] { unloaded = true; });
    w->findChild<QAction *>(QStringLiteral("mnuEnd"))->trigger();
    EXPECT_TRUE(unloaded);
    EXPECT_EQ(Key("win_x"), "1845");
    EXPECT_EQ(Key("win_y"), "-675");
}

TEST_F(FrmMain, ShutdownClosesAnOpenEntryDialog) {
    const auto w = Load("start_up=0\r\n");
    QPointer<QWidget> dialog = w->entryDialog();
    ASSERT_TRUE(dialog);
    w->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(dialog.isNull());
    EXPECT_EQ(Key("win_x"), "15");
}

TEST_F(FrmMain, TheFaceFollowsTheDateAcrossMidnight) {
    const auto w = Load(kDue20051010);
    EXPECT_EQ(Text(*w, "rilo_cd"), QStringLiteral("1"));
    w->RefreshIfDayChanged();
    EXPECT_EQ(Text(*w, "rilo_cd"), QStringLiteral("1"));
    today_ = D(2005, 10, 10);
    w->RefreshIfDayChanged();
    EXPECT_EQ(Text(*w, "yotei_cd"), QStringLiteral("今日は予定日です"));
    EXPECT_EQ(Text(*w, "rilo_cd"), QString());
    // The day watcher's signal (midnight, a clock step, a resume, a new zone) refreshes the face.
    today_ = D(2005, 10, 11);
    Q_EMIT w->findChild<gadget::DayChangeWatcher *>()->dayMayHaveChanged();
    EXPECT_EQ(Text(*w, "rilo_cd"), QStringLiteral("1"));
    EXPECT_EQ(Text(*w, "day"), QStringLiteral("1"));
}

TEST_F(FrmMain, ConfirmingTheEntryDialogRefreshesTheFaceAndEnablesIt) {
    today_ = D(2006, 4, 30);
    dialogs_.messageBox = [](QWidget *, const QString &, const QString &, ui::MessageIcon) {};
    const auto w = Load(kDue20051010);
    w->findChild<QAction *>(QStringLiteral("mnuData"))->trigger();
    entry::i_data *dialog = w->entryDialog();
    ASSERT_TRUE(dialog);
    EXPECT_FALSE(w->isEnabled());
    const std::vector<std::pair<const char *, const char *>> fields = {
        {"yo_y", "2006"}, {"yo_m", "5"}, {"yo_d", "1"}};
    for (const auto &[name, text] : fields)
        dialog->findChild<QLineEdit *>(QString::fromLatin1(name))
            ->setText(QString::fromLatin1(text));
    QTest::mouseClick(dialog->findChild<QPushButton *>(QStringLiteral("Command1")), Qt::LeftButton);
    EXPECT_TRUE(w->isEnabled());
    EXPECT_EQ(Text(*w, "rilo_cd"), QStringLiteral("1"));
    EXPECT_EQ(Text(*w, "week"), QStringLiteral("39"));
    EXPECT_EQ(Key("inu"), "2005/11/22");
}

TEST_F(FrmMain, CalendarWindowDisablesTheGadgetUntilItCloses) {
    for (const char *closer : {"btnOK", "close box"}) {
        const auto w = Load(kDue20051010);
        w->findChild<QAction *>(QStringLiteral("mnuCrndr"))->trigger();
        QPointer<calendar::frmCrndr> calendar = w->calendarWindow();
        ASSERT_TRUE(calendar);
        EXPECT_TRUE(calendar->isVisible());
        EXPECT_FALSE(w->isEnabled()) << closer;
        if (QByteArray(closer) == "btnOK")
            QTest::mouseClick(calendar->findChild<QPushButton *>(QStringLiteral("btnOK")),
                              Qt::LeftButton);
        else
            calendar->close();
        EXPECT_TRUE(w->isEnabled()) << closer;
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_TRUE(calendar.isNull()) << closer;
    }
}

// The pixels that the non-blank runs of a label's text cover, in the face's client coordinates:
// each run painted unclipped where the label draws it (aligned in its contents rectangle, the
// line at its top), and the bounding box of what was painted.
std::vector<QRect> InkRuns(const QLabel *label) {
    std::vector<QRect> runs;
    const QString text = label->text();
    const QFontMetricsF metrics(label->font());
    const QRect box = label->contentsRect();
    const qreal left = label->alignment() & Qt::AlignRight
                           ? box.right() + 1 - metrics.horizontalAdvance(text)
                           : box.left();
    const int pad = 2 * label->font().pixelSize();
    for (qsizetype i = 0; i < text.size();) {
        if (text.at(i).isSpace()) {
            ++i;
            continue;
        }
        qsizetype end = i;
        while (end < text.size() && !text.at(end).isSpace())
            ++end;
        QImage image(label->size() + QSize(2 * pad, 2 * pad), QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        {
            QPainter painter(&image);
            painter.setFont(label->font());
            painter.drawText(QPointF(pad + left + metrics.horizontalAdvance(text.left(i)),
                                     pad + box.top() + metrics.ascent()),
                             text.mid(i, end - i));
        }
        QRect ink;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                if (qAlpha(image.pixel(x, y)) != 0)
                    ink |= QRect(x, y, 1, 1);
        runs.push_back(ink.translated(label->pos() - QPoint(pad, pad)));
        i = end;
    }
    return runs;
}

TEST_F(FrmMain, EveryTextIsDrawnWholeInsideTheFaceAndOverNoOtherText) {
    const dates::Day due = D(2005, 10, 10);
    today_ = due;
    const auto w = Load(kDue20051010);
    QWidget *client = w->findChild<QWidget *>(QStringLiteral("client"));
    const QRegion face = w->mask().translated(-client->pos());
    std::map<QString, int> designPixels, designBaseline;
    const auto labels = client->findChildren<QLabel *>();
    for (const QLabel *label : labels) {
        designPixels[label->objectName()] = label->font().pixelSize();
        designBaseline[label->objectName()] =
            label->geometry().top() + QFontMetrics(label->font()).ascent();
    }

    // Widths change with the digit counts and signs only: every day near the due date and the
    // start, where they change, and a coarser step in between reach every combination.
    for (int offset = -3000; offset <= 3000;
         offset += (std::abs(offset) < 400 || std::abs(offset + 280) < 400) ? 1 : 7) {
        today_ = due + days(offset);
        w->UpdateCountdown();
        std::vector<std::pair<QString, QRect>> inks;
        for (const QLabel *label : labels) {
            if (label->text().isEmpty())
                continue;
            const QString name = label->objectName();
            const QString where =
                name + QStringLiteral(" \"%1\" at day %2").arg(label->text()).arg(offset);
            const QFontMetrics metrics(label->font());
            ASSERT_LE(metrics.horizontalAdvance(label->text()), label->contentsRect().width())
                << where.toStdString();
            ASSERT_GE(label->font().pixelSize(), 0.69 * designPixels[name]) << where.toStdString();
            // A shrunk number stays on the line of its unit, not raised above it.
            ASSERT_EQ(label->geometry().top() + metrics.ascent(), designBaseline[name])
                << where.toStdString();
            for (const QRect &ink : InkRuns(label)) {
                ASSERT_TRUE(label->geometry().contains(ink))
                    << where.toStdString() << " ink " << ink.x() << "," << ink.y() << " "
                    << ink.width() << "x" << ink.height() << " box " << label->geometry().x() << ","
                    << label->geometry().y() << " " << label->geometry().width() << "x"
                    << label->geometry().height() << " px " << label->font().pixelSize();
                ASSERT_TRUE((QRegion(ink) - face).isEmpty()) << where.toStdString();
                for (const auto &[other, otherInk] : inks)
                    ASSERT_FALSE(ink.intersects(otherInk))
                        << where.toStdString() << " over " << other.toStdString();
                inks.emplace_back(name, ink);
            }
        }
    }
    // The two cases once found clipped: 140 weeks (705 days past the due date) and -15 weeks.
    for (const auto &[offset, weeks] : {std::pair{705, "140"}, std::pair{-385, "-15"}}) {
        today_ = due + days(offset);
        w->UpdateCountdown();
        EXPECT_EQ(Text(*w, "week"), QString::fromLatin1(weeks));
    }
}

TEST_F(FrmMain, TheMenuKeysOpenTheMenuAtTheFaceAndAccessKeysChoose) {
    struct Row {
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        Qt::Key accessKey;
    };
    // Key_Enter: the first item chosen with Down and the keypad's Enter. Key_unknown: no menu.
    for (const Row &row : std::vector<Row>{{Qt::Key_Menu, Qt::NoModifier, Qt::Key_T},
                                           {Qt::Key_F10, Qt::ShiftModifier, Qt::Key_T},
                                           {Qt::Key_Menu, Qt::NoModifier, Qt::Key_D},
                                           {Qt::Key_F10, Qt::ShiftModifier, Qt::Key_C},
                                           {Qt::Key_Menu, Qt::NoModifier, Qt::Key_X},
                                           {Qt::Key_Menu, Qt::NoModifier, Qt::Key_Enter},
                                           {Qt::Key_F10, Qt::NoModifier, Qt::Key_unknown}}) {
        const auto w = Load(kDue20051010 + "temae=0\r\n");
        const std::string name = QKeySequence(row.key | row.modifiers).toString().toStdString() +
                                 " then " + QKeySequence(row.accessKey).toString().toStdString();
        bool unloaded = false;
        QObject::connect(w.get(), &gadget::frmMain::unloaded, [&] { unloaded = true; });
        w->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(w.get())) << name;
        EXPECT_TRUE(w->hasFocus()) << name;
        // The focus mark shows when the keyboard brings the focus, not at the start or a click.
        const QWidget *mark = w->findChild<QWidget *>(QStringLiteral("focusMark"));
        EXPECT_FALSE(mark->isVisible()) << name;
        w->clearFocus();
        w->setFocus(Qt::TabFocusReason);
        EXPECT_TRUE(mark->isVisible()) << name;
        // A click on the face gives it the focus too.
        w->clearFocus();
        QTest::mouseClick(Face(*w), Qt::LeftButton, Qt::NoModifier, QPoint(60, 60));
        ASSERT_TRUE(w->hasFocus()) << name;
        EXPECT_FALSE(mark->isVisible()) << name;

        QTest::keyClick(w.get(), row.key, row.modifiers);
        QMenu *menu = w->popupMenu();
        if (row.accessKey == Qt::Key_unknown) {
            EXPECT_FALSE(menu->isVisible()) << name;
            continue;
        }
        ASSERT_TRUE(menu->isVisible()) << name;
        EXPECT_TRUE(w->mask().contains(w->mapFromGlobal(menu->pos()))) << name;
        if (row.accessKey == Qt::Key_Enter) {
            QTest::keyClick(menu, Qt::Key_Down);
            QTest::keyClick(menu, Qt::Key_Enter, Qt::KeypadModifier);
        } else {
            QTest::keyClick(menu, row.accessKey);
        }
        EXPECT_FALSE(menu->isVisible()) << name;
        EXPECT_EQ(w->windowFlags().testFlag(Qt::WindowStaysOnTopHint), row.accessKey == Qt::Key_T)
            << name;
        EXPECT_EQ(w->entryDialog() != nullptr,
                  row.accessKey == Qt::Key_D || row.accessKey == Qt::Key_Enter)
            << name;
        EXPECT_EQ(w->calendarWindow() != nullptr, row.accessKey == Qt::Key_C) << name;
        EXPECT_EQ(unloaded, row.accessKey == Qt::Key_X) << name;
    }
}

TEST_F(FrmMain, MenuItemsAnswerTheLeftButtonOnly) {
    struct Row {
        const char *name;
        Qt::MouseButton button;
        bool pressOnTheItem; // false: pressed on the face, dragged onto the item and released
        bool toggles;
    };
    for (const Row &row :
         std::vector<Row>{{"left click", Qt::LeftButton, true, true},
                          {"right click", Qt::RightButton, true, false},
                          {"middle click", Qt::MiddleButton, true, false},
                          {"right drag from the face", Qt::RightButton, false, false}}) {
        const auto w = Load(kDue20051010 + "temae=0\r\n");
        Mouse(*w, QEvent::MouseButtonPress, Qt::RightButton, {50, 50}, Qt::RightButton);
        QMenu *menu = w->popupMenu();
        ASSERT_TRUE(menu->isVisible()) << row.name;
        const QPoint at =
            menu->actionGeometry(w->findChild<QAction *>(QStringLiteral("mnuTemae"))).center();
        const Qt::MouseButtons held = row.pressOnTheItem ? row.button : Qt::RightButton;
        auto send = [&](QEvent::Type type, Qt::MouseButton button, Qt::MouseButtons buttons) {
            QMouseEvent event(type, QPointF(at), QPointF(menu->mapToGlobal(at)), button, buttons,
                              Qt::NoModifier);
            QApplication::sendEvent(menu, &event);
        };
        send(QEvent::MouseMove, Qt::NoButton, held);
        if (row.pressOnTheItem)
            send(QEvent::MouseButtonPress, row.button, row.button);
        send(QEvent::MouseButtonRelease, row.button, Qt::NoButton);
        EXPECT_EQ(w->windowFlags().testFlag(Qt::WindowStaysOnTopHint), row.toggles) << row.name;
        EXPECT_EQ(Key("temae"), row.toggles ? "1" : "0") << row.name;
        EXPECT_EQ(menu->isVisible(), !row.toggles) << row.name;
        menu->close();
    }
}

TEST_F(FrmMain, ScreenReadersGetTheWholeFaceAsOneSentence) {
    struct Row {
        QByteArray riloini;
        dates::Day today;
        const char *description;
    };
    for (const Row &row : std::vector<Row>{
             {kDue20051010, D(2005, 10, 9), "39週6日、10ヶ月目。予定日まであと1日"},
             {kDue20051010, D(2005, 10, 10), "40週0日、11ヶ月目。今日は予定日です"},
             {kDue20051010, D(2005, 10, 15), "40週5日、11ヶ月目。予定日から5日"},
             {"start_up=1\r\n", D(2005, 10, 9),
              "予定日が入力されていません。メニューの「データ入力・変更」で入力してください"}}) {
        today_ = D(2005, 1, 3);
        const auto w = Load(row.riloini);
        today_ = row.today;
        w->RefreshIfDayChanged();
        QAccessibleInterface *face = QAccessible::queryAccessibleInterface(w.get());
        ASSERT_TRUE(face);
        EXPECT_EQ(face->text(QAccessible::Name), QStringLiteral("りろ日記"));
        EXPECT_EQ(face->text(QAccessible::Description), QString::fromUtf8(row.description));
        EXPECT_EQ(face->childCount(), 0) << "the face's fragments are read on their own";
    }
}

TEST(RoundedRegion, TheDesignsFaceAtScaleOneAndOneDevicePixelStepsAtTwo) {
    const QRect face(20, 25, 130, 120);
    const QRegion one = gadget::RoundedRegion(face, 40);
    EXPECT_EQ(one.boundingRect(), face);
    for (const QPoint in : {QPoint(40, 25), QPoint(20, 45), QPoint(85, 85), QPoint(149, 124)})
        EXPECT_TRUE(one.contains(in)) << in.x() << "," << in.y();
    for (const QPoint out : {QPoint(20, 25), QPoint(25, 30), QPoint(149, 144), QPoint(150, 85)})
        EXPECT_FALSE(one.contains(out)) << out.x() << "," << out.y();

    const QRegion two = gadget::RoundedRegion(face, 40, 2.0);
    EXPECT_EQ(two.boundingRect(), QRect(40, 50, 260, 240));
    // The top-left corner's edge moves on every device row somewhere, not in pairs of rows.
    auto leftEdge = [&](int y) {
        for (int x = 40; x < 300; ++x)
            if (two.contains(QPoint(x, y)))
                return x;
        return -1;
    };
    bool oddStep = false;
    for (int y = 50; y < 90; y += 2)
        oddStep = oddStep || leftEdge(y) != leftEdge(y + 1);
    EXPECT_TRUE(oddStep);
}

// The face pixel for pixel, as drawn on the offscreen platform with the packaged fonts: the
// fixed captions and the texts' places for a due date passed, the due date itself and two ahead.
// The design's font names resolve to the same fonts whatever language fontconfig lists them in,
// so the Japanese locale draws the same face. At a scale of 2 the face is drawn translucent, as on
// Wayland, and its corners must stay smooth. VARADADID_UPDATE_GOLDEN=1 writes the images anew.
TEST_F(FrmMain, TheFaceMatchesItsGoldenImagesUnderTheCAndTheJapaneseLocale) {
    for (const auto &[design, installed] :
         {std::pair{ui::look::kGothic, "IPAGothic"}, std::pair{ui::look::kPGothic, "IPAPGothic"},
          std::pair{ui::look::kUIGothic, "IPAPGothic"}})
        EXPECT_EQ(QFontInfo(ui::look::Font(design, 12)).family(),
                  QFontInfo(QFont(QString::fromLatin1(installed))).family())
            << design.toStdString();

    auto render = [this](const QString &locale, int scale) {
        QProcess process;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_SCALE_FACTOR"), QString::number(scale));
        env.insert(QStringLiteral("LC_ALL"), locale);
        env.insert(QStringLiteral("LANG"), locale);
        process.setProcessEnvironment(env);
        const QString png = Path(locale + QStringLiteral(".png"));
        process.start(QStringLiteral(FACE_RENDER), {Folder(), png});
        if (!process.waitForFinished(60000)) {
            process.kill();
            process.waitForFinished();
        }
        EXPECT_EQ(process.exitCode(), 0) << process.readAllStandardError().toStdString();
        return QImage(png).convertToFormat(QImage::Format_RGB32);
    };
    auto differing = [](const QImage &a, const QImage &b) {
        if (a.size() != b.size())
            return -1;
        int count = 0;
        for (int y = 0; y < a.height(); ++y)
            for (int x = 0; x < a.width(); ++x)
                count += a.pixel(x, y) != b.pixel(x, y);
        return count;
    };
    // Today is 2006/01/23.
    const std::tuple<const char *, QByteArray, int> rows[] = {
        {"face-105-days-since", "yoteibi=2005/10/10\r\nhajime=2005/01/03\r\n", 1},
        {"face-due-date", "yoteibi=2006/01/23\r\nhajime=2005/04/18\r\n", 1},
        {"face-98-days-left", "yoteibi=2006/05/01\r\nhajime=2005/07/25\r\n", 1},
        {"face-280-days-left", "yoteibi=2006/10/30\r\nhajime=2006/01/23\r\n", 1},
        // 140 weeks: the week number shrunk to fit, on the line of 週.
        {"face-705-days-since", "yoteibi=2004/02/18\r\nhajime=2003/05/14\r\n", 1},
        {"face-98-days-left-at-2x", "yoteibi=2006/05/01\r\nhajime=2005/07/25\r\n", 2},
    };
    for (const auto &[name, dates, scale] : rows) {
        WriteBytes(Path(QStringLiteral("rilo.ini")),
                   "[riloini]\r\nstart_up=1\r\n" + dates + "win_x=1500\r\nwin_y=1500\r\n");
        const QImage c = render(QStringLiteral("C.UTF-8"), scale);
        ASSERT_EQ(c.size(), QSize(130, 120) * scale) << name;
        const QString golden = QStringLiteral(FACE_GOLDEN_DIR "/%1.png").arg(QLatin1String(name));
        if (qEnvironmentVariableIsSet("VARADADID_UPDATE_GOLDEN"))
            c.save(golden);
        EXPECT_EQ(differing(c, QImage(golden).convertToFormat(QImage::Format_RGB32)), 0)
            << name << ": pixels that differ from " << golden.toStdString();
        EXPECT_EQ(differing(c, render(QStringLiteral("ja_JP.UTF-8"), scale)), 0)
            << name << ": pixels of the face that differ between C and ja_JP";
    }
}

// A signal, 終了 and the window manager's close all come to the gadget's close, which may arrive
// while a real modal box runs its own event loop: the box is answered, and its window is
// destroyed only once it has returned. A session manager's save request (a checkpoint, or a
// logout that may yet be cancelled) stores the place and leaves everything open.
TEST_F(FrmMain, EndingWhileARealModalBoxIsOpenUnwindsItFirst) {
    struct Row {
        const char *name;
        bool calendar;   // the Save As dialog; else the entry dialog's warning box
        bool checkpoint; // the session's save request instead of a close
    };
    for (const Row &row :
         {Row{"warning, close", false, false}, Row{"warning, checkpoint", false, true},
          Row{"Save As, close", true, false}, Row{"Save As, checkpoint", true, true}}) {
        const auto w = Load(kDue20051010 + "win_x=1500\r\nwin_y=1500\r\n");
        w->move(20, 30);
        app::FollowSession(*qApp, w.get());
        bool unloaded = false;
        QObject::connect(w.get(), &gadget::frmMain::unloaded, [&] { unloaded = true; });
        w->findChild<QAction *>(QString::fromLatin1(row.calendar ? "mnuCrndr" : "mnuData"))
            ->trigger();
        QPointer<QWidget> secondary = row.calendar ? static_cast<QWidget *>(w->calendarWindow())
                                                   : static_cast<QWidget *>(w->entryDialog());
        ASSERT_TRUE(secondary) << row.name;

        bool boxOpen = false;
        bool boxStayed = false;
        QTimer::singleShot(0, [&] {
            boxOpen = QApplication::activeModalWidget() != nullptr;
            if (row.checkpoint) {
                QGuiApplicationPrivate::instance()->commitData();
                boxStayed = QApplication::activeModalWidget() != nullptr;
            }
            w->close();
        });
        const char *button = row.calendar ? "btnPrint" : "Command1";
        QTest::mouseClick(secondary->findChild<QPushButton *>(QString::fromLatin1(button)),
                          Qt::LeftButton);
        EXPECT_TRUE(boxOpen) << row.name << ": no modal box was open";
        EXPECT_EQ(boxStayed, row.checkpoint) << row.name;
        EXPECT_EQ(QApplication::activeModalWidget(), nullptr) << row.name;
        EXPECT_TRUE(unloaded) << row.name;
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_TRUE(secondary.isNull()) << row.name;
        EXPECT_EQ(Key("win_x"), "300") << row.name;
        EXPECT_EQ(Key("win_y"), "450") << row.name;
    }
}

} // namespace
