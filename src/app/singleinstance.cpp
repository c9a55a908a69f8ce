#include "app/singleinstance.h"

#include "ui/log.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QStandardPaths>
#include <QThread>
#include <QTimer>
#include <QtNetwork/QLocalServer>
#include <QtNetwork/QLocalSocket>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif
#ifdef Q_OS_WIN
#include <windows.h>
#endif

namespace app {

namespace {

// The requests the channel knows, each answered with the settings file's path and a line feed.
// Anything else that arrives there is dropped unanswered.
constexpr QByteArrayView kShowRequest = "varadadid show\n";
constexpr QByteArrayView kQuitRequest = "varadadid quit\n";
static_assert(kShowRequest.size() == kQuitRequest.size());
// A peer that connects and says nothing is dropped after this long.
constexpr int kPeerTimeoutMs = 2000;

QString UserId() {
#ifdef Q_OS_UNIX
    return QString::number(::getuid());
#else
    return qEnvironmentVariable("USERNAME");
#endif
}

// Without XDG_RUNTIME_DIR, Qt would warn and make a runtime folder of its own; the temporary
// folder with the user's id in the name does as well.
QString RuntimeFile(const QString &name) {
    if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR"))
        return QDir::tempPath() + QStringLiteral("/varadadid-%1.%2").arg(UserId(), name);
    return QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation) +
           QStringLiteral("/varadadid.") + name;
}

#ifdef Q_OS_WIN
// The session-wide mutex that stands for the lock, named after the lock's path so that copies
// with other lock paths stay apart.
QString MutexName(const QString &lockPath) {
    return QStringLiteral("Local\\varadadid-%1")
        .arg(qHash(QDir::cleanPath(lockPath).toLower()), 0, 16);
}
#endif

} // namespace

SingleInstance::SingleInstance(const QString &lockPath, const QString &channelName)
    : lock_(lockPath), channelName_(channelName) {
    lock_.setStaleLockTime(0); // stale only when its process is gone, however long it has run
}

SingleInstance::~SingleInstance() {
#ifdef Q_OS_WIN
    if (mutex_)
        CloseHandle(mutex_);
#endif
}

bool SingleInstance::TryAcquire() {
#ifdef Q_OS_WIN
    const QString name = MutexName(lock_.fileName());
    mutex_ = CreateMutexW(nullptr, FALSE, reinterpret_cast<const wchar_t *>(name.utf16()));
    if (mutex_ && GetLastError() == ERROR_ALREADY_EXISTS) {
        CloseHandle(mutex_);
        mutex_ = nullptr;
        return false;
    }
    Listen(); // a mutex that cannot be made must not keep the gadget from starting either
    return true;
#else
    if (lock_.tryLock(0)) {
        Listen();
        return true;
    }
    // Only another running copy refuses the start. A lock that cannot be made at all (a full or
    // read-only runtime folder) must not keep the gadget from starting.
    return lock_.error() != QLockFile::LockFailedError;
#endif
}

QString SingleInstance::DefaultLockPath() {
    return RuntimeFile(QStringLiteral("lock"));
}

QString SingleInstance::DefaultChannelName() {
#ifdef Q_OS_WIN
    return QStringLiteral("varadadid-") + UserId();
#else
    return RuntimeFile(QStringLiteral("socket"));
#endif
}

// Only the lock's holder listens, so a socket left behind by a crashed copy is its to replace.
void SingleInstance::Listen() {
    server_ = new QLocalServer(this);
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    if (!server_->listen(channelName_)) {
        QLocalServer::removeServer(channelName_);
        if (!server_->listen(channelName_)) {
            // The gadget still runs; a second start then just ends.
            qCWarning(ui::lcApp) << "cannot listen for a second start at" << channelName_ << ":"
                                 << server_->errorString();
            return;
        }
    }
    connect(server_, &QLocalServer::newConnection, this, &SingleInstance::Accept);
}

void SingleInstance::Accept() {
    while (QLocalSocket *socket = server_->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] { Read(socket); });
        QTimer::singleShot(kPeerTimeoutMs, socket, &QLocalSocket::abort);
        Read(socket);
    }
}

void SingleInstance::Read(QLocalSocket *socket) {
    const QByteArray got = socket->peek(kShowRequest.size() + 1);
    const bool show = got == kShowRequest, quit = got == kQuitRequest;
    if (!show && !quit) {
        if (got.size() < kShowRequest.size() &&
            (kShowRequest.startsWith(got) || kQuitRequest.startsWith(got)))
            return; // the rest is on its way
        socket->abort();
        return;
    }
    disconnect(socket, &QLocalSocket::readyRead, this, nullptr);
    socket->write(settingsPath_.toUtf8() + '\n');
    socket->disconnectFromServer(); // once the answer is out
    if (show)
        Q_EMIT showRequested();
    else
        Q_EMIT quitRequested();
}

// Whether no copy holds the lock: it is taken and let go again at once.
bool SingleInstance::LockIsFree() const {
#ifdef Q_OS_WIN
    const QString name = MutexName(lock_.fileName());
    HANDLE probe = CreateMutexW(nullptr, FALSE, reinterpret_cast<const wchar_t *>(name.utf16()));
    const bool held = probe && GetLastError() == ERROR_ALREADY_EXISTS;
    if (probe)
        CloseHandle(probe);
    return !held;
#else
    QLockFile probe(lock_.fileName());
    probe.setStaleLockTime(0);
    if (probe.tryLock(0)) {
        probe.unlock();
        return true;
    }
    return probe.error() != QLockFile::LockFailedError;
#endif
}

SingleInstance::QuitResult
SingleInstance::AskRunningCopyToQuit(std::chrono::milliseconds timeout) const {
    const QDeadlineTimer deadline(timeout);
    if (LockIsFree())
        return QuitResult::NoneRan;
    QLocalSocket socket;
    socket.connectToServer(channelName_);
    if (socket.waitForConnected(int(deadline.remainingTime()))) {
        socket.write(kQuitRequest.data(), kQuitRequest.size());
        socket.waitForBytesWritten(int(deadline.remainingTime()));
        // The answer is not needed: the copy's end is seen at its lock. Waiting for it to hang
        // up gives it time to read the request.
        if (socket.state() == QLocalSocket::ConnectedState)
            socket.waitForDisconnected(int(deadline.remainingTime()));
    }
    // A program's end is seen only as its lock going free; it is looked at every 50 ms.
    while (!LockIsFree()) {
        if (deadline.hasExpired())
            return QuitResult::StillRuns;
        QThread::msleep(50);
    }
    return QuitResult::Ended;
}

std::optional<QString>
SingleInstance::AskRunningCopyToShow(std::chrono::milliseconds timeout) const {
    const QDeadlineTimer deadline(timeout);
    QLocalSocket socket;
    socket.connectToServer(channelName_);
    if (!socket.waitForConnected(int(deadline.remainingTime())))
        return std::nullopt;
    socket.write(kShowRequest.data(), kShowRequest.size());
    if (!socket.waitForBytesWritten(int(deadline.remainingTime())) && socket.bytesToWrite() > 0)
        return std::nullopt;
    // An older copy hangs up without an answer; a hung one is given up at the deadline.
    QByteArray answer;
    while (!answer.contains('\n') && socket.waitForReadyRead(int(deadline.remainingTime())))
        answer += socket.readAll();
    answer += socket.readAll();
    socket.abort();
    const qsizetype end = answer.indexOf('\n');
    return end < 0 ? QString() : QString::fromUtf8(answer.left(end));
}

} // namespace app
