#include "calendar/calendarexport.h"

#include "calendar/calendartext.h"
#include "settings/atomicfile.h"

namespace calendar {

void ExportCalendarText(const settings::modRilo &state, QWidget *window, QString &lastFileName,
                        const ui::Dialogs &dialogs) {
    const std::optional<QString> chosen = dialogs.saveFileDialog(window, lastFileName);
    if (!chosen)
        return;
    lastFileName = *chosen;

    const std::optional<QByteArray> bytes = EncodeShiftJis(BuildCalendarText(state));
    if (!bytes || !settings::ReplaceFileAtomically(*chosen, *bytes))
        dialogs.messageBox(window, kSaveFailedPrompt, kMessageTitle, ui::MessageIcon::None);
}

} // namespace calendar
