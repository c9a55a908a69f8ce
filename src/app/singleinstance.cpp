#include "app/singleinstance.h"

#include <QDir>
#include <QStandardPaths>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

namespace {

QString UserId() {
#ifdef Q_OS_UNIX
    return QString::number(::getuid());
#else
    return qEnvironmentVariable("USERNAME");
#endif
}

} // namespace

SingleInstance::SingleInstance(const QString &lockPath) : lock_(lockPath) {
    lock_.setStaleLockTime(0); // stale only when its process is gone, however long it has run
}

bool SingleInstance::TryAcquire() {
    if (lock_.tryLock(0))
        return true;
    // Only another running copy refuses the start. A lock that cannot be made at all (a full or
    // read-only runtime folder) must not keep the gadget from starting.
    return lock_.error() != QLockFile::LockFailedError;
}

QString SingleInstance::DefaultLockPath() {
    // Without XDG_RUNTIME_DIR, Qt would warn and make a runtime folder of its own; the temporary
    // folder with the user's name in the lock does as well.
    if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR"))
        return QDir::tempPath() + QStringLiteral("/varadadid-%1.lock").arg(UserId());
    return QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation) +
           QStringLiteral("/varadadid.lock");
}
