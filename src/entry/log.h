#pragma once

#include <QLoggingCategory>

namespace entry {

// The messages of this folder's code, for a bug report: QT_LOGGING_RULES="varadadid.entry.*=true"
// shows its debug messages too; warnings are on by default.
inline const QLoggingCategory &lcEntry() {
    static const QLoggingCategory category("varadadid.entry");
    return category;
}

} // namespace entry
