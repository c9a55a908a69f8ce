#pragma once

#include <QLoggingCategory>

// The program's logging categories, one per source folder that logs. Warnings show by default;
// debug and info lines only when a rule turns them on, such as QT_LOGGING_RULES='varadadid.*=true'
// (README, Troubleshooting).
namespace ui {

Q_DECLARE_LOGGING_CATEGORY(lcApp)    // varadadid.app
Q_DECLARE_LOGGING_CATEGORY(lcEntry)  // varadadid.entry
Q_DECLARE_LOGGING_CATEGORY(lcGadget) // varadadid.gadget

} // namespace ui
