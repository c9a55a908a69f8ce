#include "gadget/windowplace.h"

namespace gadget {

WindowPlace::WindowPlace(bool placedByWindowSystem)
    : trust_(placedByWindowSystem ? Trust::Never : Trust::NotShown) {}

void WindowPlace::Ask(QPoint place) {
    asked_ = place;
    known_ = place;
}

void WindowPlace::Seen(QPoint place, bool shown) {
    if (!shown || trust_ == Trust::Never)
        return;
    known_ = place;
    if (place == asked_)
        trust_ = Trust::Confirmed;
    else if (trust_ == Trust::NotShown)
        trust_ = Trust::Unconfirmed;
}

std::optional<QPoint> WindowPlace::Storable() const {
    switch (trust_) {
    case Trust::NotShown:
    case Trust::Confirmed:
        return known_;
    case Trust::Unconfirmed:
    case Trust::Never:
        break;
    }
    return std::nullopt;
}

} // namespace gadget
