#include "app/singleinstance.h"

#include "ui/log.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QStandardPaths>
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

// The one request the channel knows, answered with the settings file's path and a line feed.
// Anything else that arrives there is dropped unanswered.
constexpr QByteArrayView kShowRequest = "varadadid show\n";
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
    // Named after the lock's path, so that copies with other lock paths stay apart.
    const QString name = QStringLiteral("Local\\varadadid-%1")
                             .arg(qHash(QDir::cleanPath(lock_.fileName()).toLower()), 0, 16);
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
    if (got.size() < kShowRequest.size() && kShowRequest.startsWith(got))
        return; // the rest is on its way
    if (got != kShowRequest) {
        socket->abort();
        return;
    }
    disconnect(socket, &QLocalSocket::readyRead, this, nullptr);
    socket->write(settingsPath_.toUtf8() + '\n');
    socket->disconnectFromServer(); // once the answer is out
    Q_EMIT showRequested();
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
