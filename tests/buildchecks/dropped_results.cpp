// Must not compile: every write of the settings drops its result here, and the build treats a
// dropped result as an error (tests/buildchecks/must-not-compile.cmake lists each one).
#include "settings/atomicfile.h"
#include "settings/duedate.h"
#include "settings/inifile.h"
#include "settings/inikeys.h"
#include "settings/modrilo.h"

void DropEveryWriteResult(settings::modRilo &state) {
    settings::ReplaceFileAtomically(QString(), "");
    settings::ini::WriteStrings(QString(), "riloini", {});
    settings::ini::WriteString(QString(), "riloini", "k", "v");
    settings::WriteAll(state, {});
    settings::SaveTopmost(state, true);
    settings::SaveWindowPosition(state, QPoint());
    settings::StoreDueDate(state, {}, dates::Day());
}
