#pragma once

#include <QByteArrayView>
#include <QString>

namespace settings {

// Replaces the whole content of the file at `path` with `bytes`, through a temporary file in the
// same folder that is renamed over the target only once every byte is written. A crash, a kill
// or a full disk leaves either the old or the new file, never a short one. True once the new
// file is in place; false when it could not be written, the previous file then left as it was.
[[nodiscard]] bool ReplaceFileAtomically(const QString &path, QByteArrayView bytes);

} // namespace settings
