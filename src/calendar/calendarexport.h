#pragma once

#include "settings/duedate.h"
#include "ui/dialogs.h"

#include <QString>

class QWidget;

// Saving the calendar window's dates as a Shift-JIS text file the user names.
namespace calendar {

// The failure prompt and the message box's title.
inline const QString kSaveFailedPrompt = QStringLiteral("ファイルを保存できませんでした");

// Asks for a file name with `dialogs.saveFileDialog`, starting from `lastFileName` or, while that
// is empty, in the user's documents folder, and writes BuildCalendarText(dates) to it in
// Shift-JIS, replacing any file of that name entirely. The file is replaced atomically: when the
// write fails, a file that was there before stays as it was. `lastFileName` is the dialog's
// memory: it is set to every name chosen (saved or not) and left alone on cancel. Cancelling
// writes nothing and says nothing; any other failure (no Shift-JIS encoder, a path that cannot be
// written) shows the one failure message over `window`, with no icon. Never throws.
void ExportCalendarText(const settings::CalendarDates &dates, QWidget *window,
                        QString &lastFileName, const ui::Dialogs &dialogs);

} // namespace calendar
