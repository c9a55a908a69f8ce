#include "settings/atomicfile.h"

#include <QSaveFile>

namespace settings {

bool ReplaceFileAtomically(const QString &path, QByteArrayView bytes) {
    if (path.isEmpty())
        return false;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    // The bytes may reach the disk only in commit(), which renames the temporary file even when
    // that fails (a full disk): flush them first so that such a file is never committed.
    if (file.write(bytes.data(), bytes.size()) != bytes.size() || !file.flush()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

} // namespace settings
