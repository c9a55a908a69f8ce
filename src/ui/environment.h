#pragma once

#include "dates/datetext.h"
#include "settings/modrilo.h"

#include <QString>

#include <functional>

// What the windows need from outside besides the shared state: where the program is, where
// per-user settings go, and what day it is. Tests give a temporary folder and a fixed today.
struct AppEnvironment {
    QString programFolder;
    QString userConfigFolder = settings::DefaultUserConfigFolder();
    std::function<dates::Day()> today = dates::LocalToday;
};
