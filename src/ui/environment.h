#pragma once

#include "dates/datetext.h"
#include "ui/dialogs.h"

#include <QPoint>
#include <QString>

#include <functional>
#include <optional>

class QWidget;

namespace ui {

// What the windows need from outside besides the shared state: what day it is, the modal
// dialogs, and where the window system shows a window. Tests give a fixed today, dialogs that
// answer by themselves, and a window system that answers as a window manager would.
struct AppEnvironment {
    std::function<dates::Day()> today = dates::LocalToday;
    ui::Dialogs dialogs;
    // Where the window system shows a top-level window at this moment, or nothing where it places
    // windows itself and tells no real place. Empty: the window system the program runs on.
    std::function<std::optional<QPoint>(const QWidget *window)> windowSystemPlace;
};

} // namespace ui
