#pragma once

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

    // For closeEvent: true when the close must wait for a running modal box.
    bool Defer() {
        pending_ = pending_ || depth_ > 0;
        return depth_ > 0;
    }

private:
    int depth_ = 0;
    bool pending_ = false;
};
