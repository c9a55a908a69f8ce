#include "ui/log.h"

namespace ui {

Q_LOGGING_CATEGORY(lcApp, "varadadid.app", QtWarningMsg)
Q_LOGGING_CATEGORY(lcEntry, "varadadid.entry", QtWarningMsg)
Q_LOGGING_CATEGORY(lcGadget, "varadadid.gadget", QtWarningMsg)

} // namespace ui
