#pragma once

#include <QObject>
#include <QTimer>

#include <memory>

namespace gadget {

// Tells when the local calendar day may have changed, so that whoever shows the date looks
// again: at each local midnight, and at once when the clock is set, the machine resumes from
// sleep or the time zone changes. Between those events nothing runs and no thread wakes. A
// signal does not promise a new day; the receiver compares.
//
// Linux: a CLOCK_REALTIME timerfd at the next local midnight, which the kernel also cancels
// when the clock is set (a resume included), and an inotify watch on /etc/localtime. Windows: a
// timer to the next midnight, WM_TIMECHANGE and the resume broadcasts. Elsewhere: a timer to
// the next midnight that also looks once a minute.
class DayChangeWatcher : public QObject {
    Q_OBJECT
public:
    explicit DayChangeWatcher(QObject *parent = nullptr);
    ~DayChangeWatcher() override;

Q_SIGNALS:
    void dayMayHaveChanged();

private:
    struct Platform;

    // Arms for the next local midnight after now.
    void Arm();
    void ArmTimer(qint64 maxMs);
    // Re-reads the local time zone, re-arms and tells.
    void Wake();

    std::unique_ptr<Platform> platform_;
    QTimer timer_;
};

} // namespace gadget
