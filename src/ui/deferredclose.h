#pragma once

#include <QCloseEvent>
#include <QWidget>

namespace ui {

// Keeps a window alive while a modal box it opened runs its own event loop. Deleting the window
// then would delete the box, its child, under that loop. A close that arrives meanwhile (a
// signal, a logout, the gadget's 終了) is deferred: the window hides at once and closes for good
// when the handler that opened the box returns.
class DeferredClose {
public:
    // Runs `modal` with the window marked busy. True when a close arrived meanwhile; the caller
    // then closes the window again and returns at once.
    template <typename Modal> [[nodiscard]] bool Run(Modal &&modal) {
        ++depth_;
        modal();
        --depth_;
        return depth_ == 0 && pending_;
    }

    // The window's closeEvent: reports the closing once through `unloaded`, then accepts it, or,
    // while a modal box is open, hides the window and leaves the close for Run to finish.
    template <typename Unloaded>
    void OnClose(QWidget *window, QCloseEvent *event, Unloaded &&unloaded) {
        if (!unloadReported_) {
            unloadReported_ = true;
            unloaded();
        }
        if (depth_ > 0) {
            pending_ = true;
            window->hide();
            event->ignore();
            return;
        }
        event->accept();
    }

private:
    int depth_ = 0;
    bool pending_ = false;
    bool unloadReported_ = false;
};

} // namespace ui
