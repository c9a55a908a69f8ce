#pragma once

#include "dates/datetext.h"
#include "ui/dialogs.h"

#include <QString>

#include <functional>

namespace ui {

// What the windows need from outside besides the shared state: what day it is, and the modal
// dialogs. Tests give a fixed today and dialogs that answer by themselves.
struct AppEnvironment {
    std::function<dates::Day()> today = dates::LocalToday;
    ui::Dialogs dialogs;
};

} // namespace ui
