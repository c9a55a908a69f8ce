#pragma once

#include <QLoggingCategory>

namespace gadget {

// The messages of this folder's code, for a bug report: QT_LOGGING_RULES="varadadid.gadget.*=true"
// shows its debug messages too; warnings are on by default.
inline const QLoggingCategory &lcGadget() {
    static const QLoggingCategory category("varadadid.gadget");
    return category;
}

} // namespace gadget
