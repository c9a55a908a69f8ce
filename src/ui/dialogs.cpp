#include "ui/dialogs.h"

#include <QFileDialog>
#include <QMessageBox>

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
    const QString path =
        QFileDialog::getSaveFileName(parent, QString(), lastFileName, kTextFileFilter);
    if (path.isEmpty())
        return std::nullopt;
    return path;
}

} // namespace ui
