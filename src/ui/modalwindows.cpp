#include "ui/modalwindows.h"

#include <QApplication>
#include <QDialog>
#include <QMessageBox>

namespace ui {

void DismissModalWindows() {
    while (QWidget *popup = QApplication::activePopupWidget()) {
        popup->close();
        if (QApplication::activePopupWidget() == popup)
            break;
    }
    // A dismissed dialog leaves the stack of modal windows at once, even though its event loop
    // returns only when control gets back to it; the next one down is then the active one.
    QWidget *last = nullptr;
    while (QWidget *modal = QApplication::activeModalWidget()) {
        if (modal == last)
            break; // it refused to go; never loop
        last = modal;
        auto *dialog = qobject_cast<QDialog *>(modal);
        if (!dialog) {
            modal->close();
            continue;
        }
        // A message box closes with its escape button, or refuses when it has none.
        if (qobject_cast<QMessageBox *>(dialog) && dialog->close())
            continue;
        dialog->reject();
    }
}

} // namespace ui
