#pragma once

#include <QLockFile>
#include <QString>

// One running copy per user: a lock file that a crashed copy cannot leave stuck, since a lock
// whose process is gone counts as stale and is taken over.
class SingleInstance {
public:
    explicit SingleInstance(const QString &lockPath = DefaultLockPath());

    // False only when another running copy holds the lock; true when this process now holds it,
    // or when no lock can be made there at all.
    bool TryAcquire();

    // In the user's runtime folder, or the temporary folder where there is none.
    static QString DefaultLockPath();

private:
    QLockFile lock_;
};
