#pragma once

#include <QLockFile>
#include <QObject>
#include <QString>

#include <chrono>
#include <optional>

class QLocalServer;
class QLocalSocket;

namespace app {

// One running copy per user: a lock file that a crashed copy cannot leave stuck, since a lock
// whose process is gone counts as stale and is taken over. On Windows, where process ids come
// back soon and a stale lock file could look held, a named mutex of the user's session stands
// for the lock instead: the system releases it with its process. Beside it, a local channel that
// only the same user can reach, on which a second copy asks the running one to come to the front
// and learns which settings file it uses, or (an installer replacing the program) to end.
//
// Both names are the caller's to give: the program passes DefaultLockPath() and
// DefaultChannelName(), the user's own, and anything else (a test) passes names of its own, so
// that nothing but the program itself ever listens on the user's channel.
class SingleInstance : public QObject {
    Q_OBJECT
public:
    explicit SingleInstance(const QString &lockPath, const QString &channelName);
    ~SingleInstance() override;

    // False only when another running copy holds the lock; true when this process now holds it,
    // or when no lock can be made there at all. The copy that holds the lock listens on the
    // channel from then on.
    bool TryAcquire();

    // The settings file the running copy answers a second copy with (empty until it is set).
    void SetSettingsPath(const QString &path) { settingsPath_ = path; }

    // For a second copy: asks the running copy to come to the front. Never waits longer than
    // `timeout` for a copy that is hung or gone. Nullopt when the request could not be handed
    // over; else the running copy's settings file, empty when it did not say.
    std::optional<QString>
    AskRunningCopyToShow(std::chrono::milliseconds timeout = std::chrono::seconds(2)) const;

    // For `varadadid --quit`: asks the running copy to end as 終了 does, and waits until it has
    // ended (its lock is free), at most `timeout` (a hung copy, or one the request did not reach).
    enum class QuitResult { NoneRan, Ended, StillRuns };
    QuitResult AskRunningCopyToQuit(std::chrono::milliseconds timeout) const;

    // In the user's runtime folder, or the temporary folder where there is none.
    static QString DefaultLockPath();
    // A socket beside the lock (a per-user pipe name on Windows).
    static QString DefaultChannelName();

Q_SIGNALS:
    // A second copy asked for the gadget.
    void showRequested();
    // A copy started with --quit asked the gadget to end.
    void quitRequested();

private:
    void Listen();
    void Accept();
    void Read(QLocalSocket *socket);
    bool LockIsFree() const;

    QLockFile lock_;
    void *mutex_ = nullptr; // Windows: the mutex handle while this copy holds it
    QString channelName_;
    QString settingsPath_;
    QLocalServer *server_ = nullptr;
};

} // namespace app
