#pragma once

#include "settings/modrilo.h"

#include <QString>

#include <functional>
#include <optional>

class QWidget;

// Saving the calendar window's dates as a Shift-JIS text file the user names.
namespace calendar {

// The Save As dialog's one file type, the failure prompt and the message boxes' title.
inline const QString kTextFileFilter = QStringLiteral("テキストファイル(*.txt)");
inline const QString kSaveFailedPrompt = QStringLiteral("ファイルを保存できませんでした");
inline const QString kMessageTitle = QStringLiteral("りろ日記");

// Asks for the file to write, starting from `lastFileName` (empty the first time). Returns the
// chosen path, or nullopt when the user cancelled.
using SaveFileDialogFn =
    std::function<std::optional<QString>(QWidget *parent, const QString &lastFileName)>;
// Shows a modal message box: prompt, title, over `parent`.
using MessageBoxFn =
    std::function<void(QWidget *parent, const QString &prompt, const QString &title)>;

// The modal Save As dialog offering only *.txt files; a name typed without an extension comes
// back as typed. Replacing an existing file asks for confirmation first.
std::optional<QString> ShowSaveFileDialog(QWidget *parent, const QString &lastFileName);
// A modal box with the OK button only and no icon.
void ShowMessageBox(QWidget *parent, const QString &prompt, const QString &title);

struct ExportSeams {
    SaveFileDialogFn saveFileDialog = ShowSaveFileDialog;
    MessageBoxFn messageBox = ShowMessageBox;
};

// Asks for a file name and writes BuildCalendarText(state) to it in Shift-JIS, replacing any
// file of that name entirely. The file is replaced atomically: when the write fails, a file that
// was there before stays as it was. `lastFileName` is the dialog's memory: it is set to every
// name chosen (saved or not) and left alone on cancel. Cancelling writes nothing and says
// nothing; any other failure (no Shift-JIS encoder, a path that cannot be written) shows the one
// failure message over `window`. Never throws.
void ExportCalendarText(const modRilo &state, QWidget *window, QString &lastFileName,
                        const ExportSeams &seams = {});

} // namespace calendar
