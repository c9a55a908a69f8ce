#include "ui/dialogs.h"

#include <QFileDialog>
#include <QMessageBox>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>

namespace ui {

void ShowMessageBox(QWidget *parent, const QString &prompt, const QString &title,
                    MessageIcon icon) {
    if (icon == MessageIcon::Warning) {
        QMessageBox::warning(parent, title, prompt, QMessageBox::Ok);
        return;
    }
    QMessageBox box(QMessageBox::NoIcon, title, prompt, QMessageBox::Ok, parent);
    box.exec();
}

bool ShowQuestionBox(QWidget *parent, const QString &prompt, const QString &title) {
    QMessageBox box(QMessageBox::Question, title, prompt, QMessageBox::Yes | QMessageBox::No,
                    parent);
    box.setDefaultButton(QMessageBox::No);
    box.setEscapeButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

std::optional<QString> ShowSaveFileDialog(QWidget *parent, const QString &lastFileName) {
#ifndef Q_OS_WIN
    // A QFileDialog reads its view and history from Qt's own user settings and writes them back
    // as it is destroyed (QtProject.conf in the user's config folder), a file that would outlive
    // this program. The program needs none of it, so while the dialog lives those settings go to
    // a folder removed with it. Windows keeps them in the registry, where no path can be set.
    QTemporaryDir scratch;
    if (scratch.isValid())
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, scratch.path());
    struct RestoreSettingsPath {
        ~RestoreSettingsPath() {
            QSettings::setPath(
                QSettings::NativeFormat, QSettings::UserScope,
                QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation));
        }
    } restore;
#endif
    const QString path =
        QFileDialog::getSaveFileName(parent, QString(), lastFileName, kTextFileFilter);
    if (path.isEmpty())
        return std::nullopt;
    return path;
}

} // namespace ui
