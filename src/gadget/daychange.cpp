#include "gadget/daychange.h"

#include "dates/nextmidnight.h"
#include "ui/log.h"

#include <QDateTime>

#include <algorithm>
#include <ctime>

#ifdef Q_OS_LINUX
#include <QFileSystemWatcher>
#include <QSocketNotifier>

#include <cstdint>
#include <sys/timerfd.h>
#include <unistd.h>
#endif

#ifdef Q_OS_WIN
#include <QAbstractNativeEventFilter>
#include <QCoreApplication>

#include <windows.h>
#endif

namespace gadget {

namespace {

// The timer runs a little past midnight so that the day has surely turned when it fires.
constexpr qint64 kTimerMarginMs = 100;
// Where no system event reports clock steps, resumes and zone changes, look once a minute.
constexpr qint64 kPollMs = 60 * 1000;

} // namespace

#ifdef Q_OS_LINUX

namespace {
const QString kLocaltime = QStringLiteral("/etc/localtime");
const QString kEtc = QStringLiteral("/etc");
} // namespace

// The timerfd, read by a socket notifier of the watcher's, and a watch on the local zone.
// /etc/localtime is usually replaced by swapping a symbolic link, which only its folder sees;
// the watch on the file itself sees the zone data rewritten in place.
struct DayChangeWatcher::Platform {
    explicit Platform(DayChangeWatcher *owner);
    ~Platform() {
        delete notifier; // before the descriptor it watches is closed
        if (timerFd >= 0)
            ::close(timerFd);
    }
    int timerFd = -1;
    QSocketNotifier *notifier = nullptr;
};

DayChangeWatcher::Platform::Platform(DayChangeWatcher *owner) {
    timerFd = ::timerfd_create(CLOCK_REALTIME, TFD_NONBLOCK | TFD_CLOEXEC);
    if (timerFd >= 0) {
        notifier = new QSocketNotifier(timerFd, QSocketNotifier::Read, owner);
        QObject::connect(notifier, &QSocketNotifier::activated, owner, [this, owner] {
            // Expired, or ECANCELED: the clock was set. Either way the day may have changed.
            std::uint64_t expirations = 0;
            [[maybe_unused]] const auto got = ::read(timerFd, &expirations, sizeof expirations);
            owner->Wake();
        });
    }
    auto *zone = new QFileSystemWatcher(owner);
    zone->addPaths({kLocaltime, kEtc});
    auto zoneMayHaveChanged = [zone, owner] {
        // A file replaced by a rename drops out of the watch: watch the new one.
        if (!zone->files().contains(kLocaltime))
            zone->addPath(kLocaltime);
        owner->Wake();
    };
    QObject::connect(zone, &QFileSystemWatcher::fileChanged, owner, zoneMayHaveChanged);
    QObject::connect(zone, &QFileSystemWatcher::directoryChanged, owner, zoneMayHaveChanged);
}

void DayChangeWatcher::Arm() {
    if (platform_->timerFd < 0) {
        ArmTimer(kPollMs);
        return;
    }
    const QDateTime now = QDateTime::currentDateTime();
    QDateTime next = dates::NextLocalStartOfDay(now);
    if (!next.isValid())
        next = now.addSecs(3600);
    itimerspec at = {};
    at.it_value.tv_sec = std::time_t(next.toSecsSinceEpoch());
    if (::timerfd_settime(platform_->timerFd, TFD_TIMER_ABSTIME | TFD_TIMER_CANCEL_ON_SET, &at,
                          nullptr) != 0) {
        ArmTimer(kPollMs);
        return;
    }
    qCDebug(ui::lcGadget) << "next day check at" << next.toString(Qt::ISODate)
                          << "or when the clock is set";
}

#elif defined(Q_OS_WIN)

// Clock changes (time zone included) and resumes from sleep reach every top-level window as
// broadcasts; the filter sees them for all of the program's windows.
struct DayChangeWatcher::Platform : QAbstractNativeEventFilter {
    explicit Platform(DayChangeWatcher *owner) : owner(owner) {
        if (QCoreApplication *app = QCoreApplication::instance())
            app->installNativeEventFilter(this);
    }
    ~Platform() override {
        if (QCoreApplication *app = QCoreApplication::instance())
            app->removeNativeEventFilter(this);
    }
    bool nativeEventFilter(const QByteArray &eventType, void *message, qintptr *) override {
        if (eventType != "windows_generic_MSG")
            return false;
        const MSG *msg = static_cast<const MSG *>(message);
        const bool resumed =
            msg->message == WM_POWERBROADCAST &&
            (msg->wParam == PBT_APMRESUMEAUTOMATIC || msg->wParam == PBT_APMRESUMESUSPEND);
        if (msg->message == WM_TIMECHANGE || resumed)
            QMetaObject::invokeMethod(owner, &DayChangeWatcher::Wake, Qt::QueuedConnection);
        return false;
    }
    DayChangeWatcher *owner;
};

void DayChangeWatcher::Arm() {
    // A day is at most 25 hours; the broadcasts cover everything that moves midnight.
    ArmTimer(26 * 3600 * 1000);
}

#else

struct DayChangeWatcher::Platform {
    explicit Platform(DayChangeWatcher *) {}
};

void DayChangeWatcher::Arm() {
    ArmTimer(kPollMs);
}

#endif

DayChangeWatcher::DayChangeWatcher(QObject *parent) : QObject(parent) {
    timer_.setSingleShot(true);
    timer_.setTimerType(Qt::PreciseTimer);
    connect(&timer_, &QTimer::timeout, this, &DayChangeWatcher::Wake);
    platform_ = std::make_unique<Platform>(this);
    Arm();
}

DayChangeWatcher::~DayChangeWatcher() = default;

void DayChangeWatcher::ArmTimer(qint64 maxMs) {
    const QDateTime now = QDateTime::currentDateTime();
    const QDateTime next = dates::NextLocalStartOfDay(now);
    const qint64 untilNext = next.isValid() ? now.msecsTo(next) + kTimerMarginMs : maxMs;
    timer_.start(int(std::clamp<qint64>(untilNext, kTimerMarginMs, maxMs)));
    qCDebug(ui::lcGadget) << "next day check in" << timer_.interval() << "ms";
}

void DayChangeWatcher::Wake() {
    qCDebug(ui::lcGadget) << "the day may have changed (midnight, clock set, resume or new zone)";
#ifdef Q_OS_WIN
    _tzset();
#else
    ::tzset(); // re-reads /etc/localtime when it has changed, for every local time after this
#endif
    Arm();
    Q_EMIT dayMayHaveChanged();
}

} // namespace gadget
