#pragma once

#include <QObject>
#include <QPointer>

class QWidget;

namespace calendar {
class frmCrndr;
}
namespace entry {
class i_data;
}

namespace gadget {

// The gadget's secondary windows, the entry dialog and the calendar. One is open at a time, in
// the gadget's always-on-top layer; the gadget is disabled while it is open, is never minimized
// without it, and brings it back to the front with itself. They are closed with the gadget.
class SecondaryWindows : public QObject {
    Q_OBJECT
public:
    explicit SecondaryWindows(QWidget *gadget);
    ~SecondaryWindows() override;

    // Shows a window that deletes itself when closed, above the gadget.
    void Show(entry::i_data *dialog);
    void Show(calendar::frmCrndr *window);

    entry::i_data *entryDialog() const { return entryDialog_.data(); }
    calendar::frmCrndr *calendarWindow() const { return calendarWindow_.data(); }
    // The window that is open, if any.
    QWidget *Open() const;

    // The open window, restored if minimized, raised and active.
    void Raise();
    // The gadget and the open window on the desktop the user is looking at; the open window, else
    // the gadget, gets the focus.
    void BringToFront();
    // The open window follows the gadget into or out of the always-on-top layer.
    void SetStaysOnTop(bool on);
    // Closes the open window, for good: nothing is restored from here on.
    void CloseAll();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void ShowAbove(QWidget *window);

    QWidget *gadget_;
    QPointer<entry::i_data> entryDialog_;
    QPointer<calendar::frmCrndr> calendarWindow_;
    bool closed_ = false;
};

} // namespace gadget
