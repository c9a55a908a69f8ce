#include "calendar/calendarexport.h"

#include "calendar/calendartext.h"
#include "settings/atomicfile.h"
#include "ui/look.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace calendar {

namespace {

// The user's documents folder (a home without one: the home folder), never the working folder,
// which is the program's own folder on Windows and the source checkout under `make run`.
QString DocumentsFolder() {
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return QFileInfo(documents).isDir() ? documents : QDir::homePath();
}

} // namespace

void ExportCalendarText(const settings::CalendarDates &dates, QWidget *window,
                        QString &lastFileName, const ui::Dialogs &dialogs) {
    const std::optional<QString> chosen =
        dialogs.saveFileDialog(window, lastFileName.isEmpty() ? DocumentsFolder() : lastFileName);
    if (!chosen)
        return;
    lastFileName = *chosen;

    const std::optional<QByteArray> bytes = EncodeShiftJis(BuildCalendarText(dates));
    if (!bytes || !settings::ReplaceFileAtomically(*chosen, *bytes))
        dialogs.messageBox(window, kSaveFailedPrompt, ui::look::kProgramTitle,
                           ui::MessageIcon::None);
}

} // namespace calendar
