#pragma once

#include <QLoggingCategory>

namespace app {

// The messages of this folder's code, for a bug report: QT_LOGGING_RULES="varadadid.app.*=true"
// shows its debug messages too; warnings are on by default.
inline const QLoggingCategory &lcApp() {
    static const QLoggingCategory category("varadadid.app");
    return category;
}

} // namespace app
