#pragma once

#include <QPoint>

#include <optional>

namespace gadget {

// What the program can know of where its window is. The program asks for a place; the window
// system reports where the window is. The place may be stored only while it is the program's
// own: before the window shows, the place asked for; once the window system has shown it where
// it was asked, wherever it is seen from then on. A window shown only elsewhere so far (a window
// manager still busy with it, or a compositor that places windows itself) stores nothing.
class WindowPlace {
public:
    // A window system that always places windows itself (native Wayland) never confirms a place.
    explicit WindowPlace(bool placedByWindowSystem = false);

    // The program moved the window to `place`.
    void Ask(QPoint place);
    // The window system reports the window at `place`; a report while it is not shown yet is a
    // passing state (a frame's corner before the frame is moved into place) and says nothing.
    void Seen(QPoint place, bool shown);

    // Whether the window system has ever shown the window where the program asked.
    bool Confirmed() const { return trust_ == Trust::Confirmed; }
    // Whether the window was shown somewhere, but never where it was asked.
    bool Unconfirmed() const { return trust_ == Trust::Unconfirmed; }
    // The program's best knowledge of the window's place: the last place shown or asked for.
    QPoint Known() const { return known_; }
    // The place an ending or a drag's end may store, if any.
    std::optional<QPoint> Storable() const;

private:
    enum class Trust { NotShown, Unconfirmed, Confirmed, Never };
    Trust trust_;
    QPoint asked_;
    QPoint known_;
};

} // namespace gadget
