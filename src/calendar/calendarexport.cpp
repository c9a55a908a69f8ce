#include "calendar/calendarexport.h"

#include "calendar/calendartext.h"
#include "settings/atomicfile.h"

#include <QFileDialog>
#include <QMessageBox>

namespace calendar {

std::optional<QString> ShowSaveFileDialog(QWidget *parent, const QString &lastFileName) {
    const QString path =
        QFileDialog::getSaveFileName(parent, QString(), lastFileName, kTextFileFilter);
    if (path.isEmpty())
        return std::nullopt;
    return path;
}

void ShowMessageBox(QWidget *parent, const QString &prompt, const QString &title) {
    QMessageBox box(QMessageBox::NoIcon, title, prompt, QMessageBox::Ok, parent);
    box.exec();
}

void ExportCalendarText(const modRilo &state, QWidget *window, QString &lastFileName,
                        const ExportSeams &seams) {
    const SaveFileDialogFn dialog =
        seams.saveFileDialog ? seams.saveFileDialog : SaveFileDialogFn(ShowSaveFileDialog);
    const MessageBoxFn messageBox =
        seams.messageBox ? seams.messageBox : MessageBoxFn(ShowMessageBox);

    const std::optional<QString> chosen = dialog(window, lastFileName);
    if (!chosen)
        return;
    lastFileName = *chosen;

    const std::optional<QByteArray> bytes = EncodeShiftJis(BuildCalendarText(state));
    if (!bytes || !ReplaceFileAtomically(*chosen, *bytes))
        messageBox(window, kSaveFailedPrompt, kMessageTitle);
}

} // namespace calendar
