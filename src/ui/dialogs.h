#pragma once

#include <QString>

#include <functional>
#include <optional>

class QWidget;

// The modal windows the three windows open, behind one seam: the environment carries a Dialogs,
// and a test replaces its functions to answer without a modal window.
namespace ui {

// The Save As dialog's one file type.
inline const QString kTextFileFilter = QStringLiteral("テキストファイル(*.txt)");

enum class MessageIcon {
    None,    // no icon
    Warning, // the exclamation icon
};

// A modal box over `parent` with `prompt`, `title`, `icon` and the OK button only.
void ShowMessageBox(QWidget *parent, const QString &prompt, const QString &title, MessageIcon icon);

// A modal question over `parent` with `prompt`, `title`, the question icon and the buttons Yes
// and No in Qt's texts for the user's language (はい/いいえ under Japanese). No is the default
// button and the escape button, so Enter, Esc and closing the box all say No. True for Yes.
bool ShowQuestionBox(QWidget *parent, const QString &prompt, const QString &title);

// The modal Save As dialog over `parent`, offering only *.txt files and starting from
// `lastFileName` (a file to preselect, or a folder to open); a name typed without an extension comes back as typed.
// Replacing an existing file asks for confirmation first. Returns the chosen path, or nullopt
// when the user cancelled.
std::optional<QString> ShowSaveFileDialog(QWidget *parent, const QString &lastFileName);

struct Dialogs {
    using MessageBoxFn = std::function<void(QWidget *parent, const QString &prompt,
                                            const QString &title, MessageIcon icon)>;
    using QuestionFn =
        std::function<bool(QWidget *parent, const QString &prompt, const QString &title)>;
    using SaveFileDialogFn =
        std::function<std::optional<QString>(QWidget *parent, const QString &lastFileName)>;

    MessageBoxFn messageBox = ShowMessageBox;
    QuestionFn question = ShowQuestionBox;
    SaveFileDialogFn saveFileDialog = ShowSaveFileDialog;
};

} // namespace ui
